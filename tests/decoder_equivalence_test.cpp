// Every fast decoder path against the reference decoder, bit for bit, over varied frames:
// every filter and shift, silence decaying into subnormal history, values far past 16
// bits, two channels side by side and one alone.
//
// The default count keeps the suite quick; TALVIMO_EQUIVALENCE_SAMPLES=1000000000 runs
// the full proof.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decode/adpcm_decoder.h"
#include "decode/decode_path.h"
#include "decode/integer_arithmetic.h"
#include "decode/scalar_lanes.h"
#include "decode/split_step.h"
#include "decode/x87_control.h"
#include "schedule/chain_decoder.h"
#include "support/frames.h"
#include "support/random.h"
#include "support/reference_decoder.h"

namespace {

uint64_t samplesToCheck() {
  const char* text = std::getenv("TALVIMO_EQUIVALENCE_SAMPLES");
  return text != nullptr ? std::strtoull(text, nullptr, 10) : 30'000'000;
}

// Frames from a seeded generator that drifts between moods, each held for a while.
class FrameSource {
 public:
  explicit FrameSource(uint64_t seed) : random_(seed) {}

  AdpcmFrame next() {
    if (left_ == 0) {
      mood_ = static_cast<int>(random() % 6);
      left_ = 1 + static_cast<int>(random() % (mood_ == 1 ? 900 : 60));
    }
    --left_;
    AdpcmFrame f{};
    const uint64_t r = random();
    switch (mood_) {
      case 0:  // music-like: filters 0..4, moderate shifts, random codes
        f.value[0] = static_cast<uint8_t>(((r % 5) << 4) | (4 + (r >> 8) % 9));
        fill(f, random(), random());
        break;
      case 1:  // silence decaying through the subnormals: zero codes under filters 1..4
        f.value[0] = static_cast<uint8_t>((1 + r % 4) << 4 | (r >> 8) % 16);
        break;
      case 2:  // loud: shift 0..2 with extreme codes, values far past 16 bits
        f.value[0] = static_cast<uint8_t>(((r % 5) << 4) | ((r >> 8) % 3));
        for (int i = 2; i < 16; ++i) f.value[i] = (r >> (i + 8)) & 1 ? 0x77 : 0x88;
        break;
      case 3:  // any header at all, filters 5..15 and shifts 13..15 included
        f.value[0] = static_cast<uint8_t>(r);
        fill(f, random(), random());
        break;
      case 4:  // quiet: large shifts, small codes
        f.value[0] = static_cast<uint8_t>(((r % 5) << 4) | (10 + (r >> 8) % 6));
        for (int i = 2; i < 16; ++i) f.value[i] = static_cast<uint8_t>((random() & 0x11) | (random() & 0x22));
        break;
      default:  // filter switching every frame with full-range codes
        f.value[0] = static_cast<uint8_t>(((r % 5) << 4) | ((r >> 8) % 13));
        fill(f, random(), random());
        break;
    }
    f.value[1] = static_cast<uint8_t>(r >> 40);
    return f;
  }

 private:
  uint64_t random() { return random_.next(); }
  static void fill(AdpcmFrame& f, uint64_t a, uint64_t b) {
    for (int i = 2; i < 9; ++i) f.value[i] = static_cast<uint8_t>(a >> (8 * (i - 2)));
    for (int i = 9; i < 16; ++i) f.value[i] = static_cast<uint8_t>(b >> (8 * (i - 9)));
  }

  TestRandom random_;
  int mood_ = 0;
  int left_ = 0;
};

bool sameBits(const ChannelHistory& a, const ChannelHistory& b) {
  return std::bit_cast<uint64_t>(a.s1) == std::bit_cast<uint64_t>(b.s1) &&
         std::bit_cast<uint64_t>(a.s2) == std::bit_cast<uint64_t>(b.s2);
}

TEST(DecoderEquivalence, FastPathsMatchTheReferenceBitForBit) {
  const uint64_t frames = samplesToCheck() / kSamplesPerFrame / 3 + 1;
  FrameSource left(1), right(2), mono(3);
  ChannelHistory fastL{}, fastR{}, fastM{}, refL{}, refR{}, refM{};
  uint64_t subnormal = 0, beyond16 = 0;
  for (uint64_t n = 0; n < frames; ++n) {
    const AdpcmFrame a = left.next(), b = right.next(), m = mono.next();
    int32_t outA[kSamplesPerFrame], outB[kSamplesPerFrame], outM[kSamplesPerFrame];
    int32_t expA[kSamplesPerFrame], expB[kSamplesPerFrame], expM[kSamplesPerFrame];
    FrameRun pair[2] = {{&a, 1, &fastL, outA}, {&b, 1, &fastR, outB}};  // two chains side by side
    decodeRuns(pair, 2);
    decodeFrame(m, fastM, outM);
    referenceDecodeFrame(a, refL, expA);
    referenceDecodeFrame(b, refR, expB);
    referenceDecodeFrame(m, refM, expM);
    const bool same = std::memcmp(outA, expA, sizeof outA) == 0 && std::memcmp(outB, expB, sizeof outB) == 0 &&
                      std::memcmp(outM, expM, sizeof outM) == 0 && sameBits(fastL, refL) &&
                      sameBits(fastR, refR) && sameBits(fastM, refM);
    ASSERT_TRUE(same) << "frame " << n;
    subnormal += std::fpclassify(refL.s1) == FP_SUBNORMAL;
    beyond16 += expA[0] > 32767 || expA[0] < -32768;
    // Keep the histories from running away for good: a reset now and then.
    if (n % 100000 == 99999) fastL = fastR = fastM = refL = refR = refM = ChannelHistory{};
  }
  // The generator must really reach the cases it is meant to cover.
  EXPECT_GT(subnormal, 0u);
  EXPECT_GT(beyond16, 0u);
}

// Runs of whole blocks as the scan hands them over: the split at a frame that predicts
// nothing, both channels at once, histories that are infinite or NaN now and then.
TEST(DecoderEquivalence, RunsMatchTheReferenceBitForBit) {
  const uint64_t total = samplesToCheck() / kSamplesPerFrame + 1;  // frames of both channels
  FrameSource left(4), right(5);
  std::vector<AdpcmFrame> framesL(2048), framesR(2048);
  std::vector<int32_t> outL(2048 * kSamplesPerFrame), outR(2048 * kSamplesPerFrame);
  std::vector<int32_t> expL(2048 * kSamplesPerFrame), expR(2048 * kSamplesPerFrame);
  ChannelHistory fastL{}, fastR{}, refL{}, refR{};
  TestRandom random(99);
  uint64_t frames = 0, nonFinite = 0;
  for (uint64_t run = 0; frames < total; ++run) {
    const int32_t countL = 1 + static_cast<int32_t>(random.below(2048));
    const int32_t countR = run % 3 == 0 ? 0 : 1 + static_cast<int32_t>(random.below(2048));
    if (run % 97 == 0) fastL = refL = ChannelHistory{run % 2 ? INFINITY : NAN, 1.0};
    for (int32_t i = 0; i < countL; ++i) framesL[i] = left.next();
    for (int32_t i = 0; i < countR; ++i) framesR[i] = right.next();
    FrameRun runs[2] = {{framesL.data(), countL, &fastL, outL.data()}, {framesR.data(), countR, &fastR, outR.data()}};
    decodeRuns(runs, countR == 0 ? 1 : 2);
    for (int32_t i = 0; i < countL; ++i) referenceDecodeFrame(framesL[i], refL, &expL[i * kSamplesPerFrame]);
    for (int32_t i = 0; i < countR; ++i) referenceDecodeFrame(framesR[i], refR, &expR[i * kSamplesPerFrame]);
    const size_t bytesL = sizeof(int32_t) * kSamplesPerFrame * countL, bytesR = sizeof(int32_t) * kSamplesPerFrame * countR;
    ASSERT_TRUE(std::memcmp(outL.data(), expL.data(), bytesL) == 0 && std::memcmp(outR.data(), expR.data(), bytesR) == 0 &&
                sameBits(fastL, refL) && sameBits(fastR, refR))
        << "run " << run;
    nonFinite += !std::isfinite(refL.s1);
    frames += countL + countR;
  }
  EXPECT_GT(nonFinite, 0u);  // a non-finite history did carry through a run
}

class HistorySource {
 public:
  explicit HistorySource(uint64_t seed) : random_(seed) {}
  double next() {
    const uint64_t r = random();
    switch (r % 10) {
      case 0: {  // any bits at all: NaNs with payloads, infinities, subnormals
        return std::bit_cast<double>(random());
      }
      case 1: {  // near a power of two that matters
        const double bases[] = {0x1p31, 0x1p53, 0x1p63, 0x1p15, 0x1p-1022, 0x1p1023, 0x1p50, 0x1p-960};
        const double base = bases[(r >> 8) % 8];
        const double near = std::nextafter(base, (r >> 16) & 1 ? INFINITY : 0.0);
        return ((r >> 17) & 1 ? -1.0 : 1.0) * ((r >> 18) & 1 ? near : base);
      }
      case 2: {  // halfway between integers, and just beside
        const double half = static_cast<double>(static_cast<int64_t>((r >> 8) % 200000) - 100000) + 0.5;
        return (r >> 40) % 3 == 0 ? half : std::nextafter(half, (r >> 42) & 1 ? INFINITY : -INFINITY);
      }
      case 3: {  // signed zeros and the smallest subnormals
        const double tiny[] = {0.0, -0.0, 0x1p-1074, -0x1p-1074, 0x1p-1060, -0x1p-1030};
        return tiny[(r >> 8) % 6];
      }
      default: {  // any magnitude, sixteen bits of sample scale most often
        const int exponent = (r >> 8) % 4 == 0 ? static_cast<int>((r >> 12) % 2098) - 1074 : static_cast<int>((r >> 12) % 40) - 20;
        return std::ldexp(static_cast<double>(random() >> 11) / 0x1p53 + 1.0, exponent) * ((r >> 30) & 1 ? -1 : 1);
      }
    }
  }

 private:
  uint64_t random() { return random_.next(); }
  TestRandom random_;
};

// The paths this build and this machine have, narrowest first, and a line that says
// which a test proved.
std::vector<DecodePath> availablePaths() {
  std::vector<DecodePath> paths;
  for (int i = 0; i < kDecodePaths; ++i) {
    if (decodePathAvailable(decodePathAt(i))) paths.push_back(decodePathAt(i));
  }
  return paths;
}

void sayProved(const char* what, const std::vector<DecodePath>& paths) {
  std::string names;
  for (DecodePath path : paths) names += std::string(names.empty() ? "" : ", ") + decodePathName(path);
  std::printf("[  PROVED  ] %s: %s\n", what, names.c_str());
}

// Long chains cut into chunks on several threads, by every path this machine has, with
// warm-ups far too short and chunks down to one frame, so that boundaries fail their
// check and chunks are decoded again; and with the real warm-up on music, where they
// pass. Every sample and every final history must be the reference's, whatever the cut.
TEST(DecoderEquivalence, ChunkedChainsMatchTheReferenceBitForBit) {
  struct Plan {
    const char* name;
    int32_t warmUp, minChunkFrames, chunksPerTask;
    int threads;
    bool music;
  };
  const Plan plans[] = {
      {"warm-up 1, chunks of 1 frame", 1, 1, 4, 2, false},
      {"warm-up 2, chunks of 3 frames, 3 threads", 2, 3, 4, 3, false},
      {"warm-up 2, two chunks per task, on music", 2, 16, 2, 2, true},
      {"warm-up 64 on music", 64, 256, 4, 2, true},
      {"warm-up 64 on noise and silence, one thread", 64, 256, 4, 1, false},
  };
  const std::vector<DecodePath> paths = availablePaths();
  const uint64_t perPlan = samplesToCheck() / 3 / kSamplesPerFrame / (std::size(plans) * paths.size()) + 1;  // frames
  FrameSource source(6);
  TestRandom random(7);
  for (DecodePath path : paths) {
    for (const Plan& p : plans) {
      SCOPED_TRACE(std::string(decodePathName(path)) + ", " + p.name);
      WorkerPool pool;
      pool.setThreads(p.threads);
      ChainDecoder decoder;
      ChainPlan plan;
      plan.warmUp = p.warmUp;
      plan.minChunkFrames = p.minChunkFrames;
      plan.chunksPerTask = p.chunksPerTask;
      plan.path = path;
      uint64_t nonFinite = 0, chainsMade = 0;
      for (uint64_t done = 0; done < perPlan;) {
        const int chains = 1 + static_cast<int>(random.below(2));
        std::vector<AdpcmFrame> frames[2];
        std::vector<int16_t> samples[2];
        ChannelHistory fast[2] = {}, ref[2] = {};
        FrameChain work[2];
        for (int c = 0; c < chains; ++c) {
          const int32_t count = 1 + static_cast<int32_t>(random.below(6000));
          if (p.music) {
            const Bytes bytes = music(static_cast<uint32_t>(random.next()), static_cast<size_t>(count));
            frames[c].resize(bytes.size() / kFrameBytes);
            std::memcpy(frames[c].data(), bytes.data(), bytes.size());
          } else {
            for (int32_t i = 0; i < count; ++i) frames[c].push_back(source.next());
          }
          // Now and then a chain starts from an infinite or NaN history (never on music,
          // where the warm-ups are meant to pass).
          if (!p.music && ++chainsMade % 4 == 0) {
            fast[c] = ref[c] = ChannelHistory{chainsMade % 8 == 0 ? INFINITY : NAN, 1.0};
            nonFinite += 1;
          }
          samples[c].assign(frames[c].size() * kSamplesPerFrame, 0);
          work[c] = FrameChain{frames[c].data(), static_cast<int32_t>(frames[c].size()), &fast[c], samples[c].data()};
        }
        decoder.decode(work, chains, pool, plan);
        for (int c = 0; c < chains; ++c) {
          int32_t expected[kSamplesPerFrame];
          for (size_t f = 0; f < frames[c].size(); ++f) {
            referenceDecodeFrame(frames[c][f], ref[c], expected);
            for (int i = 0; i < kSamplesPerFrame; ++i) {
              ASSERT_EQ(samples[c][f * kSamplesPerFrame + static_cast<size_t>(i)], static_cast<int16_t>(expected[i]))
                  << "chain " << c << " frame " << f << " sample " << i;
            }
          }
          ASSERT_TRUE(sameBits(fast[c], ref[c])) << "chain " << c;
          done += frames[c].size();
        }
      }
      const ChainStats& stats = decoder.stats();
      // The cuts really happened, and so did what each plan is meant to show: short
      // warm-ups fail their checks and are decoded again; the real one on music passes.
      EXPECT_GT(stats.chunks, 4 * static_cast<int64_t>(p.threads));
      if (p.warmUp < 8) {
        EXPECT_GT(stats.redecoded, 0);
      }
      if (p.warmUp >= 64 && p.music) {
        EXPECT_LT(stats.redecoded * 100, stats.chunks);
      }
      if (!p.music) {
        EXPECT_GT(nonFinite, 0u);
      }
    }
  }
  sayProved("chunked chains", paths);
}

// The decoder's rule in integer arithmetic (for machines without the x87) against the x87
// itself, one step at a time, bit for bit: every filter (5..15 predict nothing) and
// shift, histories of every magnitude from subnormal to near overflow, values near
// 2^31, 2^53 and 2^63 and halfway between integers, signed zeros, infinities and NaNs
// with their payloads.
TEST(DecoderEquivalence, IntegerArithmeticMatchesTheX87BitForBit) {
  if (!kLongDoubleIsX87) GTEST_SKIP() << "no x87 on this machine: the integer rule is proven against it on x86-64";
  const uint64_t steps = samplesToCheck() / 3;
  HistorySource source(9);
  uint64_t nans = 0, subnormals = 0, infinities = 0, wrapped = 0;
  for (uint64_t n = 0; n < steps; ++n) {
    const double s1 = source.next(), s2 = source.next();
    const int filter = static_cast<int>(n % 7);  // 5 and 6 stand for filters 5..15
    const ReferenceFilter weights = kReferenceFilters[filter];
    const int nibble = static_cast<int>((n / 7) % 16), shift = static_cast<int>((n / 112) % 16);
    const int32_t t = static_cast<int16_t>(static_cast<uint16_t>(nibble << 12)) >> shift;
    const double expected = referenceStep(t, s1, s2, filter);
    const double got = integerStep(t, s1, s2, weights.k0, weights.k1);
    ASSERT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(expected))
        << std::hexfloat << "t " << t << " s1 " << s1 << " s2 " << s2 << " filter " << filter;
    ASSERT_EQ(integerSample(expected), referenceSample(expected)) << std::hexfloat << expected << " from s1 " << s1 << " t " << t;
    ASSERT_EQ(integerSample(s1), referenceSample(s1)) << std::hexfloat << s1;
    nans += std::isnan(expected);
    infinities += std::isinf(expected);
    subnormals += std::fpclassify(expected) == FP_SUBNORMAL;
    wrapped += std::isfinite(expected) && std::fabs(expected) > 0x1p31;
  }
  EXPECT_GT(nans, 0u);
  EXPECT_GT(infinities, 0u);
  EXPECT_GT(subnormals, 0u);
  EXPECT_GT(wrapped, 0u);
}

// Every path's kernel against the rule's own (kRulePath, itself proven above), chunk by
// chunk: any number of chunks side by side, with and without warm-up and frames of their
// own, after histories of every kind (the magnitudes where a vector path hands a lane to
// the rule, infinities, NaNs) and through frames of every kind. In the vector paths both
// ways of taking a step must really occur.
TEST(DecoderEquivalence, ChunkKernelsMatchTheRuleBitForBit) {
  const std::vector<DecodePath> paths = availablePaths();
  for (DecodePath path : paths) {
    SCOPED_TRACE(decodePathName(path));
    const bool vectors = path != DecodePath::kX87 && path != DecodePath::kInteger;
    const int most = chunksPerCall(path);
    const uint64_t total = samplesToCheck() / 3 / paths.size();
    FrameSource frameSource(11);
    HistorySource historySource(12);
    TestRandom random(5);
    std::vector<AdpcmFrame> frames;
    std::vector<int16_t> pathOut, ruleOut;
    uint64_t steps = 0;
    int64_t byRule = 0;
    for (uint64_t round = 0; steps < total; ++round) {
      const int count = 1 + static_cast<int>(random.below(static_cast<uint64_t>(most)));
      std::vector<ChainChunk> chunks(static_cast<size_t>(count)), rule(static_cast<size_t>(count));
      std::vector<int32_t> firstFrame(static_cast<size_t>(count));
      frames.clear();
      for (size_t k = 0; k < chunks.size(); ++k) {
        const uint64_t r = random.next();
        const int32_t warmUp = static_cast<int32_t>(r % 3);
        const int32_t own = r % 7 == 0 ? 0 : r % 5 == 0 ? 40 : static_cast<int32_t>(1 + (r >> 3) % 3);
        firstFrame[k] = static_cast<int32_t>(frames.size()) + warmUp;
        for (int32_t i = 0; i < warmUp + own; ++i) frames.push_back(frameSource.next());
        const ChannelHistory history =
            (r >> 5) % 4 == 0 ? ChannelHistory{} : ChannelHistory{historySource.next(), historySource.next()};
        chunks[k] = ChainChunk{nullptr, warmUp, own, history, ChannelHistory{}, nullptr};
      }
      pathOut.assign(frames.size() * kSamplesPerFrame, 0);
      ruleOut.assign(frames.size() * kSamplesPerFrame, 0);
      for (size_t k = 0; k < chunks.size(); ++k) {
        chunks[k].frames = frames.data() + firstFrame[k];
        rule[k] = chunks[k];
        chunks[k].samples = pathOut.data() + static_cast<size_t>(firstFrame[k]) * kSamplesPerFrame;
        rule[k].samples = ruleOut.data() + static_cast<size_t>(firstFrame[k]) * kSamplesPerFrame;
        steps += static_cast<uint64_t>(chunks[k].warmUp + chunks[k].count) * kSamplesPerFrame;
      }
      byRule += decodeChunks(chunks.data(), count, path);
      for (int k = 0; k < count; k += kScalarChunks) {
        decodeChunks(rule.data() + k, std::min(kScalarChunks, count - k), kRulePath);
      }
      ASSERT_EQ(pathOut, ruleOut) << "round " << round;
      for (size_t k = 0; k < chunks.size(); ++k) {
        ASSERT_TRUE(sameBits(chunks[k].history, rule[k].history) && sameBits(chunks[k].atStart, rule[k].atStart))
            << "round " << round << " chunk " << k;
      }
    }
    if (vectors) {
      EXPECT_GT(byRule, 0);
      EXPECT_LT(static_cast<uint64_t>(byRule) * 4, steps);
    }
  }
  sayProved("chunk kernels", paths);
}

// The x87 set to round to 53 bits in this thread, as Windows starts a thread: every path
// that uses the x87 (for its steps, or for the steps its vectors leave to the rule) sets
// the 64 bits the rule needs for itself, and agrees with the integer arithmetic, which
// no control word touches, on histories where 53 bits would round.
TEST(DecoderEquivalence, X87PathsSetTheirOwnPrecision) {
  if (!kLongDoubleIsX87) GTEST_SKIP() << "no x87 on this machine";
  FrameSource frameSource(13);
  HistorySource historySource(14);
  std::vector<DecodePath> proved;
  const uint16_t saved = setShortPrecisionForTests();
  for (DecodePath path : availablePaths()) {
    if (path == DecodePath::kInteger) continue;
    SCOPED_TRACE(decodePathName(path));
    int64_t differences = 0;
    for (int round = 0; round < 2000; ++round) {
      AdpcmFrame frames[4];
      for (AdpcmFrame& f : frames) f = frameSource.next();
      int16_t pathOut[4 * kSamplesPerFrame], integerOut[4 * kSamplesPerFrame];
      const ChannelHistory history{historySource.next(), historySource.next()};
      ChainChunk chunk{frames, 0, 4, history, ChannelHistory{}, pathOut};
      ChainChunk exact{frames, 0, 4, history, ChannelHistory{}, integerOut};
      decodeChunks(&chunk, 1, path);
      decodeChunks(&exact, 1, DecodePath::kInteger);
      differences += std::memcmp(pathOut, integerOut, sizeof pathOut) != 0 || !sameBits(chunk.history, exact.history);
    }
    EXPECT_EQ(differences, 0);
    proved.push_back(path);
  }
  restorePrecision(saved);
  sayProved("the x87's own precision", proved);
}

// The check of the vector paths that take their steps in halves (split_step.h), at each
// of its bounds from both sides: inside, the vectors vouch for the step; outside, the
// rule takes it. Either way the result is the rule's.
TEST(DecoderEquivalence, HalfStepChecksAtTheirBounds) {
  struct Bound {
    const char* name;
    uint8_t header;  // filter and shift
    uint8_t code;    // the first code byte (its low nibble is the first step's code)
    ChannelHistory inside, outside;
  };
  const double least = split_step::kLeast, spread = 1 / split_step::kSpread, growth = 1 / split_step::kGrowth;
  const Bound bounds[] = {
      // Zeros ask nothing; the smallest subnormal is out of range.
      {"zero histories and a subnormal", 0x1C, 0x00, {0.0, -0.0}, {0x1p-1074, 0.0}},
      {"2^-960", 0x1C, 0x00, {std::nextafter(least, 1.0), std::nextafter(least, 1.0)}, {least, least}},
      // Filter 1 leaves the older value out of the step but not out of the check.
      {"2^13 between the two values", 0x1C, 0x00, {1.0, std::nextafter(spread, 0.0)}, {1.0, spread}},
      // Filter 0, shift 0, code 1: the step gives 4096, 32 times 128.
      {"growth by 32", 0x00, 0x01, {std::nextafter(4096 / growth, 1e9), std::nextafter(4096 / growth, 1e9)},
       {4096 / growth, 4096 / growth}},
      // Filter 2 (115/64: c = 2^-4), shift 0, code 1 after no last value: t + h1*f0 is 4096,
      // 16 times 256.
      {"the first sum by 16", 0x20, 0x01, {0.0, std::nextafter(256.0, 1e9)}, {0.0, 256.0}},
      // Filter 1 (60/64: c = 2^-6) from 2^30 and 2^31: the first step's value over 32 is
      // below and above the ceiling.
      {"the ceiling", 0x1C, 0x00, {0x1p30, 0x1p30}, {0x1p31, 0x1p31}},
      {"an infinite history", 0x1C, 0x00, {1.0, 1.0}, {INFINITY, 1.0}},
      {"a NaN history", 0x2C, 0x00, {1.0, 1.0}, {1.0, NAN}},
  };
  std::vector<DecodePath> proved;
  for (DecodePath path : availablePaths()) {
    if (path != DecodePath::kVector && path != DecodePath::kAvx2) continue;  // the paths that step in halves
    for (const Bound& b : bounds) {
      SCOPED_TRACE(std::string(decodePathName(path)) + ", " + b.name);
      AdpcmFrame frame{};
      frame.value[0] = b.header;
      frame.value[2] = b.code;
      int64_t byRule[2];
      for (int side = 0; side < 2; ++side) {
        const ChannelHistory history = side == 0 ? b.inside : b.outside;
        int16_t vectorOut[kSamplesPerFrame], ruleOut[kSamplesPerFrame];
        ChainChunk vector{&frame, 0, 1, history, ChannelHistory{}, vectorOut};
        ChainChunk rule{&frame, 0, 1, history, ChannelHistory{}, ruleOut};
        byRule[side] = decodeChunks(&vector, 1, path);
        decodeChunks(&rule, 1, kRulePath);
        EXPECT_EQ(std::memcmp(vectorOut, ruleOut, sizeof vectorOut), 0) << (side == 0 ? "inside" : "outside");
        EXPECT_TRUE(sameBits(vector.history, rule.history)) << (side == 0 ? "inside" : "outside");
      }
      EXPECT_GT(byRule[1], byRule[0]);
    }
    proved.push_back(path);
  }
  if (proved.empty()) GTEST_SKIP() << "no path here steps in halves";
  sayProved("checks at their bounds", proved);
}

// Samples where a vector path's shortcut for trunc(x + 0.5) is closest to going wrong:
// the double just below 0.5 (whose x + 0.5 rounds up to 1 when rounded to nearest),
// halves around zero, and the edges of the int32 range, each the first value of a chunk.
TEST(DecoderEquivalence, SamplesAtTheEdgesOfTheRule) {
  const double targets[] = {0x1.fffffffffffffp-2, 0.5, -0x1.fffffffffffffp-2, -0.5, -0x1.0000000000001p-1,
                            1.5, -1.5, std::nextafter(1.5, 0.0), std::nextafter(-1.5, 0.0), std::nextafter(1.5, 2.0),
                            std::nextafter(-1.5, -2.0), 0x1p30 - 0.5, -0x1p30 + 0.5, 0x1p30 + 0.5,
                            0x1p31 - 0.5, std::nextafter(0x1p31 - 0.5, 0.0), -0x1p31 - 0.5, -0x1p31 + 0.5,
                            std::nextafter(-0x1p31 - 0.5, 0.0), 0x1p31, -0x1p31 - 1.0};
  constexpr int kCount = static_cast<int>(std::size(targets));
  AdpcmFrame quiet{};
  quiet.value[0] = 0x2C;  // filter 2 (115/64 of the last value, -52/64 of the one before), shift 12, codes 0
  ChannelHistory before[kCount];
  int32_t expected[kCount];
  for (int k = 0; k < kCount; ++k) {
    // A history whose first value is the target: s1 the target itself, s2 searched for.
    const double s1 = targets[k];
    double s2 = targets[k] * (51.0 / 52.0);
    for (int i = 0; i < 64 && referenceStep(0, s1, s2, 2) != targets[k]; ++i) {
      s2 = std::nextafter(s2, referenceStep(0, s1, s2, 2) < targets[k] ? -INFINITY : INFINITY);
    }
    ASSERT_EQ(referenceStep(0, s1, s2, 2), targets[k]) << std::hexfloat << targets[k];
    before[k] = ChannelHistory{s1, s2};
    expected[k] = referenceSample(targets[k]);
  }
  EXPECT_EQ(expected[0], 0);  // the sample of 0.5 - 2^-54 is 0, not 1
  const std::vector<DecodePath> paths = availablePaths();
  for (DecodePath path : paths) {
    SCOPED_TRACE(decodePathName(path));
    ChainChunk chunks[kCount];
    int16_t out[kCount][kSamplesPerFrame];
    for (int k = 0; k < kCount; ++k) chunks[k] = ChainChunk{&quiet, 0, 1, before[k], ChannelHistory{}, out[k]};
    for (int k = 0; k < kCount; k += chunksPerCall(path)) decodeChunks(chunks + k, std::min(chunksPerCall(path), kCount - k), path);
    for (int k = 0; k < kCount; ++k) {
      int32_t frame[kSamplesPerFrame];
      ChannelHistory history = before[k];
      referenceDecodeFrame(quiet, history, frame);
      EXPECT_EQ(out[k][0], static_cast<int16_t>(expected[k])) << std::hexfloat << targets[k];
      for (int i = 0; i < kSamplesPerFrame; ++i) EXPECT_EQ(out[k][i], static_cast<int16_t>(frame[i])) << std::hexfloat << targets[k];
    }
  }
  sayProved("samples at the edges", paths);
}

}  // namespace
