#include "decode/avx512_lanes.h"

#include <immintrin.h>

// GCC 12's AVX-512 headers fill unused operands with a self-initialised placeholder,
// which -Wuninitialized reports wherever the intrinsics are inlined.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#define TALVIMO_TARGET __attribute__((target("avx512f,avx512dq,avx512vl,fma")))

namespace {

constexpr int kLanes = kAvx512Chunks;  // one chunk per lane of a vector
static_assert(kLanes == 8, "eight doubles to a 512-bit vector");

// s + e = a + b exactly, s the double nearest a + b (no overflow).
TALVIMO_TARGET inline void twoSum(__m512d a, __m512d b, __m512d& s, __m512d& e) {
  s = _mm512_add_pd(a, b);
  const __m512d bb = _mm512_sub_pd(s, a);
  e = _mm512_add_pd(_mm512_sub_pd(a, _mm512_sub_pd(s, bb)), _mm512_sub_pd(b, bb));
}

// The same where a is zero or |a| >= |b|.
TALVIMO_TARGET inline void fastTwoSum(__m512d a, __m512d b, __m512d& s, __m512d& e) {
  s = _mm512_add_pd(a, b);
  e = _mm512_sub_pd(b, _mm512_sub_pd(s, a));
}

// Of the lanes in k, those where hi + lo (|lo| at most half an ulp of hi, as the sums
// leave it) has a 64-bit significand: lo a multiple of 2^(E - 63), E the exponent of hi.
// c = 1.5 * 2^(E - 11) has that ulp, and lo is too small to move it out of its binade:
// lo + c - c gives lo back exactly when lo is such a multiple. (Where hi is zero or
// subnormal, c is some huge value: then only lo = 0 passes, and lo is 0 there.)
TALVIMO_TARGET inline __mmask8 fits64(__mmask8 k, __m512d hi, __m512d lo) {
  const __m512i field = _mm512_and_si512(_mm512_castpd_si512(hi), _mm512_set1_epi64(0x7FF0000000000000LL));
  const __m512d c = _mm512_castsi512_pd(_mm512_add_epi64(field, _mm512_set1_epi64(-(11LL << 52) + (1LL << 51))));
  return _mm512_mask_cmp_pd_mask(k, _mm512_sub_pd(_mm512_add_pd(lo, c), c), lo, _CMP_EQ_OQ);
}

// Lanes whose value is zero or at least 2^-960: their products by the weights and the
// products' errors are normal doubles (or zero), so every split is exact.
TALVIMO_TARGET inline __mmask8 inRange(__m512d x) {
  const __m512i magnitude = _mm512_and_si512(_mm512_castpd_si512(x), _mm512_set1_epi64(0x7FFFFFFFFFFFFFFFLL));
  const __m512i below = _mm512_sub_epi64(magnitude, _mm512_set1_epi64(1));  // zero wraps to the largest
  return _mm512_cmpge_epu64_mask(below, _mm512_set1_epi64(((1023LL - 960) << 52) - 1));
}

// Where each lane stands.
struct Lanes {
  __m512i frame;    // address of the next frame to decode
  __m512i left;     // frames left, warm-up included (0: idle)
  __m512i toStart;  // frames left before the chunk's own (0 or less: in them)
  __m512i out;      // address where the chunk's next samples go
};

// What the vectors need of one round of frames, a frame per lane.
struct alignas(64) Round {
  int64_t low[kLanes];    // codes 0..15, four bits each
  int64_t high[kLanes];   // codes 16..27
  int64_t shift[kLanes];  // 48 + the frame's shift
  int64_t filter[kLanes];  // the header's filter nibble, for the x87's steps
  double weight0[kLanes];
  double weight1[kLanes];
  double s1[kLanes];  // histories between rounds
  double s2[kLanes];
  int16_t out[kSamplesPerFrame][kLanes];  // each step's samples, a lane's in a column
};

// The scaled code of sample i in every lane: the code in the top bits of a 64-bit word,
// shifted right arithmetically (as an int16 code in bits 12..15 shifted right by the
// frame's shift), then made a double (exact).
TALVIMO_TARGET inline __m512d code(const Round& r, int i) {
  const __m512i words = _mm512_load_si512(i < 16 ? r.low : r.high);
  const int position = 4 * (i & 15);
  const __m512i top = _mm512_and_si512(_mm512_sll_epi64(words, _mm_cvtsi32_si128(60 - position)),
                                       _mm512_set1_epi64(static_cast<int64_t>(0xF000000000000000ULL)));
  return _mm512_cvtepi64_pd(_mm512_srav_epi64(top, _mm512_load_si512(r.shift)));
}

// The samples of eight values, each trunc(x + 0.5) modulo 2^32, low 16 bits kept. The sum
// is rounded toward zero, which keeps it on the same side of every integer as the exact
// sum; lanes out of the int32 range (and NaNs) are left to sampleValue.
TALVIMO_TARGET inline void storeSamples(__m512d x, int16_t* out) {
  const __m512d sum = _mm512_add_round_pd(x, _mm512_set1_pd(0.5), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  __m256i whole = _mm512_cvtt_roundpd_epi32(sum, _MM_FROUND_NO_EXC);
  const __mmask8 odd = _mm256_cmpeq_epi32_mask(whole, _mm256_set1_epi32(INT32_MIN));
  if (odd != 0) [[unlikely]] {
    alignas(64) double values[kLanes];
    alignas(32) int32_t samples[kLanes];
    _mm512_store_pd(values, x);
    _mm256_store_si256(reinterpret_cast<__m256i*>(samples), whole);
    for (int l = 0; l < kLanes; ++l) {
      if (odd >> l & 1) samples[l] = sampleValue(values[l]);
    }
    whole = _mm256_load_si256(reinterpret_cast<const __m256i*>(samples));
  }
  _mm_store_si128(reinterpret_cast<__m128i*>(out), _mm256_cvtepi32_epi16(whole));
}

// What a lane without frames left decodes: codes 0 under filter 0, from a zero history,
// which never needs the x87.
constexpr AdpcmFrame kIdleFrame{};

// The weights of the sixteen header nibbles, as doubles, for a table lookup in vectors.
struct alignas(64) WeightTable {
  double k0[16];
  double k1[16];
};
constexpr WeightTable makeWeightTable() {
  WeightTable t{};
  for (int f = 0; f < 16; ++f) {
    t.k0[f] = kFilterWeights[f].k0 / 64.0;
    t.k1[f] = kFilterWeights[f].k1 / 64.0;
  }
  return t;
}
constexpr WeightTable kWeightTable = makeWeightTable();

// The eight bytes at each lane's address + offset.
TALVIMO_TARGET inline __m512i gatherWords(__m512i address, int64_t offset) {
  return _mm512_i64gather_epi64(_mm512_add_epi64(address, _mm512_set1_epi64(offset)), nullptr, 1);
}

// Takes the next frame of every active lane into the round, by gathers; the others take
// the idle frame. A chunk whose own frames begin here records its history.
TALVIMO_TARGET void loadRound(Round& r, const Lanes& lanes, __mmask8 active, ChainChunk* chunks) {
  const __mmask8 starting = _mm512_mask_cmpeq_epi64_mask(active, lanes.toStart, _mm512_setzero_si512());
  for (int k = 0; starting != 0 && k < kLanes; ++k) {
    if (starting >> k & 1) chunks[k].atStart = ChannelHistory{r.s1[k], r.s2[k]};
  }
  const __m512i address =
      _mm512_mask_blend_epi64(active, _mm512_set1_epi64(reinterpret_cast<int64_t>(&kIdleFrame)), lanes.frame);
  const __m512i low4 = _mm512_set1_epi64(0x0F);
  const __m512i header = gatherWords(address, 0);  // bytes 0..7
  _mm512_store_si512(r.low, gatherWords(address, 2));
  _mm512_store_si512(r.high, _mm512_srli_epi64(gatherWords(address, 8), 16));
  _mm512_store_si512(r.shift, _mm512_add_epi64(_mm512_and_si512(header, low4), _mm512_set1_epi64(48)));
  const __m512i filter = _mm512_and_si512(_mm512_srli_epi64(header, 4), low4);
  _mm512_store_si512(r.filter, filter);
  _mm512_store_pd(r.weight0, _mm512_permutex2var_pd(_mm512_load_pd(kWeightTable.k0), filter, _mm512_load_pd(kWeightTable.k0 + 8)));
  _mm512_store_pd(r.weight1, _mm512_permutex2var_pd(_mm512_load_pd(kWeightTable.k1), filter, _mm512_load_pd(kWeightTable.k1 + 8)));
}

// Writes up to eight rows of eight samples (a sample of each lane per row) as columns:
// lane l's samples go to out[l][first ..].
TALVIMO_TARGET inline void storeColumns(const int16_t (*rows)[kLanes], int count, int16_t* const out[kLanes], int first) {
  __m128i r[8];
  for (int i = 0; i < 8; ++i) {
    r[i] = i < count ? _mm_load_si128(reinterpret_cast<const __m128i*>(rows[i])) : _mm_setzero_si128();
  }
  __m128i a[8], b[8];
  for (int i = 0; i < 4; ++i) {
    a[2 * i] = _mm_unpacklo_epi16(r[2 * i], r[2 * i + 1]);      // lanes 0..3 of two rows
    a[2 * i + 1] = _mm_unpackhi_epi16(r[2 * i], r[2 * i + 1]);  // lanes 4..7
  }
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      b[4 * i + 2 * j] = _mm_unpacklo_epi32(a[4 * i + j], a[4 * i + j + 2]);      // two lanes of four rows
      b[4 * i + 2 * j + 1] = _mm_unpackhi_epi32(a[4 * i + j], a[4 * i + j + 2]);  // the next two
    }
  }
  // b[0..3]: lanes (0,1), (2,3), (4,5), (6,7) of rows 0..3; b[4..7]: of rows 4..7.
  for (int pair = 0; pair < 4; ++pair) {
    const __m128i low = _mm_unpacklo_epi64(b[pair], b[4 + pair]);
    const __m128i high = _mm_unpackhi_epi64(b[pair], b[4 + pair]);
    if (count == 8) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2 * pair] + first), low);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2 * pair + 1] + first), high);
    } else {  // four rows
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out[2 * pair] + first), low);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out[2 * pair + 1] + first), high);
    }
  }
}

// Hands the round's samples to the chunks that keep them (warm-up and idle lanes write to
// a scrap row) and moves every active lane on. A chunk that ends here records its
// history, and its lane goes idle from a zero history.
TALVIMO_TARGET void storeRound(Round& r, Lanes& lanes, __mmask8 active, ChainChunk* chunks) {
  static_assert(kSamplesPerFrame == 28, "three rows of eight and one of four");
  int16_t scrap[kSamplesPerFrame];
  const __m512i one = _mm512_set1_epi64(1);
  const __mmask8 own = _mm512_mask_cmple_epi64_mask(active, lanes.toStart, _mm512_setzero_si512());
  alignas(64) int16_t* out[kLanes];
  _mm512_store_si512(out, _mm512_mask_blend_epi64(own, _mm512_set1_epi64(reinterpret_cast<int64_t>(scrap)), lanes.out));
  for (int i = 0; i < kSamplesPerFrame; i += 8) storeColumns(r.out + i, i + 8 <= kSamplesPerFrame ? 8 : 4, out, i);
  lanes.frame = _mm512_mask_add_epi64(lanes.frame, active, lanes.frame, _mm512_set1_epi64(kFrameBytes));
  lanes.out = _mm512_mask_add_epi64(lanes.out, own, lanes.out, _mm512_set1_epi64(kSamplesPerFrame * 2));
  lanes.toStart = _mm512_mask_sub_epi64(lanes.toStart, active, lanes.toStart, one);
  lanes.left = _mm512_mask_sub_epi64(lanes.left, active, lanes.left, one);
  const __mmask8 ending = _mm512_mask_cmpeq_epi64_mask(active, lanes.left, _mm512_setzero_si512());
  for (int k = 0; ending != 0 && k < kLanes; ++k) {
    if (!(ending >> k & 1)) continue;
    chunks[k].history = ChannelHistory{r.s1[k], r.s2[k]};
    r.s1[k] = r.s2[k] = 0.0;
  }
}

// One round: 28 steps of every lane. Returns the steps the x87 took.
TALVIMO_TARGET int64_t decodeRound(Round& r) {
  int64_t byX87 = 0;
  __m512d s1 = _mm512_load_pd(r.s1), s2 = _mm512_load_pd(r.s2);
  const __m512d f0 = _mm512_load_pd(r.weight0), f1 = _mm512_load_pd(r.weight1);
  __mmask8 ok1 = inRange(s1), ok2 = inRange(s2);  // s1, s2 in range
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const __m512d t = code(r, i);
    const __m512d p1 = _mm512_mul_pd(s1, f0);
    const __m512d e1 = _mm512_fmsub_pd(s1, f0, p1);
    const __m512d p2 = _mm512_mul_pd(s2, f1);
    const __m512d e2 = _mm512_fmsub_pd(s2, f1, p2);
    // t + s1*f0 = u + w0 + e1 = ah + al
    __m512d u, w0, w, ew, ah, al;
    twoSum(t, p1, u, w0);
    twoSum(w0, e1, w, ew);
    // |w| < |u|, or u = 0: |w0| is at most half an ulp of u, and |e1| half an ulp of p1,
    // while t + p1 is zero or at least an ulp of p1 (a whole code lies on p1's grid
    // below 2^53; above, |t| < 2^16 hardly moves u away from p1).
    fastTwoSum(u, w, ah, al);
    // ah + al + s2*f1 = u2 + v2 + al + e2 = bh + bl
    __m512d u2, v2, w2, ew2, w3, ew3, bh, bl;
    twoSum(ah, p2, u2, v2);
    twoSum(v2, al, w2, ew2);
    twoSum(w2, e2, w3, ew3);
    twoSum(u2, w3, bh, bl);
    // The three error terms are zeros (of either sign) where their bits, or'd, are.
    const __m512i errors = _mm512_ternarylogic_epi64(_mm512_castpd_si512(ew), _mm512_castpd_si512(ew2),
                                                     _mm512_castpd_si512(ew3), 0xFE);
    __mmask8 k = _mm512_mask_testn_epi64_mask(ok1 & ok2, errors, _mm512_set1_epi64(0x7FFFFFFFFFFFFFFFLL));
    k = fits64(k, ah, al);
    k = fits64(k, bh, bl);
    if (k != 0xFF) [[unlikely]] {
      // The lanes left over take the x87's step.
      alignas(64) double x[kLanes], a1[kLanes], a2[kLanes], tt[kLanes];
      _mm512_store_pd(x, bh);
      _mm512_store_pd(a1, s1);
      _mm512_store_pd(a2, s2);
      _mm512_store_pd(tt, t);
      for (int l = 0; l < kLanes; ++l) {
        if (!(k >> l & 1)) x[l] = stepValue(static_cast<int32_t>(tt[l]), a1[l], a2[l], static_cast<int>(r.filter[l]));
      }
      bh = _mm512_load_pd(x);
      byX87 += kLanes - std::popcount(static_cast<unsigned>(k));
    }
    s2 = s1;
    s1 = bh;
    ok2 = ok1;
    ok1 = inRange(bh);
    storeSamples(bh, r.out[i]);
  }
  _mm512_store_pd(r.s1, s1);
  _mm512_store_pd(r.s2, s2);
  return byX87;
}

}  // namespace

bool avx512LanesSupported() {
  static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                                __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("fma");
  return available;
}

TALVIMO_TARGET int64_t decodeChunksAvx512(ChainChunk* chunks, int count) {
  LaneStarts<kLanes> starts;
  startLanes(chunks, count, starts);
  Round round{};
  std::memcpy(round.s1, starts.s1, sizeof round.s1);
  std::memcpy(round.s2, starts.s2, sizeof round.s2);
  Lanes lanes{_mm512_load_si512(starts.frame), _mm512_load_si512(starts.left), _mm512_load_si512(starts.toStart),
              _mm512_load_si512(starts.out)};
  int64_t byX87 = 0;
  for (__mmask8 active; (active = _mm512_cmpgt_epi64_mask(lanes.left, _mm512_setzero_si512())) != 0;) {
    loadRound(round, lanes, active, chunks);
    byX87 += decodeRound(round);
    storeRound(round, lanes, active, chunks);
  }
  settleEmptyChunks(chunks, count);
  return byX87;
}
