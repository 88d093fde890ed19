// Archive types 0..5 cutting realistic archives (tracks from the project's encoder)
// into numbered files, checked name by name and sample by sample.
#include <gtest/gtest.h>

#include "encode/archive.h"
#include "support/frames.h"

namespace {

constexpr size_t kBlock = 0x200;  // 32 frames per block
constexpr size_t kFrames = kBlock / 16;

StereoTrack track(uint32_t seed, size_t pairs, bool leadingMarker = false) {
  return makeTrack(seed, pairs, kBlock, 48000, leadingMarker);
}

void setFrame(Bytes& stream, size_t index, const Bytes& f) { std::copy(f.begin(), f.end(), stream.begin() + static_cast<long>(index * 16)); }

Bytes framesOf(const Bytes& stream, size_t from, size_t to) {
  return Bytes(stream.begin() + static_cast<long>(from * 16), stream.begin() + static_cast<long>(to * 16));
}

// The track's pairs [from, to) as one fresh stream each, interleaved.
std::vector<int16_t> samples(const StereoTrack& t, size_t fromPair, size_t toPair) {
  return interleaved(decoded(framesOf(t.left, fromPair * kFrames, toPair * kFrames)),
                     decoded(framesOf(t.right, fromPair * kFrames, toPair * kFrames)));
}
std::vector<int16_t> samples(const StereoTrack& t) { return samples(t, 0, t.left.size() / kBlock); }

Bytes archiveOf(const std::vector<StereoTrack>& tracks) { return buildArchive(tracks, kBlock); }

struct Expected {
  std::string name;
  std::vector<int16_t> samples;
};

// Runs talvimo on the archive and checks the printed names and every file's samples.
RunResult expectFiles(const Bytes& archive, const std::vector<std::string>& switches,
                      const std::vector<Expected>& files, const std::string& blockSize = "0x200") {
  Scratch dir;
  const RunResult r = dir.convert(archive, blockSize, switches);
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> names = {"in.raw"};
  for (const Expected& f : files) {
    EXPECT_NE(r.out.find(f.name), std::string::npos) << r.out;
    names.push_back(f.name);
    if (dir.exists(f.name)) {
      EXPECT_EQ(parseWav(dir.read(f.name)).samples, f.samples) << f.name;
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(dir.files(), names);
  return r;
}

TEST(Detectors, Type1MarkerFramesAtPairBoundaries) {
  StereoTrack t1 = track(1, 3, true), t2 = track(2, 2, true), t3 = track(3, 4, true);
  setFrame(t2.right, 0, marker());  // a marker at the start of a second block: mid-pair
  setFrame(t3.left, 5, marker());   // and one inside a first block
  const RunResult r = expectFiles(archiveOf({t1, t2, t3}), {"-t1", "-v"},
                                  {{"in_0000.WAV", samples(t1)}, {"in_0001.WAV", samples(t2)}, {"in_0002.WAV", samples(t3)}});
  EXPECT_EQ(r.out,
            "BlockSize:512\nType:1\nverbose\n"
            "in_0000.WAV : 0x00000000 : 0x00000C00\n"
            "in_0001.WAV : 0x00000C00 : 0x00001400\n"
            "in_0002.WAV : 0x00001400 : 0x00002400\n"
            "in_0002.WAV");
}

TEST(Detectors, Type0QuietPairBoundaries) {
  StereoTrack t1 = track(1, 3, true), t2 = track(2, 3, true), t3 = track(3, 2, true);
  setFrame(t2.left, kFrames - 1, frame(0x21));  // quiet end of T2's first block: split at its next pair
  setFrame(t3.right, 0, marker());              // quiet start of a second block: no split
  setFrame(t3.right, kFrames - 1, frame(0x21)); // quiet end of a second block: no split
  expectFiles(archiveOf({t1, t2, t3}), {"-t0"},
              {{"in_0000.WAV", samples(t1)},
               {"in_0001.WAV", samples(t2, 0, 1)},
               {"in_0002.WAV", samples(t2, 1, 3)},
               {"in_0003.WAV", samples(t3)}});
}

TEST(Detectors, Type0EveryPairQuietAndDropped) {
  StereoTrack t = track(4, 5, false);
  for (size_t p = 0; p < 5; ++p) setFrame(t.left, p * kFrames, frame(0x13));
  Scratch dir;
  dir.write("in.raw", archiveOf({t}));
  const RunResult r = dir.run({"in.raw", "0x200", "-t0", "-m0x400"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "BlockSize:512\nType:0\nFileMinimunSize:1024\nin_0000.WAVremove\nin_0000.WAV");
  EXPECT_EQ(dir.files(), std::vector<std::string>{"in.raw"});
}

TEST(Detectors, Type2EmptyFramesAtAnyAlignment) {
  const StereoTrack t1 = track(1, 3), t2 = track(2, 2), t3 = track(3, 2);
  const Bytes empty(16, 0);
  // T1's third pair breaks off five frames into its first block; T2 then starts at channel 0.
  const Bytes whole = archiveOf({t1});
  const Bytes archive = Bytes(whole.begin(), whole.begin() + 2 * 2 * kBlock + 5 * 16) + empty + archiveOf({t2}) +
                        empty + archiveOf({t3});
  const RunResult r = expectFiles(archive, {"-t2", "-v"},
                                  {{"in_0000.WAV", samples(t1, 0, 2)}, {"in_0001.WAV", samples(t2)}, {"in_0002.WAV", samples(t3)}});
  EXPECT_NE(r.out.find("in_0000.WAV : 0x00000000 : 0x00000850\nin_0001.WAV : 0x00000860 : 0x00001060\n"), std::string::npos)
      << r.out;
}

// Ends the pair's first block with `first` marker frames and its second with `second`.
void endPairWithMarkers(StereoTrack& t, size_t pair, size_t first, size_t second) {
  for (size_t i = 0; i < first; ++i) setFrame(t.left, (pair + 1) * kFrames - 1 - i, marker());
  for (size_t i = 0; i < second; ++i) setFrame(t.right, (pair + 1) * kFrames - 1 - i, marker());
}

TEST(Detectors, Type3SilenceRunsInBothBlocks) {
  StereoTrack t1 = track(1, 2), t2 = track(2, 2), t3 = track(3, 2), t4 = track(4, 2);
  endPairWithMarkers(t1, 1, 4, 4);  // both runs exceed 3: split at T2
  endPairWithMarkers(t2, 1, 3, 4);  // a run of 3 is too short: T3 goes on in the same file
  setFrame(t3.left, 0, marker());   // a lone marker does not restart a run counted before it
  endPairWithMarkers(t3, 1, 5, 5);
  setFrame(t3.right, kFrames * 2 - 3, loud());  // ...but a loud frame inside the second block's
                                                // run restarts it: 2 and 2 markers, never 4
  endPairWithMarkers(t4, 0, 4, 4);  // at the end of T4's first pair: split inside the track
  const RunResult r = expectFiles(
      archiveOf({t1, t2, t3, t4}), {"-t3,3", "-v"},
      {{"in_0000.WAV", samples(t1)},
       {"in_0001.WAV", interleaved(decoded(t2.left + t3.left + framesOf(t4.left, 0, kFrames)),
                                   decoded(t2.right + t3.right + framesOf(t4.right, 0, kFrames)))},
       {"in_0002.WAV", samples(t4, 1, 2)}});
  EXPECT_NE(r.out.find("Type:3 Num:0x00000003\nverbose\n  zerocnt R 0x   4: zerocnt L 0x   4\nin_0000.WAV : "),
            std::string::npos)
      << r.out;
}

// A frame with `zeros` zero bytes (the header byte is not one of them unless it is 0).
Bytes withZeros(uint8_t header, int zeros) {
  Bytes f(16, 0x11);
  f[0] = header;
  for (int i = header == 0 ? 0 : 1; zeros > 0; ++i, --zeros) f[i] = 0;
  return f;
}

// Each side of the zero-count edges: a marker or quiet frame has at least 14 zero bytes,
// an empty frame all 16. Blocks of two frames; the frame under test opens the second pair.
TEST(Detectors, ZeroCountEdges) {
  const Bytes l = loud(0x21);
  struct Case {
    const char* type;
    Bytes frame;
    std::string files;  // the -v lines after the echo
  };
  const std::string split = "in_0000.WAV : 0x00000000 : 0x00000040\nin_0001.WAV : 0x00000040 : 0x000000C0\nin_0001.WAV";
  const std::string cut = "in_0000.WAV : 0x00000000 : 0x00000040\nin_0001.WAV : 0x00000050 : 0x000000C0\nin_0001.WAV";
  const std::string whole = "in_0000.WAV : 0x00000000 : 0x000000C0\nin_0000.WAV";
  const Case cases[] = {
      {"-t1", withZeros(0x0C, 14), split},  {"-t1", withZeros(0x0C, 13), whole},
      {"-t1", withZeros(0x1C, 15), whole},  // quiet, but not a marker header
      {"-t0", withZeros(0x21, 14), split},  {"-t0", withZeros(0x21, 13), whole},
      {"-t2", withZeros(0x00, 16), cut},    {"-t2", withZeros(0x00, 15), whole},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + testing::PrintToString(c.frame));
    Scratch dir;
    const RunResult r = dir.convert(repeat(l, 4) + c.frame + repeat(l, 7), "0x20", {c.type, "-v"});
    EXPECT_EQ(r.out, std::string("BlockSize:32\nType:") + c.type[2] + "\nverbose\n" + c.files);
    EXPECT_EQ(r.status, 0);
  }
}

// The frame that ends on a MiB boundary under -v is read byte by byte (for its progress
// line): it counts its own zeros only, not the frame's before it.
TEST(Detectors, FrameReadByteByByteCountsItsOwnZeros) {
  const size_t last = 0x100000 / 16 - 1;  // the frame that ends at offset 0x100000
  Bytes input = repeat(loud(0x21), last + 5);
  const Bytes tenZeros = withZeros(0x00, 10);
  struct Case {
    Bytes frame;
    std::string files;
  };
  const Case cases[] = {
      {withZeros(0x00, 6), "in_0000.WAV : 0x00000000 : 0x00100040\nin_0000.WAV"},
      {withZeros(0x00, 16),
       "in_0000.WAV : 0x00000000 : 0x000FFFF0\nin_0001.WAV : 0x00100000 : 0x00100040\nin_0001.WAV"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.frame));
    setFrame(input, last - 1, tenZeros);
    setFrame(input, last, c.frame);
    Scratch dir;
    const RunResult r = dir.convert(input, "0x20", {"-t2", "-v"});
    EXPECT_EQ(r.out, "BlockSize:32\nType:2\nverbose\n0x00100000 / 0x00100040" +
                         std::string(c.frame[15] == 0 ? "0x00" : "0x11") + "\r" + c.files);
    EXPECT_EQ(r.status, 0);
  }
}

// Type 3 at the edges of its rule, with Num 1 and blocks of four frames (L loud, M a
// marker): both latest runs must exceed Num, the pair must end on a marker, a loud frame
// restarts a run, and the runs start afresh with every pair.
TEST(Detectors, Type3RunEdges) {
  struct Case {
    const char* pairs;  // three pairs of eight frames
    bool splits;        // at the second pair
  };
  const Case cases[] = {
      {"LLMMLLMM" "LLLLLLLL" "LLLLLLLL", true},
      {"LLMMLLLM" "LLLLLLLL" "LLLLLLLL", false},  // second run 1, not more than Num
      {"LLLMLLMM" "LLLLLLLL" "LLLLLLLL", false},  // first run 1
      {"MMLMLLMM" "LLLLLLLL" "LLLLLLLL", false},  // M M L M: the latest run is 1
      {"LLMMLMML" "LLLLLLLL" "LLLLLLLL", false},  // the pair ends on a loud frame
      {"LLMMLLLL" "LLLLLLMM" "LLLLLLLL", false},  // the first run of 2 belongs to the pair before
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pairs);
    Bytes input;
    for (const char* f = c.pairs; *f != '\0'; ++f) input = input + (*f == 'M' ? marker() : loud());
    Scratch dir;
    const RunResult r = dir.convert(input, "0x40", {"-t3,1", "-v"});
    const std::string files =
        c.splits ? "  zerocnt R 0x   2: zerocnt L 0x   2\n"
                   "in_0000.WAV : 0x00000000 : 0x00000080\nin_0001.WAV : 0x00000080 : 0x00000180\nin_0001.WAV"
                 : "in_0000.WAV : 0x00000000 : 0x00000180\nin_0000.WAV";
    EXPECT_EQ(r.out, "BlockSize:64\nType:3 Num:0x00000001\nverbose\n" + files);
    EXPECT_EQ(r.status, 0);
  }
}

TEST(Detectors, Type4ByteSignature) {
  StereoTrack t1 = track(1, 2), t2 = track(2, 3), t3 = track(3, 2);
  const Bytes signature = frame(0x00, 0x00, {0x11, 0x22, 0x33, 0xAB, 0xCD, 0xEF, 0x44});
  // A signature split across two frames does not cut.
  t2.left[3 * 16 + 14] = 0xAB;
  t2.left[3 * 16 + 15] = 0xCD;
  t2.left[4 * 16 + 0] = 0xEF;
  const RunResult r = expectFiles(archiveOf({t1}) + signature + archiveOf({t2}) + signature + archiveOf({t3}),
                                  {"-t4,0xAB,0xCD,0xEF"},
                                  {{"in_0000.WAV", samples(t1)}, {"in_0001.WAV", samples(t2)}, {"in_0002.WAV", samples(t3)}});
  EXPECT_NE(r.out.find("Type:4ab,cd,ef,ChkStrings:0x000000AB,0x000000CD,0x000000EF,0x00000003\n"), std::string::npos);

  // Unsigned comparison: 0x00 0x07 at bytes 14 and 15 cuts, and nowhere else.
  Scratch dir;
  const Bytes cutHere = frame(0x21, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x00, 0x07});
  dir.write("in.raw", loud() + loud() + cutHere + loud() + frame(0x21, 0x07, {0x07, 0x00, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}) + loud());
  const RunResult two = dir.run({"in.raw", "16", "-t4,0,7", "-v"});
  EXPECT_NE(two.out.find("in_0000.WAV : 0x00000000 : 0x00000020\nin_0001.WAV : 0x00000030 : 0x00000060\n"),
            std::string::npos)
      << two.out;
}

TEST(Detectors, Type5FlagBytes) {
  const StereoTrack t1 = track(1, 2), t2 = track(2, 2);
  Bytes flagged = loud();
  flagged[1] = 0x01;
  expectFiles(archiveOf({t1}) + flagged + archiveOf({t2}), {"-t5,0"},
              {{"in_0000.WAV", samples(t1)}, {"in_0001.WAV", samples(t2)}});

  // A type-4 list given first sets the reference byte: here every frame carries flag 2.
  Bytes archive = archiveOf({t1}) + flagged + archiveOf({t2});
  for (size_t at = 0; at < archive.size(); at += 16) archive[at + 1] = archive[at + 1] == 0x01 ? 0x00 : 0x02;
  const RunResult r = expectFiles(archive, {"-t4,0x02", "-t5,1"},
                                  {{"in_0000.WAV", samples(t1)}, {"in_0001.WAV", samples(t2)}});
  EXPECT_NE(r.out.find("Type:42,ChkStrings:0x00000002,0x00000001\nType:5 Num:0x00000001\n"), std::string::npos);
}

TEST(Detectors, BlockSizeNotAMultipleOf16SplitsInsideAPair) {
  // Blocks of 0x7F8 bytes are read as 128 frames, but the pair phase is 0 every 255
  // frames: a marker as the last frame of the first pair splits there, and the new
  // segment completes that pair at once, from buffers the split cleared.
  const StereoTrack t = makeTrack(5, 3, 0x800, 48000, false);
  StereoTrack marked = t;
  setFrame(marked.right, 127, marker());
  const std::vector<int16_t> silence(2 * 128 * 28, 0);
  const std::vector<int16_t> rest = interleaved(decoded(framesOf(t.left, 128, 384)), decoded(framesOf(t.right, 128, 384)));
  const RunResult r = expectFiles(buildArchive({marked}, 0x800), {"-t1", "-v"}, {{"in_0000.WAV", joined(silence, rest)}},
                                  "0x7F8");
  EXPECT_NE(r.out.find("in_0000.WAV : 0x00000FF0 : 0x00003000\n"), std::string::npos) << r.out;
}

}  // namespace
