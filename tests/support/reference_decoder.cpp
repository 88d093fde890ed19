// The decoding rule written as plainly as possible, one sample after the other with
// long double sums. The reference that every faster decoder path is proven against.
#include "support/reference_decoder.h"

#include <cmath>
#include <limits>

#include "decode/integer_arithmetic.h"

namespace {

// The arithmetic rule: both products exact, each of the two sums rounded to a 64-bit
// significand, the result rounded once to a double. x86-64's x87 long double is exactly
// that format; a double times a coefficient of at most seven significant bits needs at
// most 60 bits, so the products are exact in it. Where long double is another format
// (ARM64), the reference is the integer rule, itself proven against the x87 on x86-64.
#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ == 64
#define REFERENCE_X87 1
using Extended = long double;
#else
using Extended = double;  // only to keep the names below; the integer rule does the work
#endif

struct Filter {
  double f0;  // weight of the previous value
  double f1;  // weight of the one before it
};

// The five SPU ADPCM filters; header nibbles 5..15 decode as filter 0.
constexpr Filter kFilters[16] = {
    {0.0, 0.0},
    {60.0 / 64.0, 0.0},
    {115.0 / 64.0, -52.0 / 64.0},
    {98.0 / 64.0, -55.0 / 64.0},
    {122.0 / 64.0, -60.0 / 64.0},
};

#ifdef REFERENCE_X87
// trunc(x + 0.5), exactly, modulo 2^32. x + 0.5 is exact in a 64-bit significand for
// every |x| < 2^62 that has bits below 2^-11; below that the sum lies strictly between 0
// and 1 whichever way it rounds, so the truncation is the same.
int32_t wideSample(Extended v) {
  if (!std::isfinite(v)) return 0;
  Extended wrapped = std::fmod(std::trunc(v), 0x1p32L);  // exact
  if (wrapped < 0) wrapped += 0x1p32L;
  return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
}

int32_t sampleOf(double x) {
  const Extended v = static_cast<Extended>(x) + 0.5L;
  if (v > -0x1p62L && v < 0x1p62L) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(v)));
  }
  return wideSample(v);
}

#endif

}  // namespace

void referenceDecodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]) {
  const int header = frame.value[0] & 0xFF;
  const int shift = header & 0x0F;
  const Filter filter = kFilters[header >> 4];
  double s1 = history.s1;
  double s2 = history.s2;
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const int byte = frame.value[2 + i / 2] & 0xFF;
    const int nibble = (i & 1) ? (byte >> 4) : (byte & 0x0F);
    // The nibble in bits 12..15 of a signed 16-bit value, shifted right arithmetically.
    const int32_t t = static_cast<int16_t>(static_cast<uint16_t>(nibble << 12)) >> shift;
#ifdef REFERENCE_X87
    Extended sum = static_cast<Extended>(t) + static_cast<Extended>(s1) * filter.f0;
    sum = sum + static_cast<Extended>(s2) * filter.f1;
    const double x = static_cast<double>(sum);
    out[i] = sampleOf(x);
#else
    const double x = integerStep(t, s1, s2, static_cast<int32_t>(filter.f0 * 64), static_cast<int32_t>(filter.f1 * 64));
    out[i] = integerSample(x);
#endif
    s2 = s1;
    s1 = x;
  }
  history.s1 = s1;
  history.s2 = s2;
}
