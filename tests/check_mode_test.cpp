// Check mode: the same names as a real run, no WAV, and a list whose lines locate
// every file the real run writes.
#include <gtest/gtest.h>

#include <regex>

#include "encode/archive.h"
#include "support/frames.h"

namespace {

constexpr size_t kBlock = 0x200;

struct ListLine {
  unsigned number, start, end, length;
};

std::vector<ListLine> parseList(const Bytes& list) {
  EXPECT_FALSE(list.empty());
  EXPECT_EQ(list.back(), 0x1A);
  const std::string text(list.begin(), list.end() - 1);
  const std::regex line("([0-9A-F]{4})\t0x([0-9A-F]{8})\t0x([0-9A-F]{8})\t0x([0-9A-F]{8})\r\n");
  std::vector<ListLine> lines;
  size_t consumed = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
    EXPECT_EQ(static_cast<size_t>(it->position()), consumed);
    consumed += static_cast<size_t>(it->length());
    lines.push_back({static_cast<unsigned>(std::stoul((*it)[1], nullptr, 16)), static_cast<unsigned>(std::stoul((*it)[2], nullptr, 16)),
                     static_cast<unsigned>(std::stoul((*it)[3], nullptr, 16)), static_cast<unsigned>(std::stoul((*it)[4], nullptr, 16))});
  }
  EXPECT_EQ(consumed, text.size()) << text;
  return lines;
}

// The "name : start : end" lines of a verbose run.
std::vector<std::string> segmentLines(const std::string& out) {
  std::vector<std::string> lines;
  const std::regex name(R"(in_[0-9A-F]{4}\.WAV : 0x[0-9A-F]{8} : 0x[0-9A-F]{8}\n)");
  for (std::sregex_iterator it(out.begin(), out.end(), name), end; it != end; ++it) lines.push_back(it->str());
  return lines;
}

struct TypeCase {
  const char* name;
  std::vector<std::string> switches;
  Bytes archive;
};

std::vector<TypeCase> archivesOfEveryType() {
  const auto t = [](uint32_t seed, size_t pairs, bool marker = false) { return makeTrack(seed, pairs, kBlock, 48000, marker); };
  const auto a = [](const StereoTrack& track) { return buildArchive({track}, kBlock); };
  StereoTrack q1 = t(1, 3), q2 = t(2, 1), q3 = t(3, 2);
  for (StereoTrack* track : {&q1, &q2, &q3}) {  // four marker frames end both blocks of each last pair
    const size_t end = track->left.size() / 16;
    for (size_t i = end - 4; i < end; ++i) {
      std::copy_n(marker().begin(), 16, track->left.begin() + static_cast<long>(i * 16));
      std::copy_n(marker().begin(), 16, track->right.begin() + static_cast<long>(i * 16));
    }
  }
  Bytes flagged = loud();
  flagged[1] = 0x01;
  const Bytes signature = frame(0x00, 0x00, {0x99, 0xAB, 0xCD, 0xEF});
  const Bytes cut(16, 0);
  const Bytes loose = a(t(9, 3));  // a track cut off inside a pair
  const Bytes broken(loose.begin(), loose.begin() + 0x500 + 0x30);
  return {
      {"type 0", {"-t0"}, a(t(1, 3, true)) + a(t(2, 1, true)) + a(t(3, 2, true))},
      {"type 1", {"-t1"}, a(t(1, 3, true)) + a(t(2, 1, true)) + a(t(3, 2, true))},
      {"type 2", {"-t2"}, a(t(1, 3)) + cut + broken + cut + a(t(2, 1)) + cut + a(t(3, 2))},
      {"type 3", {"-t3,3"}, a(q1) + a(q2) + a(q3)},
      {"type 4", {"-t4,0xAB,0xCD,0xEF"}, a(t(1, 3)) + signature + broken + signature + a(t(3, 2))},
      {"type 5", {"-t5,0"}, a(t(1, 3)) + flagged + broken + flagged + a(t(2, 1)) + flagged + a(t(3, 2))},
  };
}

TEST(CheckMode, ListsWhatTheRealRunWrites) {
  for (const TypeCase& c : archivesOfEveryType()) {
    for (const char* minimum : {"-m0", "-m0x400"}) {
      SCOPED_TRACE(std::string(c.name) + " " + minimum);
      Scratch real, check;
      real.write("in.raw", c.archive);
      check.write("in.raw", c.archive);
      std::vector<std::string> args = {"in.raw", "0x200", "-v", minimum};
      args.insert(args.end(), c.switches.begin(), c.switches.end());
      const RunResult written = real.run(args);
      args.push_back("-c");
      const RunResult listed = check.run(args);
      ASSERT_EQ(written.status, 0);
      ASSERT_EQ(listed.status, 0);

      const std::vector<std::string> segments = segmentLines(written.out);
      EXPECT_GE(segments.size(), 2u) << written.out;
      EXPECT_EQ(segmentLines(listed.out), segments);
      EXPECT_EQ(check.files(), (std::vector<std::string>{"in.raw", "in_000SC.TXT"}));

      const std::vector<ListLine> lines = parseList(check.read("in_000SC.TXT"));
      ASSERT_EQ(lines.size(), segments.size());
      for (size_t i = 0; i < lines.size(); ++i) {
        const ListLine& l = lines[i];
        char expected[64];
        std::snprintf(expected, sizeof expected, "in_%04X.WAV : 0x%08X : 0x%08X\n", l.number, l.start, l.end);
        EXPECT_EQ(segments[i], expected);
        EXPECT_EQ(l.length, l.end - l.start);
        // The bytes from start to end, converted on their own, give the same file.
        Scratch alone;
        alone.write("seg.raw", Bytes(c.archive.begin() + l.start, c.archive.begin() + l.end));
        ASSERT_EQ(alone.run({"seg.raw", "0x200"}).status, 0);
        char file[16];
        std::snprintf(file, sizeof file, "in_%04X.WAV", l.number);
        EXPECT_EQ(alone.read("seg.WAV"), real.read(file)) << file;
      }
    }
  }
}

TEST(CheckMode, ListFileContents) {
  Scratch dir;
  // Type 1, first segment from 0x0 to 0x12000: 18 pairs of 0x800-byte blocks.
  dir.write("ab.raw", buildArchive({makeTrack(1, 18, 0x800, 48000, true), makeTrack(2, 1, 0x800, 48000, true)}, 0x800));
  RunResult r = dir.run({"ab.raw", "0x800", "-t1", "-c"});
  EXPECT_EQ(r.out, "BlockSize:2048\nType:1\nab_000SC.TXT\nab_0000.WAV\nab_0001.WAV\n");
  const std::string expected =
      "0000\t0x00000000\t0x00012000\t0x00012000\r\n0001\t0x00012000\t0x00013000\t0x00001000\r\n\x1A";
  EXPECT_EQ(dir.read("ab_000SC.TXT"), Bytes(expected.begin(), expected.end()));

  // Without an archive type: one line with the start number, the console name unnumbered.
  r = dir.run({"ab.raw", "0x800", "-c", "-n0x1A", "-h0x1000"});
  EXPECT_EQ(r.out, "BlockSize:2048\nStartFileNo:26\nHeadSkipSize:4096\nab.WAVSC.TXT\nab.WAV\n");
  const std::string single = "001A\t0x00001000\t0x00013000\t0x00012000\r\n\x1A";
  EXPECT_EQ(dir.read("ab.WAVSC.TXT"), Bytes(single.begin(), single.end()));

  // Nothing kept: only the closing byte.
  dir.write("e.raw", {});
  r = dir.run({"e.raw", "0x800", "-c", "-t1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.read("e_0000SC.TXT"), Bytes{0x1A});
  EXPECT_FALSE(dir.exists("ab.WAV"));
}

}  // namespace
