// Up to four chains side by side, one sample of each in turn, by one of the scalar
// arithmetics: each chain's latency hides behind the others'.
#include "decode/scalar_lanes.h"

#include <cmath>
#include <cstddef>

#include "decode/rule_arithmetic.h"
#include "decode/x87_control.h"

namespace {

// Samples are kept whole (int32, modulo 2^32) or as the low 16 bits that a WAV keeps.
inline void store(int32_t& out, int32_t sample) { out = sample; }
inline void store(int16_t& out, int32_t sample) { out = static_cast<int16_t>(static_cast<uint16_t>(sample)); }

// One frame each of one, two or four independent chains, one sample of each chain in
// turn, so that each chain's latency hides behind the others'. One or two chains take
// two samples a step, s1 and s2 trading places (a frame has an even number of samples):
// nothing is copied along the chain, which is all that bounds them (measured: 9.3
// against 11.6 ns per sample for one). Written out per count (rather than as loops over
// arrays) so that every sum stays in an x87 register.
template <typename Arith, typename Out>
void decodeLanes1(const AdpcmFrame& f, ChannelHistory& h, Out* out) {
  FrameCodes c;
  readCodes(c, f);
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
  FrameCodes a, b;
  readCodes(a, fa);
  readCodes(b, fb);
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

// Kept out of its callers: inlined, the compiler spilled the x87's sums as 80-bit values
// (measured: 5.0 against 4.2 ns per sample).
template <typename Arith, typename Out>
[[gnu::noinline]] void decodeLanes4(const AdpcmFrame* const f[kScalarChunks], ChannelHistory* const h[kScalarChunks],
                  Out* const out[kScalarChunks]) {
  FrameCodes a, b, c, d;
  readCodes(a, *f[0]);
  readCodes(b, *f[1]);
  readCodes(c, *f[2]);
  readCodes(d, *f[3]);
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
  const int filter = frameFilter(frame.value[kHeaderByte]);
  return filter == 0 || filter >= kFilters;
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

// Decodes up to kScalarChunks lanes side by side, a frame of each in turn, until all are done.
// (Eight, tried as well, spill the x87 registers and run slower.)
template <typename Arith, typename Out>
void runLanes(Lane<Out>* lanes, int count) {
  Out discard[kSamplesPerFrame];  // warm-up samples
  for (;;) {
    const AdpcmFrame* frames[kScalarChunks];
    ChannelHistory* histories[kScalarChunks];
    Out* outs[kScalarChunks];
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

template <typename Arith>
void decodeChunksBy(ChainChunk* chunks, int count) {
  Lane<int16_t> lanes[kScalarChunks];
  for (int k = 0; k < count; ++k) {
    const ChainChunk& c = chunks[k];
    lanes[k] = Lane<int16_t>{c.frames - c.warmUp, c.warmUp + c.count, 0, c.history, c.samples, c.warmUp, c.history};
  }
  runLanes<Arith>(lanes, count);
  for (int k = 0; k < count; ++k) {
    chunks[k].history = lanes[k].history;
    // A chunk without frames of its own begins where its warm-up ends.
    chunks[k].atStart = chunks[k].count == 0 ? lanes[k].history : lanes[k].atStart;
  }
}

}  // namespace

void decodeRuns(const FrameRun* runs, int count) {
  const RulePrecision precision;
  // Each run splits where a frame starts afresh nearest its middle: the second half
  // decodes from a zero history, alongside the first.
  Lane<int32_t> lanes[2 * 2];  // two runs, each split in two
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
  runLanes<RuleArithmetic>(lanes, lanesUsed);
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
      runLanes<RuleArithmetic>(&second, 1);
    }
    *run.history = second.history;
  }
}

void decodeChunksX87(ChainChunk* chunks, int count) {
  const RulePrecision precision;
  decodeChunksBy<X87Arithmetic>(chunks, count);
}

void decodeChunksInteger(ChainChunk* chunks, int count) { decodeChunksBy<IntegerArithmetic>(chunks, count); }
