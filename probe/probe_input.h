// Reading what the probe needs of an input: its head and tail whole, the rest in passes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "probe/probe_state.h"

// Opens the input, measures it and reads its head and tail into the record. 0, or -1
// when it cannot be opened or read (not a regular file, a read error).
int readProbeInput(ProbeState& p, FILE** input);

// Reads count bytes at offset. 0, or -1 when they cannot all be read.
int readRange(FILE* input, int64_t offset, uint8_t* bytes, size_t count);

// Reads the whole frames of [from, to) in chunks of up to 1 MiB and hands each to
// visit(bytes, count, offset). 0, or -1 on a read error.
template <typename Visit>
int readFrames(FILE* input, int64_t from, int64_t to, Visit visit) {
  static uint8_t chunk[1 << 20];
  for (int64_t at = from; at + 16 <= to;) {
    const int64_t count = std::min<int64_t>((to - at) / 16 * 16, static_cast<int64_t>(sizeof chunk));
    if (readRange(input, at, chunk, static_cast<size_t>(count)) != 0) return -1;
    visit(chunk, static_cast<size_t>(count), at);
    at += count;
  }
  return 0;
}
