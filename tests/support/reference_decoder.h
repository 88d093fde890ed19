// The reference decoder: the rule in its most direct form, one sample after the other,
// written apart from the product's decoder. Every faster path is proven against it.
#pragma once

#include "decode/adpcm_decoder.h"

// The weights of the five filters, times 64 (filters 5..15 predict nothing).
struct ReferenceFilter {
  int32_t k0;  // of the previous value
  int32_t k1;  // of the one before it
};
extern const ReferenceFilter kReferenceFilters[16];

// One step and one sample of the rule: by the x87 where long double is its format, else
// by the integer rule (itself proven against the x87 on x86-64).
double referenceStep(int32_t t, double s1, double s2, int filter);
int32_t referenceSample(double x);

void referenceDecodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]);
