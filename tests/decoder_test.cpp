// The frame decoder against known values: hand-derived cases, vectors where the
// rounding rule matters, and values beyond 16 bits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decode/adpcm_decoder.h"

namespace {

AdpcmFrame makeFrame(int header, std::vector<int> data) {
  AdpcmFrame f{};
  f.value[0] = static_cast<int16_t>(header);
  for (size_t i = 0; i < data.size(); ++i) f.value[2 + i] = static_cast<int16_t>(data[i]);
  return f;
}

struct KnownCase {
  const char* name;
  int header;
  std::vector<int> data;
  ChannelHistory before;
  std::vector<int32_t> firstSamples;  // the leading samples of the frame
};

TEST(Decoder, KnownValues) {
  const KnownCase cases[] = {
      {"zero frame, zero history", 0x00, {}, {0, 0}, std::vector<int32_t>(28, 0)},
      {"low nibble first", 0x0C, {0x71}, {0, 0}, {1, 7, 0}},
      {"-32768 becomes history, sample moves up by one", 0x00, {0x08}, {0, 0}, {-32767, 0}},
      {"shift 13 applied as it is", 0x0D, {0x87}, {0, 0}, {3, -3}},
      {"filter 1 prediction: 937.5 gives 938", 0x10, {}, {1000.0, 0.0}, {938, 879}},
      // Filter 3 (98/64, -55/64) by hand: 1 + 98 - 55 = 44; 2 + 44 * 98/64 - 64 * 55/64 =
      // 14.375; 14.375 * 98/64 - 44 * 55/64 = -15.80078125; then -36.5484619140625.
      {"filter 3 prediction by hand", 0x3C, {0x21}, {64.0, 64.0}, {44, 14, -15, -36}},
      {"whole negative values move up: -1 gives 0, -2 gives -1", 0x0C, {0xEF}, {0, 0}, {0, -1, 0}},
      {"x + 0.5 truncated: -0.5 gives 0", 0x48, {0x0F}, {16.0, 16.0}, {0}},
      {"x + 0.5 truncated: -16.5 gives -16", 0x48, {0x0E}, {16.0, 16.0}, {-16}},
      {"filters 5..15 predict nothing", 0xF0, {0x01}, {5000.0, -7000.0}, {4096, 0}},
      {"a value past 16 bits is kept whole", 0x46, {0x05}, {40960.0, 40960.0}, {40000}},
      {"beyond 32 bits: the integer modulo 2^32", 0x10, {}, {3.0 * 0x1p40 + 12.0, 0.0}, {11}},
      {"beyond 2^62 as well", 0x10, {0x08}, {0x1p66, 0.0}, {-32768}},
      {"an infinite history gives 0, never a trap", 0x10, {}, {INFINITY, 0.0}, {0, 0}},
      {"just below 0.5 gives 0, though x + 0.5 rounds to 1.0 in doubles", 0x20, {},
       {0x1.90b21642c859p-2, 0x1p-2}, {0}},
  };
  for (const KnownCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChannelHistory h = c.before;
    int32_t out[kSamplesPerFrame];
    decodeFrame(makeFrame(c.header, c.data), h, out);
    for (size_t i = 0; i < c.firstSamples.size(); ++i) EXPECT_EQ(out[i], c.firstSamples[i]) << "sample " << i;
  }
}

TEST(Decoder, HistoryKeepsUnroundedValues) {
  // Filter 1 over zero nibbles: s1 = 1000 * (15/16)^28, s2 the value one step earlier.
  ChannelHistory h{1000.0, 0.0};
  int32_t out[kSamplesPerFrame];
  decodeFrame(makeFrame(0x10, {}), h, out);
  double expected = 1000.0;
  for (int i = 0; i < 27; ++i) expected *= 0.9375;
  EXPECT_EQ(h.s2, expected);
  EXPECT_EQ(h.s1, expected * 0.9375);
}

// Plain double arithmetic: each product and sum rounded to 53 bits. Kept here only to
// show that the vectors below really separate it from the decoder's rule.
double plainDoubleStep(int t, double s1, double s2, double f0, double f1) {
  volatile double product1 = s1 * f0;
  volatile double sum = t + product1;
  volatile double product2 = s2 * f1;
  return sum + product2;
}

TEST(Decoder, HistoryKeeps64BitSums) {
  // From zero history this frame's history ends in bits that plain double sums lose.
  ChannelHistory h{0, 0};
  int32_t out[kSamplesPerFrame];
  decodeFrame(makeFrame(0x26, {0x89, 0xB8, 0xFB, 0xE4, 0x4D, 0xE4, 0x12, 0xA1, 0xE1, 0xF5, 0xDB, 0xF9, 0x8E, 0x13}), h,
              out);
  EXPECT_EQ(h.s1, -0x1.699f25957bfe8p+12);
  EXPECT_EQ(h.s2, -0x1.62d54bb1da328p+12);

  double s1 = 0, s2 = 0;
  const int bytes[14] = {0x89, 0xB8, 0xFB, 0xE4, 0x4D, 0xE4, 0x12, 0xA1, 0xE1, 0xF5, 0xDB, 0xF9, 0x8E, 0x13};
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const int nibble = (i & 1) ? bytes[i / 2] >> 4 : bytes[i / 2] & 0xF;
    const int t = static_cast<int16_t>(nibble << 12) >> 6;
    const double x = plainDoubleStep(t, s1, s2, 115.0 / 64, -52.0 / 64);
    s2 = s1;
    s1 = x;
  }
  EXPECT_NE(s1, h.s1);
}

TEST(Decoder, SampleFollows64BitSums) {
  // The exact sum is -114.49999999999992...: the decoder's value stays below -114.5 by
  // one double step and gives -113; plain double sums land on -114.5 and give -114.
  const ChannelHistory before{-0x1.7bbfd5d4975fap+7, -0x1.5970b944p+10};
  ChannelHistory h = before;
  int32_t out[kSamplesPerFrame];
  decodeFrame(makeFrame(0x25, {0x09}), h, out);
  EXPECT_EQ(out[0], -113);

  const int t = static_cast<int16_t>(9 << 12) >> 5;
  const double plain = plainDoubleStep(t, before.s1, before.s2, 115.0 / 64, -52.0 / 64);
  EXPECT_EQ(plain, -114.5);
  EXPECT_EQ(static_cast<int>(plain + 0.5), -114);
}

}  // namespace
