// The rule's step and sample in the two scalar arithmetics, as the lane kernels take
// them: the x87's 64-bit significand in hardware, or integers. Inline, so that a kernel
// running several chains side by side keeps every sum in a register.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "decode/adpcm_frame.h"
#include "decode/decode_path.h"
#include "decode/integer_arithmetic.h"

// What a frame gives the chain it belongs to: the filter and the 28 scaled codes.
struct FrameCodes {
  double f0;  // kept as doubles: the x87 multiplies by them straight from memory,
  double f1;  // which leaves its eight registers to the sums
  int32_t k0, k1;  // the same, times 64, for the integer arithmetic
  int32_t t[kSamplesPerFrame];  // each code in bits 12..15 of an int16, shifted right
};

inline void readCodes(FrameCodes& c, const AdpcmFrame& frame) {
  const uint8_t header = frame.value[kHeaderByte];
  const int shift = frameShift(header);
  c.k0 = kFilterWeights[frameFilter(header)].k0;
  c.k1 = kFilterWeights[frameFilter(header)].k1;
  c.f0 = static_cast<double>(c.k0) / kWeightScale;
  c.f1 = static_cast<double>(c.k1) / kWeightScale;
  for (int j = 0; j < kSamplesPerFrame / 2; ++j) {
    const int byte = frame.value[kFirstCodeByte + j];  // low nibble first, each into bits 12..15
    c.t[2 * j] = static_cast<int16_t>(static_cast<uint16_t>((byte & 0x0F) << 12)) >> shift;
    c.t[2 * j + 1] = static_cast<int16_t>(static_cast<uint16_t>((byte & 0xF0) << 8)) >> shift;
  }
}

// One sample of one chain: two rounded sums, then one rounding to double. `newer` is the
// last value and `older` the one before; the new value replaces `older`, so that the two
// swap roles from one sample to the next and nothing is copied. The history stays in
// doubles between samples (loaded straight into the x87 sums), which keeps the eight x87
// registers free for the sums of several chains.
//
// The x87's long double has the rule's 64-bit significand only where kLongDoubleIsX87;
// this arithmetic is chosen nowhere else (decode_path.h).
struct X87Arithmetic {
  [[gnu::always_inline]] static double step(const FrameCodes& c, int i, double newer, double& older) {
    long double sum = static_cast<long double>(c.t[i]) + static_cast<long double>(newer) * static_cast<long double>(c.f0);
    sum = sum + static_cast<long double>(older) * static_cast<long double>(c.f1);
    older = static_cast<double>(sum);
    return older;
  }
  // The plain order, s2 := s1 then s1 := x: with four chains in flight the compiler
  // keeps them in registers better that way (measured: 3.6 against 4.4 ns per sample).
  [[gnu::always_inline]] static double stepShifting(const FrameCodes& c, int i, double& s1, double& s2) {
    long double sum = static_cast<long double>(c.t[i]) + static_cast<long double>(s1) * static_cast<long double>(c.f0);
    sum = sum + static_cast<long double>(s2) * static_cast<long double>(c.f1);
    s2 = s1;
    s1 = static_cast<double>(sum);
    return s1;
  }
  // trunc(x + 0.5) as if without rounding. In double arithmetic x + 0.5 can only round
  // across an integer for x = 0.5 - 2^-54 (to 1.0); every other double in the int32 range
  // truncates as the exact sum does. Far from zero (and for NaN), outOfRangeSample.
  [[gnu::always_inline]] static int32_t sample(double x) {
    const double v = x + 0.5;
    if (std::fabs(v) < 0x1p31) [[likely]] {
      if (x == 0x1.fffffffffffffp-2) [[unlikely]] return 0;
      return static_cast<int32_t>(v);
    }
    return outOfRangeSample(x);
  }
  // trunc(x + 0.5) for values far from the int32 range: exact, modulo 2^32. In a 64-bit
  // significand x + 0.5 is exact wherever it matters.
  [[gnu::noinline]] static int32_t outOfRangeSample(double x) {
    const long double v = static_cast<long double>(x) + 0.5L;
    if (!std::isfinite(v)) return 0;
    long double wrapped = std::fmod(std::trunc(v), 0x1p32L);  // exact
    if (wrapped < 0) wrapped += 0x1p32L;
    return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
  }
};

struct IntegerArithmetic {
  static double step(const FrameCodes& c, int i, double newer, double& older) {
    older = integerStep(c.t[i], newer, older, c.k0, c.k1);
    return older;
  }
  static double stepShifting(const FrameCodes& c, int i, double& s1, double& s2) {
    const double x = integerStep(c.t[i], s1, s2, c.k0, c.k1);
    s2 = s1;
    s1 = x;
    return x;
  }
  static int32_t sample(double x) { return integerSample(x); }
};

// The rule's own arithmetic in this build (decode_path.h says which).
using RuleArithmetic = std::conditional_t<kRulePath == DecodePath::kX87, X87Arithmetic, IntegerArithmetic>;
