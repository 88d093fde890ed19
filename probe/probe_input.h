// Reading what the probe needs of an input: its head and tail whole, the rest in passes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "probe/probe_findings.h"

// The tail read to find the end: the longest trailer and room for the run of sound
// frames (and their alignment) that must come before it.
constexpr int64_t kTailBytes = kMaxTrailerBytes + 0x100;

struct ProbeInput {
  const char* name = nullptr;  // as given on the command line
  FILE* file = nullptr;        // open while the probe runs
  int64_t length = 0;          // bytes in the input
  std::vector<uint8_t> head;   // the input's first bytes: header and layout sample
  std::vector<uint8_t> tail;   // its last bytes (the whole input when it is short)
  int64_t tailStart = 0;       // offset of tail[0]
};

// Opens the input, measures it and reads its head and tail. 0, or -1 when it cannot be
// opened or read (not a regular file, a read error).
int readProbeInput(ProbeInput& input);

// Closes the input.
void closeProbeInput(ProbeInput& input);

// Reads count bytes at offset. 0, or -1 when they cannot all be read.
int readRange(FILE* file, int64_t offset, uint8_t* bytes, size_t count);

// Reads the whole frames of [from, to) in chunks of up to 1 MiB and hands each to
// visit(bytes, count, offset). 0, or -1 on a read error.
template <typename Visit>
int readFrames(FILE* file, int64_t from, int64_t to, Visit visit) {
  static uint8_t chunk[1 << 20];
  for (int64_t at = from; at + kFrameBytes <= to;) {
    const int64_t count = std::min<int64_t>((to - at) / kFrameBytes * kFrameBytes, static_cast<int64_t>(sizeof chunk));
    if (readRange(file, at, chunk, static_cast<size_t>(count)) != 0) return -1;
    visit(chunk, static_cast<size_t>(count), at);
    at += count;
  }
  return 0;
}
