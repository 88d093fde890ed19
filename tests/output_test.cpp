// Whole runs and the files they leave: WAV headers and samples, pairing, end
// conditions, dropped and reused segments, numbering and the finishing step.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "encode/adpcm_encoder.h"
#include "output/wav_header.h"
#include "support/frames.h"

namespace {

const Bytes kA = loud(0x21);
const Bytes kB = frame(0x32, 0, {0x9E, 0x05, 0x77, 0x1F, 0xC3, 0x4A, 0x18, 0x82, 0x6D, 0x0B, 0xE5, 0x30, 0x91, 0x5C});

std::vector<int16_t> slice(const std::vector<int16_t>& v, long from, long to) {
  return std::vector<int16_t>(v.begin() + from, v.begin() + to);
}

std::vector<int16_t> samplesOf(const Scratch& dir, const std::string& name) { return parseWav(dir.read(name)).samples; }

struct Case2 {
  std::vector<std::string> switches;
  std::vector<int16_t> samples;
};

TEST(WavOutput, OnePairStereoAndMonoHeaders) {
  struct Case {
    std::vector<std::string> switches;
    uint16_t channels;
    uint32_t rate, byteRate;
    uint16_t align;
    std::vector<int16_t> samples;
  };
  const Case cases[] = {
      {{}, 2, 48000, 192000, 4, interleaved(decoded(kA), decoded(kB))},
      {{"-r"}, 2, 48000, 192000, 4, interleaved(decoded(kB), decoded(kA))},
      // Mono: the second block continues the first block's history, as one stream.
      {{"-o1", "-f22050"}, 1, 22050, 44100, 2, decoded(kA + kB)},
      {{"-o1", "-r"}, 1, 48000, 96000, 2, joined(slice(decoded(kA + kB), 28, 56), decoded(kA))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.switches));
    Scratch dir;
    const RunResult r = dir.convert(kA + kB, "16", c.switches);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("in.WAV\n")) << r.out;
    const Bytes bytes = dir.read("in.WAV");
    ASSERT_EQ(bytes.size(), 44u + 112u);
    const Wav w = parseWav(bytes);
    EXPECT_EQ(w.riff + w.wave + w.fmt + w.data, "RIFFWAVEfmt data");
    EXPECT_EQ(w.riffSize, 148u);
    EXPECT_EQ(w.fmtSize, 16u);
    EXPECT_EQ(w.format, 1u);
    EXPECT_EQ(w.channels, c.channels);
    EXPECT_EQ(w.rate, c.rate);
    EXPECT_EQ(w.byteRate, c.byteRate);
    EXPECT_EQ(w.blockAlign, c.align);
    EXPECT_EQ(w.bits, 16u);
    EXPECT_EQ(w.dataSize, 112u);
    EXPECT_EQ(w.samples, c.samples);
  }
}

// RIFF sizes are 32 bits: a segment past them saturates both size fields at 0xFFFFFFFF,
// each exactly from where it no longer fits (checked without writing 4 GiB).
TEST(WavOutput, RiffSizesSaturateInsteadOfWrapping) {
  struct Case {
    uint64_t dataBytes;
    uint32_t riffSize, dataSize;
  };
  const Case cases[] = {
      {112, 148, 112},
      {0xFFFFFFFFull - 36, 0xFFFFFFFF, 0xFFFFFFDB},       // the RIFF size just fits
      {0xFFFFFFFFull - 35, 0xFFFFFFFF, 0xFFFFFFDC},       // ... and one past it
      {0xFFFFFFFFull, 0xFFFFFFFF, 0xFFFFFFFF},            // the data size just fits
      {0x100000000ull, 0xFFFFFFFF, 0xFFFFFFFF},           // ... and one past it
      {0x100000000ull + 112, 0xFFFFFFFF, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataBytes);
    uint8_t header[kWavHeaderSize];
    buildWavHeader(header, c.dataBytes, 2, 48000);
    const Wav w = parseWav(Bytes(header, header + kWavHeaderSize));
    EXPECT_EQ(w.riffSize, c.riffSize);
    EXPECT_EQ(w.dataSize, c.dataSize);
    EXPECT_EQ(w.riff + w.wave + w.fmt + w.data, "RIFFWAVEfmt data");
  }
}

// Mono over several pairs: one continuous stream, each block carrying on from the block
// before it, whichever channel it came from.
TEST(WavOutput, MonoContinuesAcrossPairs) {
  const std::vector<int16_t> d = decoded(kA + kB + kB + kA);
  const Case2 cases[] = {
      {{"-o1"}, d},
      {{"-o1", "-r"}, joined(joined(slice(d, 28, 56), slice(d, 0, 28)), joined(slice(d, 84, 112), slice(d, 56, 84)))},
  };
  for (const Case2& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.switches));
    Scratch dir;
    ASSERT_EQ(dir.convert(kA + kB + kB + kA, "16", c.switches).status, 0);
    EXPECT_EQ(samplesOf(dir, "in.WAV"), c.samples);
  }
}

// Long runs decode in windows of many pairs, cut into chunks on every core: across
// several windows (a window holds 32768 frames of each channel: 256 of these pairs),
// whose chains each go on from their own channel's history, with a stretch of noise in
// the middle and progress lines held until their pairs are written, the samples are the
// reference decoder's.
TEST(WavOutput, LongRunsMatchTheReferenceDecoder) {
  constexpr size_t kFramesPerBlock = 128, kPairs = 600;
  Bytes left = music(11, kFramesPerBlock * kPairs), right = music(12, kFramesPerBlock * kPairs);
  uint32_t noise = 12345;
  for (size_t at = 100 * kFramesPerBlock * 16; at < 104 * kFramesPerBlock * 16; ++at) {
    noise = noise * 1103515245u + 12345u;
    left[at] = static_cast<uint8_t>(noise >> 24);
    if (at % 16 == 0) left[at] = static_cast<uint8_t>((noise >> 24) % 0x4D);  // filters 0..4
  }
  const Bytes archive = interleaveBlocks(left, right, kFramesPerBlock * 16);
  const std::vector<int16_t> l = decoded(left), r = decoded(right), stream = decoded(archive);
  std::vector<int16_t> swappedMono;
  const long block = static_cast<long>(kFramesPerBlock * kSamplesPerFrame);
  for (long p = 0; p < static_cast<long>(kPairs); ++p) {
    swappedMono = joined(joined(swappedMono, slice(stream, (2 * p + 1) * block, (2 * p + 2) * block)),
                         slice(stream, 2 * p * block, (2 * p + 1) * block));
  }
  const Case2 cases[] = {
      {{}, interleaved(l, r)},
      {{"-v"}, interleaved(l, r)},
      {{"-r"}, interleaved(r, l)},
      {{"-o1"}, stream},
      {{"-o1", "-r"}, swappedMono},
  };
  for (const Case2& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.switches));
    Scratch dir;
    ASSERT_EQ(dir.convert(archive, "0x800", c.switches).status, 0);
    EXPECT_TRUE(samplesOf(dir, "in.WAV") == c.samples);  // not printed: 4 million samples
  }
}

TEST(WavOutput, SamplesKeepTheirLow16Bits) {
  // 28672 everywhere, then filter 4 pushes to 56448 (stored 0xDC80); the negative side
  // goes to -64511 (stored 0x0401). No saturation.
  Bytes rise = frame(0x00);
  Bytes fall = frame(0x00);
  for (int i = 2; i < 16; ++i) {
    rise[i] = 0x77;
    fall[i] = 0x88;
  }
  Bytes riseMore = rise;
  riseMore[0] = 0x40;
  Bytes fallMore = fall;
  fallMore[0] = 0x40;
  Scratch dir;
  dir.write("in.raw", rise + fall + riseMore + fallMore);
  ASSERT_EQ(dir.run({"in.raw", "16"}).status, 0);
  const std::vector<int16_t> s = samplesOf(dir, "in.WAV");
  ASSERT_EQ(s.size(), 112u);
  EXPECT_EQ(s[0], 28672);
  EXPECT_EQ(s[1], -32767);
  EXPECT_EQ(static_cast<uint16_t>(s[56]), 0xDC80);
  EXPECT_EQ(static_cast<uint16_t>(s[57]), 0x0401);
}

TEST(WavOutput, PairingAndEndConditions) {
  // Blocks of 0x40 bytes (4 frames); data byte 0x07 appears inside every frame.
  const Bytes left = music(1, 16), right = music(2, 16);
  Bytes archive;
  for (size_t p = 0; p < 4; ++p) {
    archive = archive + Bytes(left.begin() + p * 64, left.begin() + p * 64 + 64);
    archive = archive + Bytes(right.begin() + p * 64, right.begin() + p * 64 + 64);
  }
  for (size_t at = 0; at < archive.size(); at += 16) {
    archive[at + 5] = 0x07;
    if (archive[at] == 0x07) archive[at] = 0x17;  // 0x07 only where a case puts it
  }
  const auto pairsOf = [&](size_t pairs) {
    Bytes l, r;
    for (size_t p = 0; p < 4; ++p) {
      for (size_t i = 0; i < 64; ++i) {
        l.push_back(archive[p * 128 + i]);
        r.push_back(archive[p * 128 + 64 + i]);
      }
    }
    const std::vector<int16_t> dl = decoded(l), dr = decoded(r);
    return interleaved(std::vector<int16_t>(dl.begin(), dl.begin() + static_cast<long>(pairs) * 112),
                       std::vector<int16_t>(dr.begin(), dr.begin() + static_cast<long>(pairs) * 112));
  };
  Bytes procEnd = archive;
  procEnd[0x130] = 0x07;  // the header of the last frame of the third pair's first block
  struct Case {
    const char* name;
    Bytes input;
    std::vector<std::string> switches;
    size_t pairs;
    std::string end;  // the segment's end offset, shown by -v
  };
  const Case cases[] = {
      {"whole input", archive, {}, 4, "0x00000200"},
      {"incomplete last pair dropped", Bytes(archive.begin(), archive.end() - 16), {}, 3, "0x000001F0"},
      {"bottom size inside a frame", archive, {"-b0x1A5"}, 3, "0x000001A5"},
      {"bottom size at a pair boundary", archive, {"-b0x100"}, 2, "0x00000100"},
      {"end type only as a first byte", procEnd, {"-e07"}, 2, "0x00000130"},
      {"end type byte inside a frame read byte by byte", archive, {"-e07", "-b0x1A8"}, 3, "0x000001A8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    std::vector<std::string> switches = {"-v"};
    switches.insert(switches.end(), c.switches.begin(), c.switches.end());
    const RunResult r = dir.convert(c.input, "0x40", switches);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("in.WAV : 0x00000000 : " + c.end + "\n")) << r.out;
    EXPECT_EQ(samplesOf(dir, "in.WAV"), pairsOf(c.pairs));
  }
}

TEST(WavOutput, StartAndSkipSizes) {
  // Two pairs of one-frame blocks behind 0x20 bytes of junk, each followed by 0x20 more.
  const Bytes junk = repeat(frame(0xFF, 0xFF, {0xFF, 0xFF}), 2);
  const Bytes l = music(3, 2), r = music(4, 2);
  const Bytes input = junk + Bytes(l.begin(), l.begin() + 16) + Bytes(r.begin(), r.begin() + 16) + junk +
                      Bytes(l.begin() + 16, l.end()) + Bytes(r.begin() + 16, r.end()) + junk;
  Scratch dir;
  dir.write("in.raw", input);
  const RunResult run = dir.run({"in.raw", "16", "-h0x20", "-s0x20", "-v"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.ends_with("in.WAV : 0x00000020 : 0x000000A0\n")) << run.out;
  EXPECT_EQ(samplesOf(dir, "in.WAV"), interleaved(decoded(l), decoded(r)));

  // A skip that carries the read position past 0x7FFFFFFF ends the run there, and the
  // offset is shown in full rather than wrapped.
  const RunResult far = dir.run({"in.raw", "16", "-h0x20", "-s0x7FFFFFF0", "-v"});
  EXPECT_EQ(far.status, 0);
  EXPECT_TRUE(far.out.ends_with("in.WAV : 0x00000020 : 0x80000030\n")) << far.out;
  EXPECT_EQ(samplesOf(dir, "in.WAV"), interleaved(slice(decoded(l), 0, 28), slice(decoded(r), 0, 28)));
}

TEST(WavOutput, NonDecodeTypeFrames) {
  // Frames with header 0x00 add no samples; a pair writes as many entries as its second
  // block decoded, the first buffer supplying older entries.
  const Bytes a1 = loud(0x21), a2 = loud(0x32), a3 = loud(0x43), b1 = loud(0x13), b2 = loud(0x24), b3 = loud(0x31);
  const Bytes skipped = frame(0x00, 0, {0x55});
  struct Case {
    const char* name;
    const char* blockSize;
    Bytes input;
    std::vector<int16_t> samples;
  };
  const std::vector<int16_t> left = decoded(a1 + a2), right = decoded(b1 + b2);
  // Blocks of three frames. The first two pairs wait together in a decode window, the
  // second shorter than the first; the third (its first block shorter than its second)
  // is written from the pair buffers, whose first one then holds its own entries, the
  // second pair's and, past those, the first pair's.
  const std::vector<int16_t> l3 = decoded(a1 + a2 + a3 + a1 + a2 + a1);
  const std::vector<int16_t> r3 = decoded(b1 + b2 + b3 + b1 + b1 + b2 + b3);
  const Case cases[] = {
      {"in the second block: the pair is shorter", "0x20", a1 + a2 + b1 + skipped,
       interleaved(slice(left, 0, 28), decoded(b1))},
      // The second pair's first block decodes only a1 (continuing the history); its
      // entries 14..27 still hold a2 of the first pair.
      {"in the first block: stale entries fill in", "0x20", a1 + a2 + b1 + b2 + skipped + a1 + b1 + b2,
       joined(interleaved(left, right),
              interleaved(joined(slice(decoded(a1 + a2 + a1), 56, 84), slice(left, 28, 56)),
                          slice(decoded(b1 + b2 + b1 + b2), 56, 112)))},
      {"stale entries from two pairs of a window", "0x30",
       a1 + a2 + a3 + b1 + b2 + b3 + a1 + a2 + skipped + b1 + skipped + skipped + skipped + a1 + skipped + b1 + b2 + b3,
       joined(joined(interleaved(slice(l3, 0, 84), slice(r3, 0, 84)), interleaved(slice(l3, 84, 112), slice(r3, 84, 112))),
              interleaved(joined(joined(slice(l3, 140, 168), slice(l3, 112, 140)), slice(l3, 56, 84)), slice(r3, 112, 196)))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    dir.write("in.raw", c.input);
    ASSERT_EQ(dir.run({"in.raw", c.blockSize, "-x00"}).status, 0);
    EXPECT_EQ(samplesOf(dir, "in.WAV"), c.samples);
  }
}

TEST(Console, DumpLinesShowEveryFrameAndThePartOneRead) {
  Scratch dir;
  const Bytes a = frame(0x0C, 0x00, {0x71, 0x00, 0xAB}), b = frame(0x21, 0x02, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
  dir.write("in.raw", a + b + Bytes{0x99, 0x88, 0x77});
  const RunResult r = dir.run({"in.raw", "16", "-d"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "BlockSize:16\nDumpMode\n"
            "0C 00 71 00 AB 00 00 00 00 00 00 00 00 00 00 00 \n"
            "21 02 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E \n"
            "99 88 77 FF 03 04 05 06 07 08 09 0A 0B 0C 0D 0E \n"
            "in.WAV\n");
}

TEST(Console, ProgressEveryMebibyte) {
  Scratch dir;
  dir.write("in.raw", repeat(loud(0x21), 0x200000 / 16));
  const RunResult r = dir.run({"in.raw", "0x800", "-v"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "BlockSize:2048\nverbose\n"
            "0x00100000 / 0x002000000x11\r"
            "0x00200000 / 0x002000000x11\r"
            "in.WAV : 0x00000000 : 0x00200000\n");
}

// Segments cut at all-zero frames (archive type 2), blocks of one frame.
const Bytes kCut(16, 0);

Bytes pairs(uint32_t seed, size_t count) {
  const Bytes l = music(seed, count), r = music(seed + 100, count);
  Bytes out;
  for (size_t p = 0; p < count; ++p) {
    out = out + Bytes(l.begin() + static_cast<long>(p) * 16, l.begin() + static_cast<long>(p) * 16 + 16);
    out = out + Bytes(r.begin() + static_cast<long>(p) * 16, r.begin() + static_cast<long>(p) * 16 + 16);
  }
  return out;
}

std::vector<int16_t> pairSamples(uint32_t seed, size_t count) {
  return interleaved(decoded(music(seed, count)), decoded(music(seed + 100, count)));
}

TEST(Segments, DroppedSegmentsReuseTheFirstFreeNumber) {
  Scratch dir;
  dir.write("in.raw", pairs(1, 2) + kCut + pairs(2, 1) + kCut + pairs(3, 4) + kCut + pairs(4, 5));
  const RunResult r = dir.run({"in.raw", "16", "-t2", "-m64"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "BlockSize:16\nType:2\nFileMinimunSize:64\nin_0000.WAV\nin_0001.WAV\nin_0001.WAV");
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"in.raw", "in_0000.WAV", "in_0001.WAV"}));
  EXPECT_EQ(samplesOf(dir, "in_0000.WAV"), pairSamples(3, 4));
  EXPECT_EQ(samplesOf(dir, "in_0001.WAV"), pairSamples(4, 5));
}

TEST(Segments, KeptFileEndsAtItsOwnData) {
  // A dropped segment of three pairs, then a kept one of four pairs whose first three
  // second blocks are not decoded: it writes one pair over the three in the same file.
  const Bytes skipped = frame(0x00, 0, {0x55});
  const Bytes c = music(7, 4), d = music(8, 1);
  Bytes kept;
  for (long p = 0; p < 4; ++p) {
    kept = kept + Bytes(c.begin() + p * 16, c.begin() + p * 16 + 16) + (p < 3 ? skipped : d);
  }
  Scratch dir;
  dir.write("in.raw", pairs(1, 3) + kCut + kept + kCut + pairs(2, 5));
  const RunResult r = dir.run({"in.raw", "16", "-t2", "-m0x60", "-x00"});
  EXPECT_EQ(r.status, 0);
  const Bytes file = dir.read("in_0000.WAV");
  EXPECT_EQ(file.size(), 44u + 112u);
  EXPECT_EQ(parseWav(file).samples, interleaved(slice(decoded(c), 84, 112), decoded(d)));
  EXPECT_EQ(samplesOf(dir, "in_0001.WAV"), pairSamples(2, 5));
}

TEST(Segments, FinishingStepRemovesATooSmallLastFile) {
  const Bytes skipped = frame(0x00, 0, {0x55});
  Bytes quietKept;  // five pairs, only the last second block decoded: 112 data bytes
  for (long p = 0; p < 5; ++p) quietKept = quietKept + loud(0x21) + (p < 4 ? skipped : loud(0x13));
  struct Case {
    const char* name;
    Bytes input;
    std::vector<std::string> switches;
    std::string out;
    std::vector<std::string> files;
  };
  const std::string t2m64 = "BlockSize:16\nType:2\nFileMinimunSize:64\n";
  const std::string skipping = "NonDecodeType:0x00\n";
  const Case cases[] = {
      {"last segment dropped with its file open", pairs(1, 5) + kCut + pairs(2, 1), {"-t2", "-m64"},
       t2m64 + "in_0000.WAV\nin_0001.WAVremove\nin_0001.WAV", {"in.raw", "in_0000.WAV"}},
      {"last kept file measures too small", pairs(1, 5) + kCut + quietKept, {"-t2", "-m64", "-x00"},
       t2m64 + skipping + "in_0000.WAV\nin_0001.WAV\nin_0001.WAVremove\nin_0001.WAV", {"in.raw", "in_0000.WAV"}},
      // The last file's 112 data bytes stand for 32 input bytes: removed at -m32, kept at -m31.
      {"last file worth exactly -m bytes", pairs(1, 5) + kCut + quietKept, {"-t2", "-m32", "-x00"},
       "BlockSize:16\nType:2\nFileMinimunSize:32\n" + skipping + "in_0000.WAV\nin_0001.WAV\nin_0001.WAVremove\nin_0001.WAV",
       {"in.raw", "in_0000.WAV"}},
      {"last file worth one byte more than -m", pairs(1, 5) + kCut + quietKept, {"-t2", "-m31", "-x00"},
       "BlockSize:16\nType:2\nFileMinimunSize:31\n" + skipping + "in_0000.WAV\nin_0001.WAV\nin_0001.WAV",
       {"in.raw", "in_0000.WAV", "in_0001.WAV"}},
      {"large enough: kept", pairs(1, 5), {"-t2", "-m64"}, t2m64 + "in_0000.WAV\nin_0000.WAV",
       {"in.raw", "in_0000.WAV"}},
      {"no archive type: the single file is not measured", quietKept, {"-m64", "-x00"},
       "BlockSize:16\nFileMinimunSize:64\n" + skipping + "in.WAV\n", {"in.WAV", "in.raw"}},
      {"no archive type, segment dropped: no headerless file stays", pairs(1, 2), {"-m64"},
       "BlockSize:16\nFileMinimunSize:64\nin.WAVremove\nin.WAV", {"in.raw"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    const RunResult r = dir.convert(c.input, "16", c.switches);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(dir.files(), c.files);
  }
}

TEST(Segments, OlderFilesWithThePlaceholderNameAreLeftAlone) {
  Scratch dir;
  dir.write("in.raw", kCut + kCut + frame(0x21, 0, {1}));  // no segment completes a pair
  dir.write("in_0000.WAV", {'o', 'l', 'd'});
  const RunResult r = dir.run({"in.raw", "16", "-t2", "-m64"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "BlockSize:16\nType:2\nFileMinimunSize:64\n");
  EXPECT_EQ(dir.read("in_0000.WAV"), (Bytes{'o', 'l', 'd'}));
}

TEST(Segments, Numbering) {
  struct Case {
    std::vector<std::string> switches;
    std::string out;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {{"-t2", "-n0x1A"}, "in_001A.WAV\nin_001B.WAV\nin_001C.WAV\nin_001C.WAV", {"in.raw", "in_001A.WAV", "in_001B.WAV", "in_001C.WAV"}},
      {{"-t2", "-n0xFFFF"}, "in_FFFF.WAV\nnumberling over\nin_FFFF.WAV", {"in.raw", "in_FFFF.WAV"}},
      {{"-n0x1A"}, "StartFileNo:26\nin.WAV\n", {"in.WAV", "in.raw"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.switches));
    Scratch dir;
    const RunResult r = dir.convert(pairs(1, 2) + kCut + pairs(2, 2) + kCut + pairs(3, 2), "16", c.switches);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with(c.out)) << r.out;
    EXPECT_EQ(dir.files(), c.files);
  }
}

TEST(Failures, InputsAndOutputsThatCannotBeUsed) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    std::string input;
    std::function<void(const Scratch&)> prepare;
    std::string out;
  };
  const Case cases[] = {
      {"missing input", "in.raw", [](const Scratch&) {}, "in.raw\nnot read src file\n"},
      {"directory as input", "dir", [](const Scratch& d) { fs::create_directory(d.path("dir")); },
       "dir\nnot read src file\n"},
      {"FIFO as input", "pipe", [](const Scratch& d) { mkfifo(d.path("pipe").c_str(), 0600); },
       "pipe\nnot read src file\n"},
      {"device as input", "/dev/zero", [](const Scratch&) {}, "/dev/zero\nnot read src file\n"},
      {"output is a directory", "in.raw",
       [](const Scratch& d) {
         d.write("in.raw", pairs(1, 2));
         fs::create_directory(d.path("in.WAV"));
       },
       "in.WAV\nnot write output file\n"},
      {"output is a link to a device", "in.raw",
       [](const Scratch& d) {
         d.write("in.raw", pairs(1, 2));
         fs::create_symlink("/dev/full", d.path("in.WAV"));
       },
       "in.WAV\nnot write output file\n"},
      {"output would overwrite the input", "in.WAV", [](const Scratch& d) { d.write("in.WAV", pairs(1, 2)); },
       "in.WAV\nnot write output file\n"},
      {"output name links to the input", "in.raw",
       [](const Scratch& d) {
         d.write("in.raw", pairs(1, 2));
         fs::create_symlink("in.raw", d.path("in.WAV"));
       },
       "in.WAV\nnot write output file\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    c.prepare(dir);
    const bool hadInput = dir.exists(c.input) && fs::is_regular_file(dir.path(c.input));
    const Bytes before = hadInput ? dir.read(c.input) : Bytes{};
    const RunResult r = dir.run({c.input, "16"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "BlockSize:16\n" + c.out);
    if (hadInput) {
      EXPECT_EQ(dir.read(c.input), before);
    }
  }
}

}  // namespace
