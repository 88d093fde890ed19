// The decoder's arithmetic rule in integer arithmetic, for machines whose long double is
// not the x87 format: the same bits as the x87 gives, for every input.
//
// x = round53(round64(round64(t + s1 * f0) + s2 * f1)): both products exact, each sum
// rounded to a 64-bit significand (round to nearest, ties to even), the result rounded
// once to a double (subnormals and overflow as IEEE has them). Infinities and NaNs as
// the x87 gives them: a NaN operand passes through (quiet), of two the one with the
// larger significand (the positive one on a tie), and inf * 0 or inf - inf gives the x87's
// "indefinite" NaN.
#pragma once

#include <cstdint>

// One step of a chain: the new value from the scaled code t and the last two values s1,
// s2, with the filter's coefficients as k0 / 64 and k1 / 64.
double integerStep(int32_t t, double s1, double s2, int32_t k0, int32_t k1);

// trunc(x + 0.5) modulo 2^32, with x + 0.5 as the x87 forms it: exact, but for x below
// -2^63, where the sum rounds back to x. 0 for an infinity or a NaN.
int32_t integerSample(double x);
