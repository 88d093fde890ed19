// Inputs and conditions from the hostile world: inputs past 2 GiB, full disks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/frames.h"

namespace {

namespace fs = std::filesystem;

TEST(Hostile, InputOver2GiBEndsAtOffset0x7FFFFFFFWithoutWrapping) {
  Scratch dir;
  dir.write("big.raw", {});
  fs::resize_file(dir.path("big.raw"), 0x80000000ull + 0x100000);  // sparse: reads as zeros
  const RunResult r = dir.run({"big.raw", "0x800", "-c", "-v"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0x80000000 / 0x801000000x00\r"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with("big.WAV : 0x00000000 : 0x7FFFFFFF\n")) << r.out.substr(r.out.size() - 200);
  const std::string list = "0000\t0x00000000\t0x7FFFFFFF\t0x7FFFFFFF\r\n\x1A";
  EXPECT_EQ(dir.read("big.WASC.TXT"), Bytes(list.begin(), list.end()));
}

uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(Hostile, FullDiskIsReportedAndNoWavClaimsMoreThanItHolds) {
  // 64 KiB per file at most. The first segment (1 pair of 0x800 blocks, 14 KiB of
  // samples) fits; the second (40 pairs, 560 KiB) does not.
  const Bytes cut(16, 0);
  const Bytes small = repeat(loud(0x21), 0x100);
  const Bytes large = repeat(loud(0x13), 0x100 * 40);
  Scratch dir;
  dir.write("in.raw", small + cut + large);
  const RunResult r = dir.run({"in.raw", "0x800", "-t2"}, 64 * 1024);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "BlockSize:2048\nType:2\nin_0000.WAV\nin_0001.WAV\nnot write output file\n");
  for (const std::string& name : {std::string("in_0000.WAV"), std::string("in_0001.WAV")}) {
    SCOPED_TRACE(name);
    const Bytes wav = dir.read(name);
    ASSERT_GE(wav.size(), 44u);
    const bool hasHeader = std::string(wav.begin(), wav.begin() + 4) == "RIFF";
    EXPECT_EQ(hasHeader, name == "in_0000.WAV");
    if (hasHeader) {
      EXPECT_EQ(le32(wav, 40), wav.size() - 44);
      EXPECT_EQ(le32(wav, 4), wav.size() - 8);
    } else {
      EXPECT_EQ(le32(wav, 40), 0u);  // claims nothing
    }
  }
}

}  // namespace
