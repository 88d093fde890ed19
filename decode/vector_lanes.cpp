#include "decode/vector_lanes.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "decode/split_step.h"

namespace {

constexpr int kLanes = kVectorChunks;  // one chunk per lane
constexpr int kPairs = kLanes / 2;     // two lanes to a vector
static_assert(kLanes == 2 * kPairs, "whole vectors of two");

// Two doubles, and two 64-bit and 32-bit integers: one register each on ARM64 (NEON) and
// x86-64 (SSE2). Wider vector types would be the compiler's to split, and GCC turns
// their comparisons into scalar code.
typedef double Pair __attribute__((vector_size(16)));
typedef int64_t PairBits __attribute__((vector_size(16)));
typedef int32_t PairInts __attribute__((vector_size(8)));

[[gnu::always_inline]] inline PairBits bitsOf(const Pair& x) { return std::bit_cast<PairBits>(x); }
[[gnu::always_inline]] inline Pair pairOf(const PairBits& w) { return std::bit_cast<Pair>(w); }
[[gnu::always_inline]] inline Pair splat(double value) { return Pair{value, value}; }
[[gnu::always_inline]] inline PairBits splat(int64_t value) { return PairBits{value, value}; }

// Written so, they are one instruction on x86-64 (maxpd, minpd): b where either is NaN.
[[gnu::always_inline]] inline Pair larger(const Pair& a, const Pair& b) { return a > b ? a : b; }
[[gnu::always_inline]] inline Pair smaller(const Pair& a, const Pair& b) { return a < b ? a : b; }

// One history value of two lanes as the steps use it: its halves, and what the check
// asks of it.
struct Value {
  Pair high;    // the high half
  Pair low;     // the low half
  Pair spread;  // |s| / 2^13
  Pair floor;   // just below |s|, at most 2^25; 2^25 for zero
};

[[gnu::always_inline]] inline Pair magnitudeOf(const Pair& s) {
  return pairOf(bitsOf(s) & splat(static_cast<int64_t>(split_step::kMagnitude)));
}

[[gnu::always_inline]] inline Value valueOf(const Pair& s, const Pair& magnitude) {
  Value v;
  v.high = pairOf(bitsOf(s) & splat(static_cast<int64_t>(split_step::kHighHalf)));
  v.low = s - v.high;
  v.spread = magnitude * split_step::kSpread;
  // Zero's bits less one are a NaN, for which smaller gives the ceiling.
  v.floor = smaller(pairOf(bitsOf(magnitude) - 1), splat(split_step::kCeiling));
  return v;
}

// What the vectors need of one round of frames, a frame per lane, and what they leave;
// lane l is element l % 2 of vector l / 2.
struct Round {
  Pair t[kSamplesPerFrame][kPairs];  // each step's scaled codes
  Pair weight0[kPairs];
  Pair weight1[kPairs];
  Pair scale[kPairs];  // c of the check (split_step.h)
  Pair s1[kPairs];     // histories between rounds
  Pair s2[kPairs];
  Pair x[kSamplesPerFrame][kPairs];        // each step's values
  PairBits ok[kSamplesPerFrame][kPairs];   // each step's check: all ones where it holds
  PairInts out[kSamplesPerFrame][kPairs];  // each step's samples
  int filter[kLanes];                      // the header's filter nibble, for the rule's own steps
};

inline double get(const Pair* a, int l) { return a[l / 2][l % 2]; }
inline void set(Pair* a, int l, double value) { a[l / 2][l % 2] = value; }

// The round's 28 steps of every lane, the vectors' steps interleaved so that each one's
// chain hides behind the others'. Each step's value, check and sample go to the round.
// Returns whether every lane's check held at every step.
bool stepRound(Round& r) {
  Value newer[kPairs], older[kPairs];
  PairBits all[kPairs];
  for (int v = 0; v < kPairs; ++v) {
    newer[v] = valueOf(r.s1[v], magnitudeOf(r.s1[v]));
    older[v] = valueOf(r.s2[v], magnitudeOf(r.s2[v]));
    all[v] = splat(int64_t{-1});
  }
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    for (int v = 0; v < kPairs; ++v) {
      const Pair a = r.t[i][v] + newer[v].high * r.weight0[v];
      const Pair high = a + older[v].high * r.weight1[v];
      const Pair low = newer[v].low * r.weight0[v] + older[v].low * r.weight1[v];
      const Pair x = high + low;
      const Pair magnitude = magnitudeOf(x);
      // larger gives its second operand where either is NaN: a NaN x, last, fails the
      // check. (One comparison: GCC turns a mask made of two into scalar code where it is
      // used.)
      Pair above = larger(newer[v].spread, older[v].spread);
      above = larger(above, magnitudeOf(a) * r.scale[v]);
      above = larger(above, splat(split_step::kLeast));
      above = larger(above, magnitude * split_step::kGrowth);
      const PairBits ok = above <= smaller(newer[v].floor, older[v].floor);
      all[v] &= ok;
      r.x[i][v] = x;
      r.ok[i][v] = ok;
      // Lanes that fail convert zero instead: the conversion stays within the int32 range.
      r.out[i][v] = __builtin_convertvector(pairOf(bitsOf(x) & ok) + split_step::kSampleOffset, PairInts);
      older[v] = newer[v];
      newer[v] = valueOf(x, magnitude);
    }
  }
  PairBits held = all[0];
  for (int v = 1; v < kPairs; ++v) held &= all[v];
  return held[0] != 0 && held[1] != 0;
}

// The lanes whose check failed somewhere. Each step that failed is taken again by the
// rule (stepValue), from the history before it; where the rule agrees (most often: the
// check is cautious), the vector's value stands, and only its sample is taken again;
// where it does not, the rule takes the rest of the lane's frame. Returns the steps the
// rule took.
int64_t redoLanes(Round& r) {
  int64_t steps = 0;
  for (int l = 0; l < kLanes; ++l) {
    double s1 = get(r.s1, l), s2 = get(r.s2, l);
    bool diverged = false;
    for (int i = 0; i < kSamplesPerFrame; ++i) {
      if (diverged || r.ok[i][l / 2][l % 2] == 0) {
        const double x = stepValue(static_cast<int32_t>(get(r.t[i], l)), s1, s2, r.filter[l]);
        ++steps;
        diverged = diverged || std::bit_cast<uint64_t>(x) != std::bit_cast<uint64_t>(get(r.x[i], l));
        set(r.x[i], l, x);
        r.out[i][l / 2][l % 2] = sampleValue(x);
      }
      s2 = s1;
      s1 = get(r.x[i], l);
    }
  }
  return steps;
}

// Where each lane stands.
struct Lanes {
  const AdpcmFrame* frame[kLanes];  // the next frame to decode
  int32_t left[kLanes];             // frames left, warm-up included (0: idle)
  int32_t toStart[kLanes];          // frames left before the chunk's own (0 or less: in them)
  int16_t* out[kLanes];             // where the chunk's next samples go
};

// What a lane without frames left decodes: codes 0 under filter 0, from a zero history,
// which the check always passes.
constexpr AdpcmFrame kIdleFrame{};

// Takes the next frame of every active lane into the round (the others take the idle
// frame). A chunk whose own frames begin here records its history.
void loadRound(Round& r, const Lanes& lanes, ChainChunk* chunks) {
  for (int l = 0; l < kLanes; ++l) {
    const bool active = lanes.left[l] > 0;
    if (active && lanes.toStart[l] == 0) chunks[l].atStart = ChannelHistory{get(r.s1, l), get(r.s2, l)};
    const AdpcmFrame& f = active ? *lanes.frame[l] : kIdleFrame;
    const int header = f.value[0];
    const int shift = header & 0x0F;
    const FilterWeights& weights = kFilterWeights[header >> 4];
    r.filter[l] = header >> 4;
    set(r.weight0, l, weights.k0 / 64.0);
    set(r.weight1, l, weights.k1 / 64.0);
    set(r.scale, l, split_step::firstSumScale(weights.k0));
    for (int j = 0; j < kSamplesPerFrame / 2; ++j) {
      const int byte = f.value[2 + j];  // low nibble first, each into bits 12..15
      set(r.t[2 * j], l, static_cast<int16_t>(static_cast<uint16_t>((byte & 0x0F) << 12)) >> shift);
      set(r.t[2 * j + 1], l, static_cast<int16_t>(static_cast<uint16_t>((byte & 0xF0) << 8)) >> shift);
    }
  }
}

// Hands the round's samples to the chunks that keep them and moves every active lane
// on. A chunk that ends here records its history, and its lane goes idle from a zero
// history.
void storeRound(Round& r, Lanes& lanes, ChainChunk* chunks) {
  for (int l = 0; l < kLanes; ++l) {
    if (lanes.left[l] <= 0) continue;
    if (lanes.toStart[l] <= 0) {
      for (int i = 0; i < kSamplesPerFrame; ++i) lanes.out[l][i] = static_cast<int16_t>(r.out[i][l / 2][l % 2]);
      lanes.out[l] += kSamplesPerFrame;
    }
    lanes.frame[l] += 1;
    lanes.toStart[l] -= 1;
    if (--lanes.left[l] == 0) {
      chunks[l].history = ChannelHistory{get(r.s1, l), get(r.s2, l)};
      set(r.s1, l, 0.0);
      set(r.s2, l, 0.0);
    }
  }
}

// Up to kLanes chunks, one to a lane.
int64_t decodeGroup(ChainChunk* chunks, int count) {
  Lanes lanes{};
  Round round{};  // lanes without a chunk stay idle, from a zero history
  for (int k = 0; k < count; ++k) {
    const ChainChunk& c = chunks[k];
    lanes.frame[k] = c.frames - c.warmUp;
    lanes.left[k] = c.warmUp + c.count;
    lanes.toStart[k] = c.warmUp;
    lanes.out[k] = c.samples;
    if (lanes.left[k] > 0) {
      set(round.s1, k, c.history.s1);
      set(round.s2, k, c.history.s2);
    }
  }
  int64_t byRule = 0;
  for (;;) {
    bool any = false;
    for (int k = 0; k < count; ++k) any = any || lanes.left[k] > 0;
    if (!any) break;
    loadRound(round, lanes, chunks);
    if (!stepRound(round)) byRule += redoLanes(round);
    for (int v = 0; v < kPairs; ++v) {
      round.s1[v] = round.x[kSamplesPerFrame - 1][v];
      round.s2[v] = round.x[kSamplesPerFrame - 2][v];
    }
    storeRound(round, lanes, chunks);
  }
  settleEmptyChunks(chunks, count);
  return byRule;
}

}  // namespace

int64_t decodeChunksVector(ChainChunk* chunks, int count) {
  int64_t byRule = 0;
  for (int k = 0; k < count; k += kLanes) byRule += decodeGroup(chunks + k, count - k < kLanes ? count - k : kLanes);
  return byRule;
}
