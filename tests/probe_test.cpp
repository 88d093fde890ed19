// talvimo-probe, end to end: archives built with the project's encoder are probed by
// the binary, and the command it suggests is run through talvimo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "encode/adpcm_encoder.h"
#include "encode/probe_set.h"
#include "encode/signals.h"
#include "support/frames.h"
#include "support/json_reader.h"
#include "support/random.h"
#include "support/scratch.h"

namespace {

RunResult probe(const Scratch& dir, const std::vector<std::string>& args) {
  RunSurroundings surroundings;
  surroundings.binary = TALVIMO_PROBE_BINARY;
  return dir.run(args, surroundings);
}

std::string hex(size_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%zX", value);
  return text;
}

size_t wavFiles(const Scratch& dir) {
  size_t count = 0;
  for (const std::string& name : dir.files()) count += name.size() > 4 && name.substr(name.size() - 4) == ".WAV";
  return count;
}

ProbeCase stereoCase(ProbeSound sound, uint32_t block, uint32_t header, int tracks, double seconds, uint32_t seed) {
  return ProbeCase{"in", sound, block, header, 0, tracks, seconds, seed};
}

ProbeCase leadInCase(uint32_t block, uint32_t header, int leadIn) {
  ProbeCase c{"in", ProbeSound::Music, block, header, 0, 1, 6.0, 12};
  c.leadInFrames = leadIn;
  return c;
}

ProbeCase trailedCase(uint32_t block, uint32_t header, uint32_t trailer) {
  return ProbeCase{"in", ProbeSound::Music, block, header, trailer, 1, 4.0, 14};
}

// One stream whose first frame is a marker frame (as a silent first frame is encoded).
Bytes beginningWithAMarker() {
  Bytes archive = buildProbeArchive(stereoCase(ProbeSound::Music, 0x800, 0, 1, 4.0, 15));
  std::fill(archive.begin(), archive.begin() + 16, 0);
  archive[0] = 0x0C;
  return archive;
}

ProbeCase monoCase(ProbeSound sound, uint32_t header, uint32_t trailer, int tracks, uint32_t seed) {
  return ProbeCase{"in", sound, 0, header, trailer, tracks, 12.0 / tracks + 1.0, seed};
}

// Mono streams one after another, each ending in a frame with the flag byte 1, or
// parted by one empty frame.
Bytes monoStreams(int streams, bool flagged) {
  Bytes out;
  for (int s = 0; s < streams; ++s) {
    Bytes stream = encodeStream(synthesizeVoice(40 + static_cast<uint32_t>(s), 44100 * 3, 44100));
    if (flagged) {
      stream[stream.size() - 15] = static_cast<uint8_t>(s == 0 ? 7 : 1 + 2 * s);  // 7 inside the sound, then 3, 5, ...
    } else if (s > 0) {
      out.insert(out.end(), 16, 0);
    }
    out.insert(out.end(), stream.begin(), stream.end());
  }
  return out;
}

// Two marked stereo tracks, two pairs of marker frames (silence between markers), then
// three marked tracks: blocks of 0x200.
Bytes tracksWithASilentGap() {
  Bytes archive = buildProbeArchive(stereoCase(ProbeSound::Music, 0x200, 0, 2, 3.0, 21));
  for (int frame = 0; frame < 2 * 2 * 0x200 / 16; ++frame) {
    archive.push_back(0x0C);
    archive.insert(archive.end(), 15, 0);
  }
  const Bytes marked = buildProbeArchive(stereoCase(ProbeSound::Music, 0x200, 0, 3, 3.0, 22));
  archive.insert(archive.end(), marked.begin(), marked.end());
  return archive;
}

// Digital silence as an encoder that lets filter 0 win ties writes it: runs of marker
// frames. A stream of `pieces` sounds, each of `frames` frames, with `pause` such frames
// between them.
Bytes withPauses(const std::vector<Bytes>& pieces, size_t pause) {
  Bytes out;
  for (size_t p = 0; p < pieces.size(); ++p) {
    if (p > 0) out = out + repeat(markerFrame(), pause);
    out = out + pieces[p];
  }
  return out;
}

// One stereo drum loop whose silent gaps put marker frames at many pair starts (blocks
// of 0x200: gaps of 100 frames span three blocks).
Bytes drumsWithSilentGaps() {
  std::vector<Bytes> left, right;
  for (uint32_t hit = 0; hit < 8; ++hit) {
    std::vector<int16_t> l, r;
    synthesizeDrums(60 + hit, 44100 / 2, 44100, l, r);
    left.push_back(encodeStream(l));
    right.push_back(encodeStream(r));
  }
  return interleaveBlocks(withPauses(left, 100), withPauses(right, 100), 0x200);
}

// Stereo streams one after another, each followed by `empty` empty frames; their
// channels end part way through a block, so that each stream ends with a short pair
// (blocks of 0x400).
Bytes stereoStreamsParted(int streams, size_t empty = 1) {
  Bytes out;
  for (int s = 0; s < streams; ++s) {
    std::vector<int16_t> l, r;
    synthesizeStereoMusic(70 + static_cast<uint32_t>(s), 44100 * 3 + 1000 * static_cast<size_t>(s), 44100, l, r);
    const Bytes left = encodeStream(l), right = encodeStream(r);
    const size_t whole = left.size() / 0x400 * 0x400;  // whole pairs, then what is left of each channel in turn
    Bytes stream = interleaveBlocks(Bytes(left.begin(), left.begin() + static_cast<long>(whole)),
                                    Bytes(right.begin(), right.begin() + static_cast<long>(whole)), 0x400);
    stream = stream + Bytes(left.begin() + static_cast<long>(whole), left.end()) + Bytes(right.begin() + static_cast<long>(whole), right.end());
    out = out + stream + Bytes(16 * empty, 0);
  }
  return out;
}

// Stereo parts that each open with `silent` frames of digital silence in both channels
// (marker frames, as an encoder that lets filter 0 win ties writes them), so that
// talvimo's type 1 cuts at each: blocks of 0x400. The parts are pieces of their own, or
// one piece of music cut in three, whose silences are pauses. An encoder that writes
// silence with shift 0 writes empty frames instead.
Bytes partsOpeningWithSilence(size_t silent, bool onePiece, const Bytes& silence = markerFrame()) {
  constexpr size_t kPart = 44100 * 2 / 1792 * 1792;  // 2 seconds in whole blocks of 64 frames
  std::vector<int16_t> wholeLeft, wholeRight;
  synthesizeStereoMusic(90, 3 * kPart, 44100, wholeLeft, wholeRight);
  Bytes out;
  for (size_t part = 0; part < 3; ++part) {
    std::vector<int16_t> l(wholeLeft.begin() + static_cast<long>(part * kPart), wholeLeft.begin() + static_cast<long>((part + 1) * kPart));
    std::vector<int16_t> r(wholeRight.begin() + static_cast<long>(part * kPart), wholeRight.begin() + static_cast<long>((part + 1) * kPart));
    if (!onePiece) synthesizeStereoMusic(91 + static_cast<uint32_t>(part), kPart, 44100, l, r);
    const Bytes left = repeat(silence, silent) + encodeStream(l), right = repeat(silence, silent) + encodeStream(r);
    out = out + interleaveBlocks(left, right, 0x400);
  }
  return out;
}

// Stereo music whose channels each open with a loud attack from silence: a frame of
// shift 1 whose small codes leave zero bytes here and there, as a header's numbers do.
Bytes attackFrame() { return {0x21, 0x00, 0xB6, 0x01, 0x00, 0x10, 0x1F, 0x00, 0xF1, 0x01, 0x10, 0x1F, 0x00, 0x01, 0x00, 0x10}; }

Bytes stereoOpeningWithAnAttack(size_t block = 0x800, uint32_t seed = 95) {
  std::vector<int16_t> l, r;
  synthesizeStereoMusic(seed, 44100 * 4, 44100, l, r);
  return interleaveBlocks(attackFrame() + encodeStream(l), attackFrame() + encodeStream(r), block);
}


// Stereo music whose left channel pauses for 12 empty frames at the start of its 20th
// block, the right going on (blocks of 0x400).
Bytes stereoWithAPause() {
  std::vector<int16_t> l, r;
  synthesizeStereoMusic(96, 44100 * 3, 44100, l, r);
  Bytes left = encodeStream(l);
  std::fill(left.begin() + 20 * 0x400, left.begin() + 20 * 0x400 + 12 * 16, uint8_t{0});
  return interleaveBlocks(left, encodeStream(r), 0x400);
}

// Stereo music whose right channel is 20 dB quieter than its left, in blocks of
// `block` bytes: read at half that size, a pair's two blocks would be one channel's.
Bytes stereoWithAQuietSide(size_t block, uint32_t seed) {
  std::vector<int16_t> l, r;
  synthesizeStereoMusic(seed, 44100 * 4, 44100, l, r);
  for (int16_t& sample : r) sample = static_cast<int16_t>(sample / 10);
  return interleaveBlocks(encodeStream(l), encodeStream(r), block);
}

// Mono clips with pauses inside, parted by two empty frames.
Bytes monoClipsWithPauses(int clips) {
  Bytes out;
  for (int c = 0; c < clips; ++c) {
    std::vector<Bytes> words;
    for (uint32_t w = 0; w < 4; ++w) words.push_back(encodeStream(synthesizeVoice(80 + 4 * static_cast<uint32_t>(c) + w, 44100 / 2, 44100)));
    if (c > 0) out = out + Bytes(32, 0);
    out = out + withPauses(words, 40);
  }
  return out;
}

struct Layout {
  const char* what;
  Bytes archive;
  std::string channels, blockSize, start, end, archiveType;
  size_t files;  // WAV files the suggested command writes
};

TEST(Probe, FindsTheLayoutAndACommandThatCutsTheTracks) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  const Bytes voiceFlags = monoStreams(3, true);
  const Bytes voiceGaps = monoStreams(4, false);
  const Bytes voiceGaps1 = monoStreams(1, false);
  const Bytes trailed = buildProbeArchive(monoCase(ProbeSound::Instrument, 0x800, 0x200, 1, 6));
  // A header whose last 16 bytes are zeros but the last: a frame of shift 0 with two codes.
  Bytes zeroPadded = buildProbeArchive(monoCase(ProbeSound::Voice, 0x800, 0, 1, 19));
  std::fill(zeroPadded.begin() + 0x7F0, zeroPadded.begin() + 0x7FF, uint8_t{0});
  zeroPadded[0x7FF] = 0xFF;
  // Streams that begin with 3 empty frames right after the header's last byte, one of
  // 0x30 bytes; and zeros that pad a header up to the end of its sector.
  Bytes emptyBegun = buildProbeArchive(monoCase(ProbeSound::Voice, 0x30, 0, 1, 23));
  emptyBegun[0x2F] = 0xAB;
  emptyBegun.insert(emptyBegun.begin() + 0x30, 3 * 16, uint8_t{0});
  Bytes sectorPadded = buildProbeArchive(monoCase(ProbeSound::Voice, 0x800, 0, 1, 23));
  std::fill(sectorPadded.begin() + 0x7D0, sectorPadded.begin() + 0x800, uint8_t{0});
  sectorPadded[0x7CF] = 0xAB;
  // A header that ends in a table of little-endian numbers whose last 16 bytes pass for
  // a frame of shift 0; and a stream whose first frame is a loud attack after silence.
  Bytes numbered = buildProbeArchive(monoCase(ProbeSound::Voice, 0x30, 0, 1, 24));
  const uint8_t table[16] = {0x00, 0x00, 0x10, 0x00, 0x00, 0x28, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x40, 0x1F, 0x00, 0x00};
  std::copy(table, table + 16, numbered.begin() + 0x20);
  Bytes stereoNumbered = buildProbeArchive(stereoCase(ProbeSound::Music, 0x800, 0x30, 1, 4.0, 25));
  std::copy(table, table + 16, stereoNumbered.begin() + 0x20);
  Bytes attacked = buildProbeArchive(monoCase(ProbeSound::Voice, 0, 0, 1, 24));
  const uint8_t attack[16] = {0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x22, 0x22, 0x22};
  attacked.insert(attacked.begin(), attack, attack + 16);
  // A trailer of an odd length: the frames before it do not end on the input's 16-byte grid.
  const Bytes oddTrailer = buildProbeArchive(trailedCase(0x400, 0x30, 0x1F3));
  // A trailer of nearly 64 KiB: the last frames of sound lie before the input's last 64 KiB.
  const Bytes longTrailer = buildProbeArchive(trailedCase(0x800, 0, 65413));
  const Bytes bank = stereoStreamsParted(3, 9);  // the sound ends with the last stream's first empty frame
  const Bytes pausedBank = stereoWithAPause() + Bytes(9 * 16, 0) + stereoStreamsParted(2, 9);
  const Layout rows[] = {
      {"stereo music, odd block size, a short header, marked tracks",
       buildProbeArchive(stereoCase(ProbeSound::Music, 0x240, 0x30, 3, 4.0, 3)), "2", "576", "48", "", "1", 3},
      {"stereo drums, the largest block size, one stream",
       buildProbeArchive(stereoCase(ProbeSound::Drums, 0x8000, 0, 1, 16.0, 4)), "2", "32768", "0", "", "null", 1},
      {"stereo music, blocks of 0x1800 behind a header of 0x1000",
       buildProbeArchive(stereoCase(ProbeSound::Music, 0x1800, 0x1000, 1, 8.0, 5)), "2", "6144", "4096", "", "null", 1},
      {"stereo streams that begin with 5 silent frames, behind a zero-padded header",
       buildProbeArchive(leadInCase(0x400, 0x800, 5)), "2", "1024", "2048", "", "null", 1},
      // 70 silent frames fill two pairs of blocks of 32 frames: the sound starts with the
      // third pair, 6 frames before its first sound.
      {"stereo streams that begin with silent frames over two whole pairs",
       buildProbeArchive(leadInCase(0x200, 0x30, 70)), "2", "512", std::to_string(0x30 + 2 * 0x400), "", "null", 1},
      // Streams that begin with silence and no header: the empty frames at the very start
      // are part of the first pair.
      {"stereo streams with no header that begin with 2 silent frames, blocks of 0x800",
       buildProbeArchive(leadInCase(0x800, 0, 2)), "2", "2048", "0", "", "null", 1},
      {"stereo streams with no header that begin with 7 silent frames, blocks of 0x100",
       buildProbeArchive(leadInCase(0x100, 0, 7)), "2", "256", "0", "", "null", 1},
      {"stereo streams with no header that begin with 40 silent frames, blocks of 0x1000",
       buildProbeArchive(leadInCase(0x1000, 0, 40)), "2", "4096", "0", "", "null", 1},
      {"stereo music in blocks of 4 frames", buildProbeArchive(stereoCase(ProbeSound::Music, 0x40, 0, 1, 4.0, 16)), "2",
       "64", "0", "", "null", 1},
      // A pair's first block louder than its second, block after block, shows the size.
      {"stereo in blocks of 2 frames, one channel 20 dB quieter", stereoWithAQuietSide(0x20, 97), "2", "32", "0", "", "null", 1},
      {"stereo in blocks of 8 frames, one channel 20 dB quieter", stereoWithAQuietSide(0x80, 98), "2", "128", "0", "", "null", 1},
      {"one stream whose first frame is a marker", beginningWithAMarker(), "2", "2048", "0", "", "null", 1},
      {"stereo music whose first frames are attacks that pass for a header's numbers", stereoOpeningWithAnAttack(), "2",
       "2048", "0", "", "null", 1},
      {"stereo behind a header whose last numbers pass for a loud frame", stereoNumbered, "2", "2048", "48", "", "null", 1},
      {"stereo with a trailer of an odd length", oddTrailer, "2", "1024", "48", std::to_string(oddTrailer.size() - 0x1F3),
       "null", 1},
      {"stereo with a trailer of nearly 64 KiB", longTrailer, "2", "2048", "0", std::to_string(longTrailer.size() - 65413),
       "null", 1},
      // Silence inside one stream, at pair starts: no tracks.
      {"one stereo drum loop whose silent gaps put marker frames at pair starts", drumsWithSilentGaps(), "2", "512", "0",
       "", "null", 1},
      {"stereo whose channels carry two unrelated pieces", buildProbeArchive(stereoCase(ProbeSound::Duet, 0x1000, 0, 1, 8.0, 17)),
       "2", "4096", "0", "", "null", 1},
      // Too few joins to tell by: whole blocks tell.
      {"stereo of music in one channel and a voice in the other, blocks of 0x2000 in 3 seconds",
       buildProbeArchive(stereoCase(ProbeSound::MusicAndVoice, 0x2000, 0, 1, 3.0, 17)), "2", "8192", "0", "", "null", 1},
      {"the same in blocks of 0x8000 in 6 seconds: nine blocks",
       buildProbeArchive(stereoCase(ProbeSound::MusicAndVoice, 0x8000, 0, 1, 6.0, 18)), "2", "32768", "0", "", "null", 1},
      {"the same in 5 seconds: seven blocks, evidence below the bar for short blocks",
       buildProbeArchive(stereoCase(ProbeSound::MusicAndVoice, 0x8000, 0, 1, 5.0, 24)), "2", "32768", "0", "", "null", 1},
      {"stereo streams parted by one empty frame at any alignment", stereoStreamsParted(3), "2", "1024", "0", "", "2", 3},
      // A sound bank's padding: runs of empty frames part the streams, and pairs begin
      // anew after each; inside one piece such runs are silence, which pairs go over.
      {"stereo streams parted by 9 empty frames", bank, "2", "1024", "0", std::to_string(bank.size() - 8 * 16), "2", 3},
      {"one stereo piece with pauses of 12 empty frames at pair starts", partsOpeningWithSilence(12, true, Bytes(16, 0)), "2",
       "1024", "0", "", "null", 1},
      {"stereo streams parted by 9 empty frames, the first with a pause of 12 inside", pausedBank, "2", "1024", "0", "",
       "null", 1},
      // The first stream's separator, right after a header: the pairs begin with it.
      {"stereo streams parted by one empty frame, one before the first, behind a header",
       Bytes(0x30, 0xAB) + Bytes(16, 0) + stereoStreamsParted(3), "2", "1024", "48", "", "2", 3},
      {"stereo tracks that each open with 3 silent frames, marked", partsOpeningWithSilence(3, false), "2", "1024", "0", "", "1", 3},
      // Silence longer than a track's opening at pair starts inside one piece: pauses.
      {"one stereo piece with pauses of 12 silent frames at pair starts", partsOpeningWithSilence(12, true), "2", "1024", "0", "", "null", 1},
      {"mono clips parted by empty frames, with pauses inside", monoClipsWithPauses(3), "1", "null", "0", "", "2", 3},
      // Empty frames from the input's first byte: the first clip's separator where
      // empty frames part the clips, a header's zeros before one stream.
      {"mono clips parted by empty frames, the first behind 6 empty frames at the input's start",
       Bytes(6 * 16, 0) + monoClipsWithPauses(3), "1", "null", "0", "", "2", 3},
      {"the same, the first clip opening with an attack that passes for a header's numbers",
       Bytes(6 * 16, 0) + attackFrame() + monoClipsWithPauses(3), "1", "null", "0", "", "2", 3},
      {"one mono stream behind 6 empty frames at the input's start", Bytes(6 * 16, 0) + voiceGaps1, "1", "null", "96", "",
       "null", 1},
      {"stereo tracks with two silent pairs of markers between two of them",
       tracksWithASilentGap(), "2", "512", "0", "", "1", 5},
      {"mono voices back to back, marked",
       buildProbeArchive(monoCase(ProbeSound::Voice, 0x1000, 0, 4, 7)), "1", "null", "4096", "", "1", 4},
      {"mono instruments in whole sectors, marked",
       buildProbeArchive(monoCase(ProbeSound::Instrument, 0, 0, 3, 8)), "1", "null", "0", "", "1", 3},
      {"mono with a trailer of other data", trailed, "1", "null", "2048", std::to_string(trailed.size() - 0x200),
       "null", 1},
      {"mono behind a header that ends in zeros and a byte 0xFF", zeroPadded, "1", "null", "2048", "", "null", 1},
      {"mono beginning with empty frames right after the header", emptyBegun, "1", "null", "48", "", "null", 1},
      {"mono behind a header whose zeros fill its sector", sectorPadded, "1", "null", "2048", "", "null", 1},
      {"mono behind a header whose last numbers pass for a loud frame", numbered, "1", "null", "48", "", "null", 1},
      {"mono beginning with a loud attack after silence", attacked, "1", "null", "0", "", "null", 1},
      {"mono streams ending in flagged frames", voiceFlags, "1", "null", "0", "", "5", 3},
      {"mono streams parted by empty frames", voiceGaps, "1", "null", "0", "", "2", 4},
  };
  for (const Layout& row : rows) {
    SCOPED_TRACE(row.what);
    Scratch dir;
    dir.write("in.raw", row.archive);
    const RunResult r = probe(dir, {"in.raw", "--json"});
    ASSERT_EQ(r.status, 0) << r.out;
    const JsonValues json = readJson(dir, r.out);
    ASSERT_TRUE(json.parsed) << r.out;
    EXPECT_EQ(json["channels"], row.channels);
    EXPECT_EQ(json["block_size"], row.blockSize);
    EXPECT_EQ(json["start"], row.start);
    EXPECT_EQ(json["end"], row.end.empty() ? std::to_string(row.archive.size()) : row.end);
    EXPECT_EQ(json["archive_type"], row.archiveType);
    EXPECT_EQ(json["tracks"], std::to_string(row.files));
    const std::vector<std::string> command = json.strings("command");
    ASSERT_GE(command.size(), 2u);
    EXPECT_EQ(command[0], "in.raw");
    // A minimum size only where silent pieces would otherwise be files of their own.
    EXPECT_EQ(json["minimum_size"], std::string(row.what).find("silent pairs") != std::string::npos ? "1024" : "0");
    EXPECT_EQ(dir.run(command).status, 0);
    EXPECT_EQ(wavFiles(dir), row.files) << r.out;
  }
}

// A steady tone with a few harmonics, its loudness slowly swelling: a pitch period of a
// few frames gives its frames a rhythm against the frame grid.
Bytes steadyTone(double frequency, double seconds) {
  const int rate = 44100;
  std::vector<int16_t> pcm(static_cast<size_t>(seconds * rate));
  for (size_t i = 0; i < pcm.size(); ++i) {
    const double t = static_cast<double>(i) / rate, phase = 2.0 * 3.14159265358979323846 * frequency * t;
    double sound = 0.0;
    for (int harmonic = 1; harmonic <= 6; ++harmonic) sound += std::sin(harmonic * phase) / harmonic;
    const double swell = std::min(1.0, 20.0 * t) * (0.8 + 0.2 * std::sin(2.0 * 3.14159265358979323846 * 0.7 * t));
    pcm[i] = static_cast<int16_t>(6000.0 * swell * sound);
  }
  return encodeStream(pcm);
}

// A steady mono tone fits a stereo reading at many block sizes nearly as well as mono
// (each "channel" is the same tone), so the probe may lean either way; but it must not
// be sure of stereo. Here the tone's rhythm against the frame grid once lifted the joins
// of blocks of 16 to 20 frames to a sure stereo.
TEST(Probe, IsNeverSureOfStereoForASteadyMonoTone) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  for (const double frequency : {500.0, 550.0, 600.0}) {
    SCOPED_TRACE(frequency);
    Scratch dir;
    dir.write("tone.raw", steadyTone(frequency, 8.0));
    const RunResult r = probe(dir, {"tone.raw", "--json"});
    ASSERT_EQ(r.status, 0) << r.out;
    const JsonValues json = readJson(dir, r.out);
    ASSERT_TRUE(json.parsed) << r.out;
    if (json["channels"] == "2") {
      EXPECT_LT(std::atof(json["confidence"].c_str()), 0.9) << r.out;
    }
  }
}

// Whether the first frame is sound or a header's last numbers only the pairs can tell,
// and at short blocks they barely do: where the probe says it is sure of the layout, the
// start is right too.
TEST(Probe, IsSureOfAStartAfterAnAttackOnlyWhereItIsRight) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  for (const size_t block : {0x40, 0x60, 0x80, 0x100}) {
    for (uint32_t seed = 100; seed < 106; ++seed) {
      SCOPED_TRACE(std::to_string(block) + ", seed " + std::to_string(seed));
      Scratch dir;
      dir.write("in.raw", stereoOpeningWithAnAttack(block, seed));
      const RunResult r = probe(dir, {"in.raw", "--json"});
      ASSERT_EQ(r.status, 0) << r.out;
      const JsonValues json = readJson(dir, r.out);
      ASSERT_TRUE(json.parsed) << r.out;
      if (std::atof(json["confidence"].c_str()) < 0.9) continue;
      EXPECT_EQ(json["channels"], "2");
      EXPECT_EQ(json["block_size"], std::to_string(block));
      EXPECT_EQ(json["start"], "0");
    }
  }
}

// Blocks of one frame pair adjacent frames, whose loudness agrees as well where they
// are one channel's, in blocks of two frames whose channels carry unrelated sound: the
// probe is never sure of them.
TEST(Probe, IsNeverSureOfBlocksOfOneFrame) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  for (const uint32_t block : {0x10u, 0x20u}) {
    for (uint32_t seed = 110; seed < 114; ++seed) {
      SCOPED_TRACE(std::to_string(block) + ", seed " + std::to_string(seed));
      Scratch dir;
      dir.write("in.raw", buildProbeArchive(stereoCase(seed % 2 ? ProbeSound::Duet : ProbeSound::MusicAndVoice, block, 0, 1, 4.0, seed)));
      const RunResult r = probe(dir, {"in.raw", "--json"});
      ASSERT_EQ(r.status, 0) << r.out;
      const JsonValues json = readJson(dir, r.out);
      ASSERT_TRUE(json.parsed) << r.out;
      if (json["block_size"] == "16") {
        EXPECT_LT(std::atof(json["confidence"].c_str()), 0.9) << r.out;
      }
    }
  }
}

// A clip with a 48-byte VAGp header: magic, version, data size (big-endian) at 12,
// sample rate at 16, a name at 32.
Bytes vagClip(const Bytes& data, uint32_t rate, const char* name) {
  Bytes header(48, 0);
  const uint8_t magic[] = {'V', 'A', 'G', 'p', 0, 0, 0, 0x20};
  std::copy(std::begin(magic), std::end(magic), header.begin());
  for (int i = 0; i < 4; ++i) {
    header[12 + static_cast<size_t>(i)] = static_cast<uint8_t>(data.size() >> (24 - 8 * i));
    header[16 + static_cast<size_t>(i)] = static_cast<uint8_t>(rate >> (24 - 8 * i));
  }
  for (size_t i = 0; name[i] != '\0' && i < 16; ++i) header[32 + i] = static_cast<uint8_t>(name[i]);
  return header + data;
}

// Bytes that are no sound: a table of 32-bit offsets, text, and seeded noise.
Bytes filler(size_t bytes, uint32_t seed) {
  Bytes out;
  for (uint32_t i = 0; out.size() < bytes / 3; ++i) {
    const uint32_t offset = 0x12345 + i * 0x2F31;
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(offset >> (8 * b)));
  }
  for (size_t i = 0; out.size() < 2 * bytes / 3; ++i) out.push_back(static_cast<uint8_t>("BGM_TRACK.STR\n"[i % 14]));
  for (uint32_t state = seed | 1; out.size() < bytes;) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    out.push_back(static_cast<uint8_t>(state));
  }
  return out;
}

struct Region {
  size_t start;
  std::string channels, blockSize;
  size_t files;
  std::string rate;  // -f on the command, or ""
};

// Every region of sound in a whole file, whatever lies between: each found where it
// starts, with its layout, and a command (bounded by -h and -b) that writes its tracks.
TEST(Probe, FindsEveryRegionOfAFile) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  const Bytes drums = buildProbeArchive(stereoCase(ProbeSound::Drums, 0x400, 0, 1, 4.0, 9));
  const Bytes music = buildProbeArchive(stereoCase(ProbeSound::Music, 0x800, 0, 3, 6.0, 31));
  const Bytes clips = monoClipsWithPauses(3);
  const Bytes toc = filler(200 * 1024, 3);  // a table of contents of 200 KiB
  const Bytes bank = clips + filler(50 * 1024, 4) + music + Bytes(0x400, 0) + filler(30 * 1024, 5) + drums;
  const Bytes voice1 = encodeStream(synthesizeVoice(91, 22050 * 2, 22050)), voice2 = encodeStream(synthesizeVoice(92, 44100, 44100));
  const Bytes vags = vagClip(voice1, 22050, "hello") + vagClip(voice2, 44100, "world") + vagClip(voice1, 32000, "again");
  const Bytes trailer = filler(100 * 1024, 6);  // longer than 64 KiB
  const struct {
    const char* what;
    Bytes input;
    std::vector<Region> regions;
  } rows[] = {
      {"a table of contents of 200 KiB, then the archive", toc + drums, {{toc.size(), "2", "1024", 1, ""}}},
      {"mono clips, stereo music and stereo drums with other data between them", bank,
       {{0, "1", "null", 3, ""},
        {clips.size() + 50 * 1024, "2", "2048", 3, ""},
        {clips.size() + 50 * 1024 + music.size() + 0x400 + 30 * 1024, "2", "1024", 1, ""}}},
      {"clips with VAGp headers back to back", vags,
       {{48, "1", "null", 1, "-f22050"}, {voice1.size() + 96, "1", "null", 1, "-f44100"},
        {voice1.size() + voice2.size() + 144, "1", "null", 1, "-f32000"}}},
      {"a trailer of 100 KiB", drums + trailer, {{0, "2", "1024", 1, ""}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Scratch dir;
    dir.write("in.bin", row.input);
    const RunResult r = probe(dir, {"in.bin", "--json"});
    ASSERT_EQ(r.status, 0) << r.out;
    const JsonValues json = readJson(dir, r.out);
    ASSERT_TRUE(json.parsed) << r.out;
    if (row.regions.size() > 1) {  // the text report numbers its regions
      const std::string text = probe(dir, {"in.bin"}).out;
      EXPECT_NE(text.find("\nregion      2 of " + std::to_string(row.regions.size()) + "\nstart       "), std::string::npos) << text;
    }
    // The keys of the first region stand at the top too, as before regions were found.
    EXPECT_EQ(json["start"], json["regions.0.start"]);
    EXPECT_EQ(json["command"], json["regions.0.command"]);
    ASSERT_EQ(json["regions." + std::to_string(row.regions.size() - 1) + ".start"], std::to_string(row.regions.back().start));
    EXPECT_EQ(json["regions." + std::to_string(row.regions.size()) + ".start"], "");
    for (size_t i = 0; i < row.regions.size(); ++i) {
      SCOPED_TRACE(i);
      const Region& expected = row.regions[i];
      const std::string at = "regions." + std::to_string(i);
      EXPECT_EQ(json[at + ".start"], std::to_string(expected.start));
      EXPECT_EQ(json[at + ".channels"], expected.channels);
      EXPECT_EQ(json[at + ".block_size"], expected.blockSize);
      const std::vector<std::string> command = json.strings(at + ".command");
      const size_t end = std::stoul(json[at + ".end"]);
      EXPECT_LE(end, row.input.size());
      // Bounded: no region's command reads into what lies after it; a clip's has its rate.
      if (i + 1 < row.regions.size()) {
        EXPECT_LE(end, row.regions[i + 1].start);
      }
      if (end < row.input.size()) {
        EXPECT_NE(std::find(command.begin(), command.end(), "-b" + hex(end)), command.end()) << json[at + ".command"];
      }
      if (!expected.rate.empty()) {
        EXPECT_NE(std::find(command.begin(), command.end(), expected.rate), command.end()) << json[at + ".command"];
      }
      // Run one after another, as pasted: each writes its own files, none of another's.
      const size_t before = wavFiles(dir);
      EXPECT_EQ(dir.run(command).status, 0);
      EXPECT_EQ(wavFiles(dir) - before, expected.files) << json[at + ".command"];
    }
  }
}

TEST(Probe, ReportsAsAlignedTextAndAsJson) {
  Scratch dir;
  ProbeCase trailed = stereoCase(ProbeSound::Music, 0x800, 0x800, 3, 5.0, 11);
  trailed.trailerSize = 0x200;
  const Bytes archive = buildProbeArchive(trailed);
  dir.write("bgm.raw", archive);
  const RunResult text = probe(dir, {"bgm.raw"});
  const RunResult json = probe(dir, {"--json", "bgm.raw"});
  ASSERT_EQ(text.status, 0);
  ASSERT_EQ(json.status, 0);
  // Every text line is a label padded to 12 columns and its value.
  size_t lines = 0;
  for (size_t at = 0; at < text.out.size(); at = text.out.find('\n', at) + 1, ++lines) {
    EXPECT_NE(text.out[at], ' ');
    EXPECT_EQ(text.out[at + 11], ' ');
    EXPECT_NE(text.out[at + 12], ' ');
  }
  EXPECT_GE(lines, 6u);
  EXPECT_NE(text.out.find("\nend         " + hex(archive.size() - 0x200) + " (512 bytes of other data follow)\n"),
            std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\ncommand     talvimo bgm.raw 0x800 -h0x800 -b" + hex(archive.size() - 0x200) + " -t1\n"),
            std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\nlayout      stereo, blocks of 0x800, confidence "), std::string::npos);
  EXPECT_NE(text.out.find("\ntracks      3, marker frames at pair starts (archive type 1), confidence 95 %\n"), std::string::npos)
      << text.out;

  // One object on one line, with the keys of the contract.
  EXPECT_EQ(json.out.find('\n'), json.out.size() - 1);
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  const JsonValues values = readJson(dir, json.out);
  ASSERT_TRUE(values.parsed) << json.out;
  EXPECT_EQ(values["input"], "bgm.raw");
  EXPECT_EQ(values["length"], std::to_string(archive.size()));
  EXPECT_EQ(values["channels"], "2");
  EXPECT_EQ(values["block_size"], "2048");
  EXPECT_EQ(values["start"], "2048");
  EXPECT_EQ(values["end"], std::to_string(archive.size() - 0x200));
  EXPECT_EQ(values["archive_type"], "1");
  EXPECT_EQ(values["tracks"], "3");
  EXPECT_EQ(values["tracks_confidence"], "0.95");
  EXPECT_EQ(values.strings("command"), (std::vector<std::string>{"bgm.raw", "0x800", "-h0x800", "-b" + hex(archive.size() - 0x200), "-t1"}));
  EXPECT_EQ(values["candidates.0.channels"], "2");
  EXPECT_EQ(values["candidates.0.block_size"], "2048");
  bool monoListed = false;
  double total = 0.0;
  for (int i = 0; !values["candidates." + std::to_string(i)].empty(); ++i) {
    const std::string at = "candidates." + std::to_string(i);
    monoListed = monoListed || (values[at + ".channels"] == "1" && values[at + ".block_size"] == "null");
    total += std::atof(values[at + ".confidence"].c_str());
  }
  EXPECT_TRUE(monoListed);
  EXPECT_NEAR(total, 1.0, 0.01);
  const double confidence = std::atof(values["confidence"].c_str());
  EXPECT_GT(confidence, 0.9);
  EXPECT_LE(confidence, 1.0);
}

TEST(Probe, FailsWithOneLineOnWhatHoldsNoSound) {
  Scratch dir;
  dir.write("empty.raw", {});
  Bytes noise(0x20000);
  uint32_t state = 12345;
  for (uint8_t& b : noise) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    b = static_cast<uint8_t>(state);
  }
  dir.write("noise.raw", noise);
  dir.write("zeros.raw", Bytes(0x8000, 0));
  std::filesystem::create_directory(dir.path("folder"));
  std::filesystem::copy_file(TALVIMO_SAMPLE, dir.path("demo.raw"), std::filesystem::copy_options::overwrite_existing);
  const struct {
    std::vector<std::string> args;
    std::string out;
    const char* stdoutPath = nullptr;  // standard output goes there instead
  } rows[] = {
      {{"empty.raw"}, "talvimo-probe: empty.raw: is empty\n"},
      {{"noise.raw"}, "talvimo-probe: noise.raw: holds no SPU ADPCM data\n"},
      {{"zeros.raw"}, "talvimo-probe: zeros.raw: holds no SPU ADPCM data\n"},
      {{"folder"}, "talvimo-probe: folder: cannot be read\n"},
      {{"missing.raw"}, "talvimo-probe: missing.raw: cannot be read\n"},
      {{"missing.raw", "--json"}, "{\"error\": \"talvimo-probe: missing.raw: cannot be read\"}\n"},
      {{"say \"hi\"\t.raw", "--json"}, "{\"error\": \"talvimo-probe: say \\\"hi\\\"\\u0009.raw: cannot be read\"}\n"},
      {{"back\\slash.raw", "--json"}, "{\"error\": \"talvimo-probe: back\\\\slash.raw: cannot be read\"}\n"},
      {{"demo.raw"}, "", "/dev/full"},  // a report that cannot be written
      {{}, "usage: talvimo-probe [--json] [--] INPUT...\n"},
      {{"noise.raw", "--xml"}, "usage: talvimo-probe [--json] [--] INPUT...\n"},
      // Several inputs: one report after another; one that fails leaves the others probed.
      {{"noise.raw", "zeros.raw"}, "talvimo-probe: noise.raw: holds no SPU ADPCM data\ntalvimo-probe: zeros.raw: holds no SPU ADPCM data\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.args));
    RunSurroundings surroundings;
    surroundings.binary = TALVIMO_PROBE_BINARY;
    surroundings.stdoutPath = row.stdoutPath;
    const RunResult r = dir.run(row.args, surroundings);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, row.out);
  }
}

// Names a shell would take apart or act on: the command line the text report prints,
// pasted into a shell, converts the input and does nothing else. The JSON holds any
// name, UTF-8 or not, so that Python's json reads it and gives its bytes back.
TEST(Probe, CommandLinesAShellTakesBack) {
  if (std::system("sh -c true") != 0) GTEST_SKIP() << "no shell";
  const Bytes archive = buildProbeArchive(stereoCase(ProbeSound::Music, 0x800, 0, 1, 3.0, 41));
  for (const std::string name : {"sp ace.raw", "a$(touch pwned).raw", "it's \"quoted\" & more.raw", "-dash.raw"}) {
    SCOPED_TRACE(name);
    Scratch dir;
    dir.write(name, archive);
    const RunResult r = probe(dir, {"--", name});
    ASSERT_EQ(r.status, 0) << r.out;
    const size_t at = r.out.find("\ncommand     talvimo ");
    ASSERT_NE(at, std::string::npos) << r.out;
    const size_t from = at + std::string("\ncommand     talvimo ").size();
    const std::string arguments(r.out.begin() + static_cast<std::ptrdiff_t>(from),
                                r.out.begin() + static_cast<std::ptrdiff_t>(r.out.find('\n', from)));
    const std::string script = std::string(TALVIMO_EMULATOR) + " '" + TALVIMO_BINARY + "' " + arguments + "\n";
    dir.write("paste.sh", Bytes(script.begin(), script.end()));
    EXPECT_EQ(std::system(("cd '" + dir.dir().string() + "' && sh paste.sh > /dev/null").c_str()), 0) << arguments;
    EXPECT_EQ(wavFiles(dir), 1u) << arguments;
    EXPECT_FALSE(dir.exists("pwned"));
  }

  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  Scratch dir;
  const std::string name = "bad\xFFname\xC3.raw";
  dir.write(name, archive);
  const RunResult r = probe(dir, {"--json", name});
  ASSERT_EQ(r.status, 0);
  dir.write("report.json", Bytes(r.out.begin(), r.out.end()));
  const std::string check = "python3 -c \"import json; r = json.load(open('" + dir.path("report.json").string() +
                            "')); assert r['input'].encode('utf-8', 'surrogateescape') == b'bad\\xffname\\xc3.raw'; "
                            "assert r['command'][0] == r['input']\"";
  EXPECT_EQ(std::system(check.c_str()), 0) << r.out;
}

// Stereo tracks in blocks of 0x20, each two pairs long, whose first pair begins with a
// marker frame in each block; the other frames are noise.
Bytes markedTracks(size_t tracks, uint64_t seed) {
  TestRandom random(seed);
  Bytes out;
  out.reserve(tracks * 0x80);
  for (size_t frame = 0; frame < tracks * 8; ++frame) {
    if (frame % 8 == 0 || frame % 8 == 2) {
      const Bytes m = marker();
      out.insert(out.end(), m.begin(), m.end());
      continue;
    }
    out.push_back(static_cast<uint8_t>(random.below(5) << 4 | (4 + random.below(8))));
    out.push_back(0);
    for (int i = 0; i < 14; ++i) out.push_back(static_cast<uint8_t>(random.next()));
  }
  return out;
}

// Runs what the probe's JSON report says, region by region and run by run, as a user
// pasting its lines would: each copy made by its shell line before the first run that
// reads it. With `check`, the runs list their files (-c) instead of writing them. The
// names of the files, in the order written.
std::vector<std::string> convertAsReported(const Scratch& dir, const JsonValues& json, bool check) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (int r = 0; !json["regions." + std::to_string(r) + ".start"].empty(); ++r) {
    for (int k = 0;; ++k) {
      const std::string at = "regions." + std::to_string(r) + ".runs." + std::to_string(k) + ".";
      if (json[at + "command.0"].empty()) break;
      const std::string copy = json[at + "copy.name"];
      if (!copy.empty() && !dir.exists(copy)) {
        EXPECT_EQ(std::system(("cd '" + dir.dir().string() + "' && sh -c '" + json[at + "copy.shell"] + "'").c_str()), 0);
      }
      std::vector<std::string> args = json.strings(at + "command");
      if (check) args.push_back("-c");
      const RunResult run = dir.run(args);
      EXPECT_EQ(run.status, 0) << json[at + "command"];
      std::istringstream lines(run.out);
      for (std::string line; std::getline(lines, line);) {
        if (line.ends_with(".WAV") && seen.insert(line).second) names.push_back(line);
      }
    }
  }
  return names;
}

// An input of `length` bytes that holds `parts` at their offsets and is sparse elsewhere
// (a hole where the file system keeps them: it reads as zeros).
struct Placed {
  int64_t at;
  Bytes bytes;
};
void writeSparse(const Scratch& dir, const std::string& name, int64_t length, const std::vector<Placed>& parts) {
  std::ofstream(dir.path(name), std::ios::binary).close();
  std::filesystem::resize_file(dir.path(name), static_cast<uintmax_t>(length));
  std::fstream file(dir.path(name), std::ios::in | std::ios::out | std::ios::binary);
  for (const Placed& part : parts) {
    file.seekp(part.at);
    file.write(reinterpret_cast<const char*>(part.bytes.data()), static_cast<std::streamsize>(part.bytes.size()));
  }
  ASSERT_TRUE(file.good());
}

// talvimo numbers 65536 files of one name: the probe's runs go on numbering where the run
// before stopped, and convert the rest from a copy under another name.
TEST(Probe, RunsNumberEveryTrackOnce) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  const Bytes first = markedTracks(300, 1);
  const struct {
    const char* what;
    Bytes input;
    size_t files, copies;
  } rows[] = {
      {"65536 tracks: one run", markedTracks(65536, 2), 65536, 0},
      {"65537 tracks: the last one from a copy", markedTracks(65537, 3), 65537, 1},
      {"300 tracks, then 65535: the second region numbers on from 300, its last 299 from a copy",
       first + Bytes(0x10000, 0) + markedTracks(65535, 4), 65835, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Scratch dir;
    dir.write("in.bin", row.input);
    const RunResult r = probe(dir, {"--json", "in.bin"});
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000);
    const JsonValues json = readJson(dir, r.out);
    ASSERT_TRUE(json.parsed);
    const std::vector<std::string> names = convertAsReported(dir, json, true);
    EXPECT_EQ(names.size(), row.files);  // each name once: no run writes over another's file
    size_t copies = 0;
    for (const std::string& name : dir.files()) copies += name.ends_with(".bin") && name != "in.bin";
    EXPECT_EQ(copies, row.copies);
    if (row.copies > 0) {  // the text says why
      const std::string text = probe(dir, {"in.bin"}).out;
      EXPECT_NE(text.find("\nnote        talvimo numbers at most 65536 files of one name"), std::string::npos) << text;
    }
  }
}

// talvimo reads no byte of a file at or past 0x7FFFFFFF: in a sparse file of 3 GiB, sound
// beyond it is converted from a copy, and a track that crosses it is written as two files.
TEST(Probe, RunsReachSoundPastTwoGibibytes) {
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not installed: the JSON is read by its parser";
  constexpr int64_t kLimit = 0x7FFFFFFF, kLength = int64_t{3} << 30;
  const Bytes tracks = markedTracks(2000, 5), more = markedTracks(300, 6);
  // One stream of whole pairs (0x1000 bytes) whose last frames are sound, so that its
  // sound ends where it ends.
  Bytes music = buildProbeArchive(stereoCase(ProbeSound::Music, 0x800, 0, 1, 3.0, 42));
  music.resize(music.size() / 0x1000 * 0x1000);
  while (std::count(music.end() - 8 * kFrameBytes, music.end(), 0) > 8 * 12) music.resize(music.size() - 0x1000);
  const int64_t musicAt = (kLimit & ~int64_t{15}) - static_cast<int64_t>(music.size());  // ends at 0x7FFFFFF0
  const struct {
    const char* what;
    std::vector<Placed> parts;
    std::vector<Bytes> alone;  // what the runs must write, converted one by one ("0x20 -t1")
    size_t files, copies;
  } rows[] = {
      {"tracks across the limit, more tracks after it", {{0x7FFE0000, tracks}, {0x80100000, more}}, {tracks, more}, 2300, 1},
      {"one stream that ends at 0x7FFFFFF0", {{musicAt, music}}, {}, 1, 0},
      {"one stream that ends at 0x80000000", {{musicAt + 16, music}}, {}, 2, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Scratch dir;
    writeSparse(dir, "in.bin", kLength, row.parts);
    const RunResult r = probe(dir, {"--json", "in.bin"});
    ASSERT_EQ(r.status, 0) << r.out;
    const JsonValues json = readJson(dir, r.out);
    ASSERT_TRUE(json.parsed);
    const std::vector<std::string> names = convertAsReported(dir, json, false);
    ASSERT_EQ(names.size(), row.files) << r.out;
    size_t copies = 0;
    for (const std::string& name : dir.files()) copies += name.ends_with(".bin") && name != "in.bin";
    EXPECT_EQ(copies, row.copies) << r.out;
    if (!row.alone.empty()) {
      // Cut at tracks: every file as the archive alone gives it.
      std::vector<Bytes> expected;
      for (const Bytes& archive : row.alone) {
        Scratch single;
        ASSERT_EQ(single.convert(archive, "0x20", {"-t1"}).status, 0);
        for (const std::string& name : single.files()) {
          if (name.ends_with(".WAV")) expected.push_back(single.read(name));
        }
      }
      ASSERT_EQ(expected.size(), names.size());
      for (size_t i = 0; i < names.size(); ++i) EXPECT_TRUE(dir.read(names[i]) == expected[i]) << names[i];
    } else {
      // One stream, cut where talvimo stops reading: every frame is in one file or the other.
      size_t samples = 0;
      for (const std::string& name : names) samples += parseWav(dir.read(name)).samples.size();
      EXPECT_EQ(samples, music.size() / kFrameBytes * 28) << r.out;
    }
  }
}

// The holes of a sparse file are skipped, not read: the report is the one its zeros give.
TEST(Probe, ReadsHolesAsTheZerosTheyHold) {
  const Bytes tracks = markedTracks(500, 7), mebibyte = markedTracks(8192, 8);
  const Bytes music = buildProbeArchive(stereoCase(ProbeSound::Music, 0x800, 0, 2, 2.0, 43));
  // Regions that end where a hole begins (at 1 MiB: where a reader's chunk begins too),
  // at odd offsets right after holes and other data, and one broken by 40 KiB of zeros.
  const std::vector<Placed> parts = {{0, mebibyte},
                                     {0x300003 - 4096, filler(4096, 9) + music},
                                     {0x800000, tracks},
                                     {0x1000000 - static_cast<int64_t>(tracks.size()), tracks},
                                     {0x1800009, Bytes(music.begin(), music.begin() + 0x20000)},
                                     {0x1800009 + 0x20000 + 0xA000, Bytes(music.begin() + 0x2A000, music.end())}};
  Scratch dir;
  writeSparse(dir, "sparse.bin", 0x4000000, parts);
  Bytes dense(0x4000000, 0);
  for (const Placed& part : parts) std::copy(part.bytes.begin(), part.bytes.end(), dense.begin() + part.at);
  dir.write("dense.bin", dense);
  for (const char* format : {"--json", "--"}) {
    const std::string sparse = probe(dir, {format, "sparse.bin"}).out;
    std::string read = probe(dir, {format, "dense.bin"}).out;
    for (size_t at; (at = read.find("dense.bin")) != std::string::npos;) read.replace(at, 9, "sparse.bin");
    EXPECT_EQ(sparse, read);
  }
  const std::string text = probe(dir, {"sparse.bin"}).out;
  EXPECT_NE(text.find("6 regions of sound"), std::string::npos) << text;
}

}  // namespace
