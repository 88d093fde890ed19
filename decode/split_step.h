// A step of the rule in halves, for the vector decoders (avx2_lanes, vector_lanes): plain
// double arithmetic with a single rounding, and a cheap check of where that rounding is
// the rule's.
//
// Each history value s is cut into a high half h (s with the low 27 bits of its
// significand cleared: 26 bits at most) and a low half l = s - h (27 bits at most, below
// 2^(E-25), E the exponent of s). The weights are k/64 with |k| <= 122, so a half times a
// weight is exact (34 bits at most), and the step is
//
//     a = t + h1*f0,   x = (a + h2*f1) + (l1*f0 + l2*f1)
//
// where, under the check below, a and both brackets are exact: x is the exact value
// rounded once, with fused multiply-adds or without. The check, on the values s1, s2
// before the step, a and the new value x:
//
//     max(2^-960, |s1| / 2^13, |s2| / 2^13, |a| * c, |x| / 32) <= min(floor(s1), floor(s2))
//
// with floor(s) the double just below |s|, at most 2^25, and 2^25 for s = 0 (zeros, in
// silence and idle lanes, ask nothing); c = 2^-(4+z) where 2^z is the largest power of
// two that divides k0 (its products' last bit lies z bits higher), 2^-19 for k0 = 0. For
// the nonzero ones among s1 and s2, e the smallest of their exponents, it gives:
//   - 2^-960 < |s| <= 2^38, their exponents at most 13 apart, |x| < 2^(e+6) and <= 2^30;
//   - a is exact: its terms are multiples of 2^(E1-31) (t of 1), and were it not, it
//     would be at least 2^(E1+22) and fail. So |a| < 2^(e+5+z), and |t| < 2^(e+20);
//   - the high bracket's terms are multiples of 2^(e-31) (or of 1), below 2^(e+21) in
//     all (2^46 above e = 31): under 53 bits, exact; the low bracket's terms are
//     multiples of 2^(e-58), below 2^(e-10) in all: exact;
//   - the x87's first sum, t + s1*f0 = a + l1*f0, is a multiple of 2^(E1-58+z) below
//     2^(E1+6+z), and its second, the exact value, a multiple of 2^(e-58) below 2^(e+6)
//     (as |x| is: the rounding keeps the value on the same side of that power of two):
//     both fit its 64-bit significand, so it too rounds only once, to the nearest
//     double, to x.
// Without a nonzero history x = t. x is never -0, nor is the x87's value. A history that
// is infinite or NaN makes its low half NaN, so x is NaN and the check fails. A step
// whose check fails is taken again by the rule (stepValue).
//
// A sample is trunc(x + 0.5). For |x| < 2^52, x + (0.5 - 2^-54) rounded to nearest has
// that integer part: only a half-integer x has an integer within 2^-54 below x + 0.5,
// and then x + 0.5 - 2^-54 rounds up onto it; nothing else rounds across one. (x + 0.5
// itself would turn 0.5 - 2^-54 into 1.) The check keeps |x| <= 2^30, in the int32 range.
#pragma once

#include <cstdint>

namespace split_step {

constexpr uint64_t kHighHalf = ~((uint64_t{1} << 27) - 1);  // the bits the high half keeps
constexpr uint64_t kMagnitude = ~(uint64_t{1} << 63);        // all but the sign
constexpr double kLeast = 0x1p-960;                          // the smallest bound
constexpr double kSpread = 0x1p-13;                          // |s| / 2^13
constexpr double kGrowth = 0x1p-5;                           // |x| / 32
constexpr double kCeiling = 0x1p25;                          // floor(s) at most, and floor(0)
constexpr double kSampleOffset = 0x1.fffffffffffffp-2;       // 0.5 - 2^-54

// c of each header nibble's filter.
constexpr double firstSumScale(int32_t k0) {
  if (k0 == 0) return 0x1p-19;
  double c = 0x1p-4;
  for (int32_t k = k0 < 0 ? -k0 : k0; k % 2 == 0; k /= 2) c /= 2;
  return c;
}

}  // namespace split_step
