// The decoding rule written as plainly as possible, one sample after the other with
// long double sums.
#include "support/reference_decoder.h"

#include <cmath>

#include "decode/decode_path.h"
#include "decode/integer_arithmetic.h"

// The five SPU ADPCM filters; header nibbles 5..15 decode as filter 0.
const ReferenceFilter kReferenceFilters[16] = {{0, 0}, {60, 0}, {115, -52}, {98, -55}, {122, -60}};

namespace {

// trunc(x + 0.5), exactly, modulo 2^32. x + 0.5 is exact in a 64-bit significand for
// every |x| < 2^62 that has bits below 2^-11; below that the sum lies strictly between 0
// and 1 whichever way it rounds, so the truncation is the same.
int32_t x87Sample(double x) {
  const long double v = static_cast<long double>(x) + 0.5L;
  if (v > -0x1p62L && v < 0x1p62L) return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(v)));
  if (!std::isfinite(v)) return 0;
  long double wrapped = std::fmod(std::trunc(v), 0x1p32L);  // exact
  if (wrapped < 0) wrapped += 0x1p32L;
  return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
}

}  // namespace

// The arithmetic rule: both products exact, each of the two sums rounded to a 64-bit
// significand, the result rounded once to a double. x86-64's x87 long double is exactly
// that format; a double times a weight of at most seven significant bits needs at most
// 60 bits, so the products are exact in it.
double referenceStep(int32_t t, double s1, double s2, int filter) {
  const ReferenceFilter f = kReferenceFilters[filter];
  if constexpr (kLongDoubleIsX87) {
    long double sum = static_cast<long double>(t) + static_cast<long double>(s1) * (f.k0 / 64.0L);
    sum = sum + static_cast<long double>(s2) * (f.k1 / 64.0L);
    return static_cast<double>(sum);
  } else {
    return integerStep(t, s1, s2, f.k0, f.k1);
  }
}

int32_t referenceSample(double x) {
  if constexpr (kLongDoubleIsX87) {
    return x87Sample(x);
  } else {
    return integerSample(x);
  }
}

void referenceDecodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]) {
  const int header = frame.value[0];
  const int shift = header & 0x0F;
  double s1 = history.s1;
  double s2 = history.s2;
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const int byte = frame.value[2 + i / 2];
    const int nibble = (i & 1) ? (byte >> 4) : (byte & 0x0F);
    // The nibble in bits 12..15 of a signed 16-bit value, shifted right arithmetically.
    const int32_t t = static_cast<int16_t>(static_cast<uint16_t>(nibble << 12)) >> shift;
    const double x = referenceStep(t, s1, s2, header >> 4);
    out[i] = referenceSample(x);
    s2 = s1;
    s1 = x;
  }
  history.s1 = s1;
  history.s2 = s2;
}
