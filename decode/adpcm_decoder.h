// The SPU ADPCM decoding rule: 16 bytes in, 28 samples out. Knows nothing of files or runs.
#pragma once

#include <cstdint>

#include "decode/adpcm_frame.h"

// Prediction history of one channel: the last two decoded values, unrounded.
struct ChannelHistory {
  double s1;  // the last decoded value
  double s2;  // the one before it
};

// Expands one frame into 28 samples and updates the channel's history.
//
// Each value is x = (t + s1*f0) + s2*f1 with both products exact, each sum rounded to a
// 64-bit significand and the result rounded once to a double; that double becomes the
// history. A sample is the exact integer trunc(x + 0.5), kept modulo 2^32 rather than
// saturated: callers store its low 16 bits. Filters 5..15 predict nothing (0, 0).
void decodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]);

// The rule for one value and for one sample, by the rule's own arithmetic (kRulePath),
// for paths that compute it another way and need the rule itself where they cannot
// vouch for their own result.
double stepValue(int32_t t, double s1, double s2, int filter);
int32_t sampleValue(double x);
