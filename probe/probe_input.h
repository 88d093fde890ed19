// Reading what the probe needs of an input: its head and tail whole, the rest in passes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "probe/probe_findings.h"

struct ProbeInput {
  const char* name = nullptr;  // as given on the command line
  FILE* file = nullptr;        // open while the probe runs
  int64_t length = 0;          // bytes in the input
};

// Opens the input and measures it. 0, or -1 when it cannot be opened (not a regular
// file).
int openProbeInput(ProbeInput& input);

// Closes the input.
void closeProbeInput(ProbeInput& input);

// The bytes of a region that its layout is read from: from a few frames before its
// start (where streams that begin with silence begin) to at most `bytes` after it.
struct RegionSample {
  int64_t offset = 0;  // of bytes[0] in the input
  std::vector<uint8_t> bytes;
};
constexpr int64_t kLeadInBytes = 64 * kFrameBytes;  // read before a region's start

// Reads the sample of the region. 0, or -1 on a read error.
int readRegionSample(const ProbeInput& input, const AudioExtent& extent, int64_t bytes, RegionSample& sample);

// Reads count bytes at offset. 0, or -1 when they cannot all be read.
int readRange(FILE* file, int64_t offset, uint8_t* bytes, size_t count);

// Long stretches that the file system holds no data for (a sparse file's holes) may be
// skipped: kHoleBytesRead of a hole's zeros are handed on as read, and reading goes on
// near the hole's end, at a whole frame from where the hole began. 64 KiB of zeros part
// any two regions, after which more zeros change nothing a reader of regions keeps.
constexpr int64_t kHoleBytesRead = 0x10000;

// Where reading at `at` goes on after kHoleBytesRead zeros: within the hole that begins
// there, or `at` itself where none of at least twice that length does.
int64_t afterHole(const ProbeInput& input, int64_t at, int64_t to);

enum class Holes { kRead, kSkip };

// Reads the whole frames of [from, to) in chunks of up to 1 MiB and hands each to
// visit(bytes, count, offset). With Holes::kSkip, the offsets jump over holes. 0, or -1
// on a read error.
template <typename Visit>
int readFrames(const ProbeInput& input, int64_t from, int64_t to, Visit visit, Holes holes = Holes::kRead) {
  constexpr int64_t kChunk = 1 << 20;
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min(kChunk, std::max<int64_t>(0, to - from))));
  for (int64_t at = from; at + kFrameBytes <= to;) {
    const int64_t count = std::min<int64_t>((to - at) / kFrameBytes * kFrameBytes, kChunk);
    const int64_t skipTo = holes == Holes::kSkip ? afterHole(input, at, to) : at;
    if (skipTo > at) {
      std::fill(chunk.begin(), chunk.begin() + kHoleBytesRead, 0);
      visit(chunk.data(), static_cast<size_t>(kHoleBytesRead), at);
      at = skipTo;
      continue;
    }
    if (readRange(input.file, at, chunk.data(), static_cast<size_t>(count)) != 0) return -1;
    visit(chunk.data(), static_cast<size_t>(count), at);
    at += count;
  }
  return 0;
}
