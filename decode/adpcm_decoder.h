// SPU ADPCM frame decoder: 16 bytes in, 28 samples out. Knows nothing of files or runs.
#pragma once

#include <cstdint>

constexpr int kFrameBytes = 16;
constexpr int kSamplesPerFrame = 28;

// One frame as read: 16 values, each 0..255, or -1 where the input was exhausted.
// Byte 0: filter (high nibble) and shift (low nibble); byte 1: flag byte; bytes 2..15:
// 28 four-bit codes, low nibble first.
struct AdpcmFrame {
  int16_t value[kFrameBytes];
};

// Prediction history of one channel: the last two decoded values, unrounded.
struct ChannelHistory {
  double s1;  // the last decoded value
  double s2;  // the one before it
};

// Expands one frame into 28 samples and updates the channel's history. A sample is the
// exact integer trunc(x + 0.5) of its decoded value x, kept modulo 2^32 (not saturated):
// callers store its low 16 bits. Only the low 8 bits of each value are used.
void decodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]);
