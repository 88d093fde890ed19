#include "decode/adpcm_decoder.h"

#include <emmintrin.h>

#include <cmath>
#include <limits>

namespace {

// The arithmetic rule needs a 64-bit significand for the sums: x86-64's x87 long double
// is exactly that format. A double times a coefficient of at most seven significant
// bits needs at most 60 bits, so the products are exact in it.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "the decoder needs a 64-bit significand (x87 extended precision)");

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

// One channel's state while a frame decodes: the history as extended values (each
// holding a double exactly) and the frame's 28 scaled codes.
struct Chain {
  Extended s1;
  Extended s2;
  double f0;  // kept as doubles: the x87 multiplies by them straight from memory,
  double f1;  // which leaves its eight registers to the two chains
  int32_t t[kSamplesPerFrame];  // each code in bits 12..15 of an int16, shifted right
};

void startChain(Chain& c, const AdpcmFrame& frame, const ChannelHistory& history) {
  const int header = frame.value[0];
  const int shift = header & 0x0F;
  c.f0 = kFilters[header >> 4].f0;
  c.f1 = kFilters[header >> 4].f1;
  c.s1 = history.s1;
  c.s2 = history.s2;
  for (int j = 0; j < kSamplesPerFrame / 2; ++j) {
    const int byte = frame.value[2 + j];  // low nibble first, each into bits 12..15
    c.t[2 * j] = static_cast<int16_t>(static_cast<uint16_t>((byte & 0x0F) << 12)) >> shift;
    c.t[2 * j + 1] = static_cast<int16_t>(static_cast<uint16_t>((byte & 0xF0) << 8)) >> shift;
  }
}

// The next value of the chain: two rounded sums, then one rounding to double.
[[gnu::always_inline]] inline double step(Chain& c, int i) {
  Extended sum = static_cast<Extended>(c.t[i]) + c.s1 * static_cast<Extended>(c.f0);
  sum = sum + c.s2 * static_cast<Extended>(c.f1);
  const double x = static_cast<double>(sum);
  c.s2 = c.s1;
  c.s1 = x;
  return x;
}

void finishChain(const Chain& c, ChannelHistory& history) {
  history.s1 = static_cast<double>(c.s1);
  history.s2 = static_cast<double>(c.s2);
}

// trunc(x + 0.5) for values far from the int32 range: exact, modulo 2^32. In a 64-bit
// significand x + 0.5 is exact wherever it matters.
[[gnu::noinline]] int32_t wideSample(double x) {
  const Extended v = static_cast<Extended>(x) + 0.5L;
  if (!std::isfinite(v)) return 0;
  Extended wrapped = std::fmod(std::trunc(v), 0x1p32L);  // exact
  if (wrapped < 0) wrapped += 0x1p32L;
  return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
}

// trunc(x + 0.5) computed as if without rounding. In double arithmetic x + 0.5 can only
// round across an integer for x = 0.5 - 2^-54 (to 1.0); every other double in the int32
// range truncates as the exact sum does. Out of range, the conversion gives INT32_MIN
// and the wide path takes over.
inline int32_t sampleOf(double x) {
  const int32_t sample = _mm_cvttsd_si32(_mm_set_sd(x + 0.5));
  if (sample == std::numeric_limits<int32_t>::min()) [[unlikely]] return wideSample(x);
  if (x == 0x1.fffffffffffffp-2) [[unlikely]] return 0;
  return sample;
}

}  // namespace

void decodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]) {
  Chain c;
  startChain(c, frame, history);
  for (int i = 0; i < kSamplesPerFrame; ++i) out[i] = sampleOf(step(c, i));
  finishChain(c, history);
}

void decodeFramePair(const AdpcmFrame& a, ChannelHistory& historyA, int32_t outA[kSamplesPerFrame],
                     const AdpcmFrame& b, ChannelHistory& historyB, int32_t outB[kSamplesPerFrame]) {
  Chain ca;
  Chain cb;
  startChain(ca, a, historyA);
  startChain(cb, b, historyB);
  // Plain locals rather than the structs' fields, so that the two chains stay in the
  // x87 registers instead of going through memory every sample.
  Extended a1 = ca.s1, a2 = ca.s2, b1 = cb.s1, b2 = cb.s2;
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    Extended sumA = static_cast<Extended>(ca.t[i]) + a1 * static_cast<Extended>(ca.f0);
    Extended sumB = static_cast<Extended>(cb.t[i]) + b1 * static_cast<Extended>(cb.f0);
    sumA = sumA + a2 * static_cast<Extended>(ca.f1);
    sumB = sumB + b2 * static_cast<Extended>(cb.f1);
    const double x = static_cast<double>(sumA);
    const double y = static_cast<double>(sumB);
    a2 = a1;
    a1 = x;
    b2 = b1;
    b1 = y;
    outA[i] = sampleOf(x);
    outB[i] = sampleOf(y);
  }
  historyA = ChannelHistory{static_cast<double>(a1), static_cast<double>(a2)};
  historyB = ChannelHistory{static_cast<double>(b1), static_cast<double>(b2)};
}
