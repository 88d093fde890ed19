#include "decode/adpcm_decoder.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "decode/integer_arithmetic.h"

// The arithmetic rule needs a 64-bit significand for the sums: the x87's long double (on
// x86-64, Linux and MinGW alike) is exactly that format, and does it in hardware. Where
// long double is anything else, the same rule runs in integer arithmetic (and so it does
// in a build made with TALVIMO_PORTABLE, which tests that path here).
#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ == 64 && defined(__SSE2__) && !defined(TALVIMO_PORTABLE)
#define TALVIMO_X87 1
#include <emmintrin.h>
#endif

namespace {

// What a frame gives its chain: the filter and the 28 scaled codes.
struct Chain {
  double f0;  // kept as doubles: the x87 multiplies by them straight from memory,
  double f1;  // which leaves its eight registers to the sums
  int32_t k0, k1;  // the same, times 64, for the integer arithmetic
  int32_t t[kSamplesPerFrame];  // each code in bits 12..15 of an int16, shifted right
};

void startChain(Chain& c, const AdpcmFrame& frame) {
  const int header = frame.value[0];
  const int shift = header & 0x0F;
  c.k0 = kFilterWeights[header >> 4].k0;
  c.k1 = kFilterWeights[header >> 4].k1;
  c.f0 = c.k0 / 64.0;
  c.f1 = c.k1 / 64.0;
  for (int j = 0; j < kSamplesPerFrame / 2; ++j) {
    const int byte = frame.value[2 + j];  // low nibble first, each into bits 12..15
    c.t[2 * j] = static_cast<int16_t>(static_cast<uint16_t>((byte & 0x0F) << 12)) >> shift;
    c.t[2 * j + 1] = static_cast<int16_t>(static_cast<uint16_t>((byte & 0xF0) << 8)) >> shift;
  }
}

#ifdef TALVIMO_X87
using Extended = long double;  // the x87's own format: a 64-bit significand

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
inline int32_t x87Sample(double x) {
  const int32_t sample = _mm_cvttsd_si32(_mm_set_sd(x + 0.5));
  if (sample == std::numeric_limits<int32_t>::min()) [[unlikely]] return wideSample(x);
  if (x == 0x1.fffffffffffffp-2) [[unlikely]] return 0;
  return sample;
}

#endif

// Samples are kept whole (int32, modulo 2^32) or as the low 16 bits that a WAV keeps.
inline void store(int32_t& out, int32_t sample) { out = sample; }
inline void store(int16_t& out, int32_t sample) { out = static_cast<int16_t>(static_cast<uint16_t>(sample)); }

// One sample of one chain: two rounded sums, then one rounding to double, by the x87 or
// by integers. `newer` is the last value and `older` the one before; the new value
// replaces `older`, so that the two swap roles from one sample to the next and nothing
// is copied. The history stays in doubles between samples (loaded straight into the x87
// sums), which keeps the eight x87 registers free for the sums of several chains.
#ifdef TALVIMO_X87
struct X87Arithmetic {
  [[gnu::always_inline]] static double step(const Chain& c, int i, double newer, double& older) {
    Extended sum = static_cast<Extended>(c.t[i]) + static_cast<Extended>(newer) * static_cast<Extended>(c.f0);
    sum = sum + static_cast<Extended>(older) * static_cast<Extended>(c.f1);
    older = static_cast<double>(sum);
    return older;
  }
  // The plain order, s2 := s1 then s1 := x: with four chains in flight the compiler
  // keeps them in registers better that way (measured: 3.6 against 4.4 ns per sample).
  [[gnu::always_inline]] static double stepShifting(const Chain& c, int i, double& s1, double& s2) {
    Extended sum = static_cast<Extended>(c.t[i]) + static_cast<Extended>(s1) * static_cast<Extended>(c.f0);
    sum = sum + static_cast<Extended>(s2) * static_cast<Extended>(c.f1);
    s2 = s1;
    s1 = static_cast<double>(sum);
    return s1;
  }
  static int32_t sample(double x) { return x87Sample(x); }
};
#endif

struct IntegerArithmetic {
  static double step(const Chain& c, int i, double newer, double& older) {
    older = integerStep(c.t[i], newer, older, c.k0, c.k1);
    return older;
  }
  static double stepShifting(const Chain& c, int i, double& s1, double& s2) {
    const double x = integerStep(c.t[i], s1, s2, c.k0, c.k1);
    s2 = s1;
    s1 = x;
    return x;
  }
  static int32_t sample(double x) { return integerSample(x); }
};

#ifdef TALVIMO_X87
using NativeArithmetic = X87Arithmetic;
#else
using NativeArithmetic = IntegerArithmetic;
#endif

// One frame each of one, two or four independent chains, one sample of each chain in
// turn, so that each chain's latency hides behind the others'. One or two chains take
// two samples a step, s1 and s2 trading places (a frame has an even number of samples):
// nothing is copied along the chain, which is all that bounds them (measured: 9.3
// against 11.6 ns per sample for one). Written out per count (rather than as loops over
// arrays) so that every sum stays in an x87 register.
template <typename Arith, typename Out>
void decodeLanes1(const AdpcmFrame& f, ChannelHistory& h, Out* out) {
  Chain c;
  startChain(c, f);
  double s1 = h.s1, s2 = h.s2;
  for (int i = 0; i < kSamplesPerFrame; i += 2) {
    store(out[i], Arith::sample(Arith::step(c, i, s1, s2)));
    store(out[i + 1], Arith::sample(Arith::step(c, i + 1, s2, s1)));
  }
  h = ChannelHistory{s1, s2};
}

template <typename Arith, typename Out>
void decodeLanes2(const AdpcmFrame& fa, ChannelHistory& ha, Out* outA, const AdpcmFrame& fb, ChannelHistory& hb,
                  Out* outB) {
  Chain a, b;
  startChain(a, fa);
  startChain(b, fb);
  double a1 = ha.s1, a2 = ha.s2, b1 = hb.s1, b2 = hb.s2;
  for (int i = 0; i < kSamplesPerFrame; i += 2) {
    const double x = Arith::step(a, i, a1, a2);
    const double y = Arith::step(b, i, b1, b2);
    store(outA[i], Arith::sample(x));
    store(outB[i], Arith::sample(y));
    const double x2 = Arith::step(a, i + 1, a2, a1);
    const double y2 = Arith::step(b, i + 1, b2, b1);
    store(outA[i + 1], Arith::sample(x2));
    store(outB[i + 1], Arith::sample(y2));
  }
  ha = ChannelHistory{a1, a2};
  hb = ChannelHistory{b1, b2};
}

template <typename Arith, typename Out>
void decodeLanes4(const AdpcmFrame* const f[4], ChannelHistory* const h[4], Out* const out[4]) {
  Chain a, b, c, d;
  startChain(a, *f[0]);
  startChain(b, *f[1]);
  startChain(c, *f[2]);
  startChain(d, *f[3]);
  double a1 = h[0]->s1, a2 = h[0]->s2, b1 = h[1]->s1, b2 = h[1]->s2;
  double c1 = h[2]->s1, c2 = h[2]->s2, d1 = h[3]->s1, d2 = h[3]->s2;
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const double w = Arith::stepShifting(a, i, a1, a2);
    const double x = Arith::stepShifting(b, i, b1, b2);
    const double y = Arith::stepShifting(c, i, c1, c2);
    const double z = Arith::stepShifting(d, i, d1, d2);
    store(out[0][i], Arith::sample(w));
    store(out[1][i], Arith::sample(x));
    store(out[2][i], Arith::sample(y));
    store(out[3][i], Arith::sample(z));
  }
  *h[0] = ChannelHistory{a1, a2};
  *h[1] = ChannelHistory{b1, b2};
  *h[2] = ChannelHistory{c1, c2};
  *h[3] = ChannelHistory{d1, d2};
}

// A frame whose filter has no prediction (0, or 5..15) decodes to its codes alone,
// whatever finite history comes before it: a chain can start afresh there.
bool startsAfresh(const AdpcmFrame& frame) {
  const int filter = frame.value[0] >> 4;
  return filter == 0 || filter >= 5;
}

// The frame nearest the middle of the run (never the first) that starts afresh, or 0.
int splitPoint(const FrameRun& run) {
  const int middle = run.count / 2;
  for (int d = 0; d < middle; ++d) {
    if (startsAfresh(run.frames[middle + d])) return middle + d;
    if (middle - d > 0 && startsAfresh(run.frames[middle - d])) return middle - d;
  }
  return 0;
}

bool isFinite(const ChannelHistory& h) { return std::isfinite(h.s1) && std::isfinite(h.s2); }

// Part of a run, decoded as one chain: `warmUp` frames whose samples are thrown away
// (they only bring the history in), then `count - warmUp` frames whose samples are kept.
template <typename Out>
struct Lane {
  const AdpcmFrame* frames;
  int32_t count;
  int32_t done;
  ChannelHistory history;
  Out* samples;             // the samples of frames[warmUp ..]
  int32_t warmUp = 0;
  ChannelHistory atStart{};  // the history as frames[warmUp] begins
};

// Decodes up to four lanes side by side, a frame of each in turn, until all are done.
// (Eight, tried as well, spill the x87 registers and run slower.)
template <typename Arith, typename Out>
void runLanes(Lane<Out>* lanes, int count) {
  Out discard[kSamplesPerFrame];  // warm-up samples
  for (;;) {
    const AdpcmFrame* frames[4];
    ChannelHistory* histories[4];
    Out* outs[4];
    int active = 0;
    for (int k = 0; k < count; ++k) {
      Lane<Out>& l = lanes[k];
      if (l.done == l.count) continue;
      if (l.done == l.warmUp) l.atStart = l.history;
      frames[active] = &l.frames[l.done];
      histories[active] = &l.history;
      outs[active] = l.done < l.warmUp ? discard
                                       : l.samples + static_cast<std::ptrdiff_t>(l.done - l.warmUp) * kSamplesPerFrame;
      ++l.done;
      ++active;
    }
    if (active == 0) return;
    if (active == 1) {
      decodeLanes1<Arith>(*frames[0], *histories[0], outs[0]);
    } else if (active == 2) {
      decodeLanes2<Arith>(*frames[0], *histories[0], outs[0], *frames[1], *histories[1], outs[1]);
    } else {
      // Three lanes take the four-lane path with a throwaway fourth.
      AdpcmFrame idle{};
      ChannelHistory idleHistory{};
      Out idleOut[kSamplesPerFrame];
      if (active == 3) {
        frames[3] = &idle;
        histories[3] = &idleHistory;
        outs[3] = idleOut;
      }
      decodeLanes4<Arith>(frames, histories, outs);
    }
  }
}

}  // namespace

double stepValue(int32_t t, double s1, double s2, int filter) {
  Chain c;
  c.k0 = kFilterWeights[filter].k0;
  c.k1 = kFilterWeights[filter].k1;
  c.f0 = c.k0 / 64.0;
  c.f1 = c.k1 / 64.0;
  c.t[0] = t;
  return NativeArithmetic::stepShifting(c, 0, s1, s2);
}

int32_t sampleValue(double x) { return NativeArithmetic::sample(x); }

void decodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]) {
  decodeLanes1<NativeArithmetic>(frame, history, out);
}

void decodeRuns(const FrameRun* runs, int count) {
  // Each run splits where a frame starts afresh nearest its middle: the second half
  // decodes from a zero history, alongside the first.
  Lane<int32_t> lanes[4];
  int split[2] = {0, 0};
  int lanesUsed = 0;
  for (int r = 0; r < count; ++r) {
    const FrameRun& run = runs[r];
    const int at = splitPoint(run);
    split[r] = at;
    lanes[lanesUsed++] = Lane<int32_t>{run.frames, at == 0 ? run.count : at, 0, *run.history, run.samples};
    if (at != 0) {
      lanes[lanesUsed++] = Lane<int32_t>{run.frames + at, run.count - at, 0, ChannelHistory{0.0, 0.0},
                                         run.samples + static_cast<std::ptrdiff_t>(at) * kSamplesPerFrame};
    }
  }
  runLanes<NativeArithmetic>(lanes, lanesUsed);
  int lane = 0;
  for (int r = 0; r < count; ++r) {
    const FrameRun& run = runs[r];
    Lane<int32_t>& first = lanes[lane++];
    if (split[r] == 0) {
      *run.history = first.history;
      continue;
    }
    Lane<int32_t>& second = lanes[lane++];
    if (!isFinite(first.history)) {
      // An infinite or NaN history carries through even a frame without prediction
      // (inf * 0 is NaN): the second half decodes again from the real history.
      second.done = 0;
      second.history = first.history;
      runLanes<NativeArithmetic>(&second, 1);
    }
    *run.history = second.history;
  }
}

void decodeChunks(ChainChunk* chunks, int count, bool integerArithmetic) {
  Lane<int16_t> lanes[4];
  for (int k = 0; k < count; ++k) {
    const ChainChunk& c = chunks[k];
    lanes[k] = Lane<int16_t>{c.frames - c.warmUp, c.warmUp + c.count, 0, c.history, c.samples, c.warmUp, c.history};
  }
  if (integerArithmetic) {
    runLanes<IntegerArithmetic>(lanes, count);
  } else {
    runLanes<NativeArithmetic>(lanes, count);
  }
  for (int k = 0; k < count; ++k) {
    chunks[k].history = lanes[k].history;
    // A chunk without frames of its own begins where its warm-up ends.
    chunks[k].atStart = chunks[k].count == 0 ? lanes[k].history : lanes[k].atStart;
  }
}
