#include "decode/avx2_lanes.h"

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "decode/split_step.h"

#define TALVIMO_TARGET __attribute__((target("avx2,fma")))

namespace {

constexpr int kVectors = kAvx2Chunks / 4;  // four doubles to a 256-bit vector
constexpr int kLanes = kAvx2Chunks;        // one chunk per lane
static_assert(kLanes == 4 * kVectors, "whole vectors of four");

// Where each lane stands, four lanes to a vector.
struct Lanes {
  __m256i frame[kVectors];    // address of the next frame to decode
  __m256i left[kVectors];     // frames left, warm-up included (0: idle)
  __m256i toStart[kVectors];  // frames left before the chunk's own (0 or less: in them)
  __m256i out[kVectors];      // address where the chunk's next samples go
};

// What the vectors need of one round of frames, a frame per lane, and what they leave.
struct Round {
  alignas(32) int32_t words[kVectors][4][4];  // per vector, codes 8w .. 8w+7 of each lane in word w, four bits each
  alignas(32) int32_t shift[kVectors][4];     // 16 + the frame's shift
  alignas(32) int64_t filter[kLanes];         // the header's filter nibble, for the rule's own steps
  alignas(32) double weight0[kLanes];
  alignas(32) double weight1[kLanes];
  alignas(32) double scale[kLanes];  // c of the check (split_step.h)
  alignas(32) double s1[kLanes];     // histories between rounds
  alignas(32) double s2[kLanes];
  alignas(32) double x[kSamplesPerFrame][kLanes];     // each step's values
  alignas(32) int16_t out[kSamplesPerFrame][kLanes];  // each step's samples, a lane's in a column
  uint64_t failed[kVectors][2];  // a bit per step and lane whose check failed: bit 4i + l of steps 0..15, then 16..27
};

TALVIMO_TARGET inline __m256d bits(uint64_t value) { return _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<int64_t>(value))); }

// One lane's history value as the steps use it: its halves, and what the check asks of it.
struct Value {
  __m256d high;    // the high half
  __m256d low;     // the low half
  __m256d spread;  // |s| / 2^13
  __m256d floor;   // just below |s|, at most 2^25; 2^25 for zero
};

TALVIMO_TARGET inline Value value(__m256d s, __m256d magnitude) {
  Value v;
  v.high = _mm256_and_pd(s, bits(split_step::kHighHalf));
  v.low = _mm256_sub_pd(s, v.high);
  v.spread = _mm256_mul_pd(magnitude, _mm256_set1_pd(split_step::kSpread));
  // Zero's bits less one are a NaN, for which min gives its second operand: the ceiling.
  const __m256d below = _mm256_castsi256_pd(_mm256_sub_epi64(_mm256_castpd_si256(magnitude), _mm256_set1_epi64x(1)));
  v.floor = _mm256_min_pd(below, _mm256_set1_pd(split_step::kCeiling));
  return v;
}

TALVIMO_TARGET inline __m256d magnitudeOf(__m256d s) { return _mm256_and_pd(s, bits(split_step::kMagnitude)); }

// The round's 28 steps of every lane, the vectors' steps interleaved. Each step's value
// and sample go to the round, and the steps whose check failed to r.failed. Returns
// whether any did.
TALVIMO_TARGET bool stepRound(Round& r) {
  Value older[kVectors], newer[kVectors];
  __m256d weight0[kVectors], weight1[kVectors], scale[kVectors];
  __m128i shift[kVectors];
  uint64_t failed[kVectors][2] = {};
  for (int v = 0; v < kVectors; ++v) {
    const __m256d s1 = _mm256_load_pd(r.s1 + 4 * v), s2 = _mm256_load_pd(r.s2 + 4 * v);
    newer[v] = value(s1, magnitudeOf(s1));
    older[v] = value(s2, magnitudeOf(s2));
    weight0[v] = _mm256_load_pd(r.weight0 + 4 * v);
    weight1[v] = _mm256_load_pd(r.weight1 + 4 * v);
    scale[v] = _mm256_load_pd(r.scale + 4 * v);
    shift[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(r.shift[v]));
  }
  // The low 16 bits of each of four int32s.
  const __m128i low16 = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
  // Unrolled: each step's code position and failure bits are constants.
#pragma GCC unroll 28
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    for (int v = 0; v < kVectors; ++v) {
      // The scaled code: the nibble in the top four bits of an int32, shifted right
      // arithmetically by 16 + shift (as an int16 code in bits 12..15 by shift); exact.
      const __m128i word = _mm_load_si128(reinterpret_cast<const __m128i*>(r.words[v][i >> 3]));
      const __m128i top = _mm_and_si128(_mm_slli_epi32(word, 28 - 4 * (i & 7)), _mm_set1_epi32(static_cast<int32_t>(0xF0000000u)));
      const __m256d t = _mm256_cvtepi32_pd(_mm_srav_epi32(top, shift[v]));
      const __m256d a = _mm256_fmadd_pd(newer[v].high, weight0[v], t);
      const __m256d high = _mm256_fmadd_pd(older[v].high, weight1[v], a);
      const __m256d low = _mm256_fmadd_pd(newer[v].low, weight0[v], _mm256_mul_pd(older[v].low, weight1[v]));
      const __m256d x = _mm256_add_pd(high, low);
      const __m256d magnitude = magnitudeOf(x);
      // max gives its second operand where either is NaN: a NaN x fails the check.
      __m256d above = _mm256_max_pd(newer[v].spread, older[v].spread);
      above = _mm256_max_pd(above, _mm256_mul_pd(magnitudeOf(a), scale[v]));
      above = _mm256_max_pd(_mm256_set1_pd(split_step::kLeast), above);
      above = _mm256_max_pd(above, _mm256_mul_pd(magnitude, _mm256_set1_pd(split_step::kGrowth)));
      const __m256d ok = _mm256_cmp_pd(above, _mm256_min_pd(newer[v].floor, older[v].floor), _CMP_LE_OQ);
      failed[v][i >> 4] |= static_cast<uint64_t>(~_mm256_movemask_pd(ok) & 0xF) << (4 * (i & 15));
      _mm256_store_pd(r.x[i] + 4 * v, x);
      const __m128i sample = _mm256_cvttpd_epi32(_mm256_add_pd(x, _mm256_set1_pd(split_step::kSampleOffset)));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(r.out[i] + 4 * v), _mm_shuffle_epi8(sample, low16));
      older[v] = newer[v];
      newer[v] = value(x, magnitude);
    }
  }
  uint64_t any = 0;
  for (int v = 0; v < kVectors; ++v) {
    r.failed[v][0] = failed[v][0];
    r.failed[v][1] = failed[v][1];
    any |= failed[v][0] | failed[v][1];
  }
  return any != 0;
}

// The scaled code of step i of lane l, as stepRound has it.
int32_t codeOf(const Round& r, int l, int i) {
  const uint32_t word = static_cast<uint32_t>(r.words[l / 4][i >> 3][l % 4]);
  const int32_t top = static_cast<int32_t>((word << (28 - 4 * (i & 7))) & 0xF0000000u);
  return top >> r.shift[l / 4][l % 4];
}

// Takes step i of lane l by the rule, from the history before it: its value and sample.
double ruleStep(Round& r, int l, int i) {
  const double s1 = i >= 1 ? r.x[i - 1][l] : r.s1[l];
  const double s2 = i >= 2 ? r.x[i - 2][l] : i == 1 ? r.s1[l] : r.s2[l];
  const double x = stepValue(codeOf(r, l, i), s1, s2, static_cast<int>(r.filter[l]));
  r.out[i][l] = static_cast<int16_t>(static_cast<uint16_t>(sampleValue(x)));
  return x;
}

// The steps whose check failed, in order, are taken again by the rule (stepValue) from
// the history before them. Where the rule agrees (most often: the check is cautious),
// the vectors' value stands, and only its sample is taken again; where it does not, the
// rule takes the rest of the lane's frame. Returns the steps the rule took.
[[gnu::noinline]] int64_t redoSteps(Round& r) {
  int64_t steps = 0;
  for (int v = 0; v < kVectors; ++v) {
    unsigned diverged = 0;  // lanes whose rest of the frame the rule took
    for (int half = 0; half < 2; ++half) {
      for (uint64_t bits = r.failed[v][half]; bits != 0; bits &= bits - 1) {
        const int bit = std::countr_zero(bits);
        const int lane = bit & 3, i = 16 * half + bit / 4, l = 4 * v + lane;
        if (diverged >> lane & 1) continue;
        const double x = ruleStep(r, l, i);
        ++steps;
        if (std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(r.x[i][l])) continue;
        r.x[i][l] = x;
        for (int j = i + 1; j < kSamplesPerFrame; ++j, ++steps) r.x[j][l] = ruleStep(r, l, j);
        diverged |= 1u << lane;
      }
    }
  }
  return steps;
}

// One round: 28 steps of every lane; the histories move on. Returns the rule's own steps.
TALVIMO_TARGET int64_t decodeRound(Round& r) {
  const int64_t byRule = stepRound(r) ? redoSteps(r) : 0;
  for (int l = 0; l < kLanes; l += 4) {
    _mm256_store_pd(r.s1 + l, _mm256_load_pd(r.x[kSamplesPerFrame - 1] + l));
    _mm256_store_pd(r.s2 + l, _mm256_load_pd(r.x[kSamplesPerFrame - 2] + l));
  }
  return byRule;
}

// What a lane without frames left decodes: codes 0 under filter 0, from a zero history,
// which the check always passes.
constexpr AdpcmFrame kIdleFrame{};

// The weights of the sixteen header nibbles, as doubles, and c of the check, for gathers.
struct alignas(32) WeightTable {
  double k0[16];
  double k1[16];
  double scale[16];
};
constexpr WeightTable makeWeightTable() {
  WeightTable t{};
  for (int f = 0; f < 16; ++f) {
    t.k0[f] = kFilterWeights[f].k0 / 64.0;
    t.k1[f] = kFilterWeights[f].k1 / 64.0;
    t.scale[f] = split_step::firstSumScale(kFilterWeights[f].k0);
  }
  return t;
}
constexpr WeightTable kWeightTable = makeWeightTable();

// The low 32 bits of each of the four 64-bit lanes of a and then of b, as eight int32s.
TALVIMO_TARGET inline __m256i lowHalves(__m256i a, __m256i b) {
  const __m256i mixed = _mm256_blend_epi32(a, _mm256_slli_epi64(b, 32), 0xAA);
  return _mm256_permutevar8x32_epi32(mixed, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
}

// Takes the next frame of every active lane into the round, by gathers; the others take
// the idle frame. A chunk whose own frames begin here records its history.
TALVIMO_TARGET void loadRound(Round& r, const Lanes& lanes, const __m256i (&active)[kVectors], ChainChunk* chunks) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low4 = _mm256_set1_epi64x(0x0F);
  for (int v = 0; v < kVectors; ++v) {
    const __m256i starting = _mm256_and_si256(active[v], _mm256_cmpeq_epi64(lanes.toStart[v], zero));
    for (int bit = _mm256_movemask_pd(_mm256_castsi256_pd(starting)), k = 4 * v; bit != 0; bit >>= 1, ++k) {
      if (bit & 1) chunks[k].atStart = ChannelHistory{r.s1[k], r.s2[k]};
    }
    const __m256i address =
        _mm256_blendv_epi8(_mm256_set1_epi64x(reinterpret_cast<int64_t>(&kIdleFrame)), lanes.frame[v], active[v]);
    const __m256i head = _mm256_i64gather_epi64(nullptr, address, 1);  // bytes 0..7
    const __m256i tail = _mm256_i64gather_epi64(nullptr, _mm256_add_epi64(address, _mm256_set1_epi64x(8)), 1);  // 8..15
    // Codes 0..7 are bytes 2..5, 8..15 bytes 6..9, 16..23 bytes 10..13, 24..27 bytes 14..15.
    const __m256i words01 = lowHalves(_mm256_srli_epi64(head, 16), _mm256_or_si256(_mm256_srli_epi64(head, 48), _mm256_slli_epi64(tail, 16)));
    const __m256i words23 = lowHalves(_mm256_srli_epi64(tail, 16), _mm256_srli_epi64(tail, 48));
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.words[v][0]), words01);
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.words[v][2]), words23);
    const __m256i shift = _mm256_and_si256(head, low4);
    _mm_store_si128(reinterpret_cast<__m128i*>(r.shift[v]),
                    _mm256_castsi256_si128(lowHalves(_mm256_add_epi64(shift, _mm256_set1_epi64x(16)), zero)));
    const __m256i filter = _mm256_and_si256(_mm256_srli_epi64(head, 4), low4);
    _mm256_store_si256(reinterpret_cast<__m256i*>(r.filter + 4 * v), filter);
    _mm256_store_pd(r.weight0 + 4 * v, _mm256_i64gather_pd(kWeightTable.k0, filter, 8));
    _mm256_store_pd(r.weight1 + 4 * v, _mm256_i64gather_pd(kWeightTable.k1, filter, 8));
    _mm256_store_pd(r.scale + 4 * v, _mm256_i64gather_pd(kWeightTable.scale, filter, 8));
  }
}

// Writes the round's samples of one vector's four lanes as columns: lane l's go to
// out[l][0 .. 27]. `rows` is the vector's first sample; rows are kLanes apart.
TALVIMO_TARGET inline void storeColumns(const int16_t* rows, int16_t* const out[4]) {
  static_assert(kSamplesPerFrame == 28, "three blocks of eight rows and one of four");
  for (int first = 0; first < kSamplesPerFrame; first += 8) {
    const int count = first + 8 <= kSamplesPerFrame ? 8 : 4;
    __m128i row[8];
    for (int i = 0; i < 8; ++i) {
      row[i] = i < count ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows + (first + i) * kLanes)) : _mm_setzero_si128();
    }
    const __m128i a0 = _mm_unpacklo_epi16(row[0], row[1]), a1 = _mm_unpacklo_epi16(row[2], row[3]);
    const __m128i a2 = _mm_unpacklo_epi16(row[4], row[5]), a3 = _mm_unpacklo_epi16(row[6], row[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a1), b1 = _mm_unpackhi_epi32(a0, a1);  // lanes 0, 1 and 2, 3 of rows 0..3
    const __m128i b2 = _mm_unpacklo_epi32(a2, a3), b3 = _mm_unpackhi_epi32(a2, a3);  // of rows 4..7
    const __m128i column[4] = {_mm_unpacklo_epi64(b0, b2), _mm_unpackhi_epi64(b0, b2), _mm_unpacklo_epi64(b1, b3),
                               _mm_unpackhi_epi64(b1, b3)};
    for (int l = 0; l < 4; ++l) {
      if (count == 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[l] + first), column[l]);
      } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[l] + first), column[l]);
      }
    }
  }
}

// Hands the round's samples to the chunks that keep them (warm-up and idle lanes write to
// a scrap column) and moves every active lane on. A chunk that ends here records its
// history, and its lane goes idle from a zero history.
TALVIMO_TARGET void storeRound(Round& r, Lanes& lanes, const __m256i (&active)[kVectors], ChainChunk* chunks) {
  int16_t scrap[kSamplesPerFrame];
  const __m256i zero = _mm256_setzero_si256();
  for (int v = 0; v < kVectors; ++v) {
    const __m256i own = _mm256_andnot_si256(_mm256_cmpgt_epi64(lanes.toStart[v], zero), active[v]);
    alignas(32) int16_t* out[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(out),
                       _mm256_blendv_epi8(_mm256_set1_epi64x(reinterpret_cast<int64_t>(scrap)), lanes.out[v], own));
    storeColumns(r.out[0] + 4 * v, out);
    // The masks are all ones (-1) where set: subtracting one adds one.
    lanes.frame[v] = _mm256_add_epi64(lanes.frame[v], _mm256_and_si256(active[v], _mm256_set1_epi64x(kFrameBytes)));
    lanes.out[v] = _mm256_add_epi64(lanes.out[v], _mm256_and_si256(own, _mm256_set1_epi64x(kSamplesPerFrame * 2)));
    lanes.toStart[v] = _mm256_add_epi64(lanes.toStart[v], active[v]);
    lanes.left[v] = _mm256_add_epi64(lanes.left[v], active[v]);
    const __m256i ending = _mm256_and_si256(active[v], _mm256_cmpeq_epi64(lanes.left[v], zero));
    for (int bit = _mm256_movemask_pd(_mm256_castsi256_pd(ending)), k = 4 * v; bit != 0; bit >>= 1, ++k) {
      if (!(bit & 1)) continue;
      chunks[k].history = ChannelHistory{r.s1[k], r.s2[k]};
      r.s1[k] = r.s2[k] = 0.0;
    }
  }
}

// Up to kLanes chunks, one to a lane.
TALVIMO_TARGET int64_t decodeGroup(ChainChunk* chunks, int count) {
  LaneStarts<kLanes> starts;
  startLanes(chunks, count, starts);
  Round round{};
  std::memcpy(round.s1, starts.s1, sizeof round.s1);
  std::memcpy(round.s2, starts.s2, sizeof round.s2);
  Lanes lanes;
  for (int v = 0; v < kVectors; ++v) {
    lanes.frame[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(starts.frame + 4 * v));
    lanes.left[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(starts.left + 4 * v));
    lanes.toStart[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(starts.toStart + 4 * v));
    lanes.out[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(starts.out + 4 * v));
  }
  int64_t byRule = 0;
  for (;;) {
    __m256i active[kVectors];
    int any = 0;
    for (int v = 0; v < kVectors; ++v) {
      active[v] = _mm256_cmpgt_epi64(lanes.left[v], _mm256_setzero_si256());
      any |= _mm256_movemask_pd(_mm256_castsi256_pd(active[v]));
    }
    if (any == 0) break;
    loadRound(round, lanes, active, chunks);
    byRule += decodeRound(round);
    storeRound(round, lanes, active, chunks);
  }
  settleEmptyChunks(chunks, count);
  return byRule;
}

}  // namespace

bool avx2LanesSupported() {
  static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return available;
}

int64_t decodeChunksAvx2(ChainChunk* chunks, int count) {
  int64_t byRule = 0;
  for (int k = 0; k < count; k += kLanes) byRule += decodeGroup(chunks + k, count - k < kLanes ? count - k : kLanes);
  return byRule;
}
