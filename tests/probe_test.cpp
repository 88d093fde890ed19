// talvimo-probe, end to end: archives built with the project's encoder are probed by
// the binary, and the command it suggests is run through talvimo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "encode/adpcm_encoder.h"
#include "encode/probe_set.h"
#include "encode/signals.h"
#include "support/scratch.h"

namespace {

RunResult probe(const Scratch& dir, const std::vector<std::string>& args) {
  RunSurroundings surroundings;
  surroundings.binary = TALVIMO_PROBE_BINARY;
  return dir.run(args, surroundings);
}

// The text of a key's value in the probe's one-line JSON object: a number, null, a
// string with its quotes, or an array with its brackets. "" when the key is missing.
std::string jsonValue(const std::string& json, const std::string& key) {
  const std::string label = "\"" + key + "\": ";
  const size_t from = json.find(label);
  if (from == std::string::npos) return "";
  size_t at = from + label.size();
  int depth = 0;
  bool inString = false;
  const size_t begin = at;
  for (; at < json.size(); ++at) {
    const char c = json[at];
    if (inString) {
      if (c == '\\') ++at;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      ++depth;
    } else if (c == ']' || c == '}') {
      if (depth-- == 0) break;
    } else if (c == ',' && depth == 0) {
      break;
    }
  }
  return json.substr(begin, at - begin);
}

// The strings of a JSON array of strings without escapes.
std::vector<std::string> jsonStrings(const std::string& array) {
  std::vector<std::string> out;
  for (size_t at = array.find('"'); at != std::string::npos; at = array.find('"', array.find('"', at + 1) + 1)) {
    out.push_back(array.substr(at + 1, array.find('"', at + 1) - at - 1));
  }
  return out;
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
      stream[stream.size() - 15] = static_cast<uint8_t>(s + 1 == streams ? 7 : 1 + 2 * s);  // 1, 3, ... and 7 last
    } else if (s > 0) {
      out.insert(out.end(), 16, 0);
    }
    out.insert(out.end(), stream.begin(), stream.end());
  }
  return out;
}

// One stereo track, two pairs of marker frames (silence between markers), then three
// marked tracks: blocks of 0x200.
Bytes tracksWithASilentGap() {
  Bytes archive = buildProbeArchive(stereoCase(ProbeSound::Music, 0x200, 0, 1, 3.0, 21));
  for (int frame = 0; frame < 2 * 2 * 0x200 / 16; ++frame) {
    archive.push_back(0x0C);
    archive.insert(archive.end(), 15, 0);
  }
  const Bytes marked = buildProbeArchive(stereoCase(ProbeSound::Music, 0x200, 0, 3, 3.0, 22));
  archive.insert(archive.end(), marked.begin(), marked.end());
  return archive;
}

struct Layout {
  const char* what;
  Bytes archive;
  std::string channels, blockSize, start, end, archiveType;
  size_t files;  // WAV files the suggested command writes
};

TEST(Probe, FindsTheLayoutAndACommandThatCutsTheTracks) {
  const Bytes voiceFlags = monoStreams(3, true);
  const Bytes voiceGaps = monoStreams(4, false);
  const Bytes trailed = buildProbeArchive(monoCase(ProbeSound::Instrument, 0x800, 0x200, 1, 6));
  // A trailer of an odd length: the frames before it do not end on the input's 16-byte grid.
  const Bytes oddTrailer = buildProbeArchive(trailedCase(0x400, 0x30, 0x1F3));
  // A trailer of nearly 64 KiB: the last frames of sound lie before the input's last 64 KiB.
  const Bytes longTrailer = buildProbeArchive(trailedCase(0x800, 0, 65413));
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
      {"one stream whose first frame is a marker", beginningWithAMarker(), "2", "2048", "0", "", "null", 1},
      {"stereo with a trailer of an odd length", oddTrailer, "2", "1024", "48", std::to_string(oddTrailer.size() - 0x1F3),
       "null", 1},
      {"stereo with a trailer of nearly 64 KiB", longTrailer, "2", "2048", "0", std::to_string(longTrailer.size() - 65413),
       "null", 1},
      {"stereo tracks with two silent pairs of markers between two of them",
       tracksWithASilentGap(), "2", "512", "0", "", "1", 4},
      {"mono voices back to back, marked",
       buildProbeArchive(monoCase(ProbeSound::Voice, 0x1000, 0, 4, 7)), "1", "null", "4096", "", "1", 4},
      {"mono instruments in whole sectors, marked",
       buildProbeArchive(monoCase(ProbeSound::Instrument, 0, 0, 3, 8)), "1", "null", "0", "", "1", 3},
      {"mono with a trailer of other data", trailed, "1", "null", "2048", std::to_string(trailed.size() - 0x200),
       "null", 1},
      {"mono streams ending in flagged frames", voiceFlags, "1", "null", "0", "", "5", 3},
      {"mono streams parted by empty frames", voiceGaps, "1", "null", "0", "", "2", 4},
  };
  for (const Layout& row : rows) {
    SCOPED_TRACE(row.what);
    Scratch dir;
    dir.write("in.raw", row.archive);
    const RunResult r = probe(dir, {"in.raw", "--json"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(jsonValue(r.out, "channels"), row.channels);
    EXPECT_EQ(jsonValue(r.out, "block_size"), row.blockSize);
    EXPECT_EQ(jsonValue(r.out, "start"), row.start);
    EXPECT_EQ(jsonValue(r.out, "end"), row.end.empty() ? std::to_string(row.archive.size()) : row.end);
    EXPECT_EQ(jsonValue(r.out, "archive_type"), row.archiveType);
    EXPECT_EQ(jsonValue(r.out, "tracks"), std::to_string(row.files));
    const std::vector<std::string> command = jsonStrings(jsonValue(r.out, "command"));
    ASSERT_GE(command.size(), 2u);
    EXPECT_EQ(command[0], "in.raw");
    // A minimum size only where silent pieces would otherwise be files of their own.
    EXPECT_EQ(jsonValue(r.out, "minimum_size"), std::string(row.what).find("silent pairs") != std::string::npos ? "1024" : "0");
    EXPECT_EQ(dir.run(command).status, 0);
    EXPECT_EQ(wavFiles(dir), row.files) << r.out;
  }
}

TEST(Probe, FindsTheSoundAfterAHeaderOfUpTo64KiB) {
  // One track of stereo drums behind headers of the largest length looked at and one
  // frame more.
  const Bytes track = buildProbeArchive(stereoCase(ProbeSound::Drums, 0x400, 0, 1, 4.0, 9));
  for (size_t header : {size_t{0x10000}, size_t{0x10010}}) {
    SCOPED_TRACE(header);
    Bytes archive(header, 0xAA);  // bytes that are no frames
    archive.insert(archive.end(), track.begin(), track.end());
    Scratch dir;
    dir.write("in.raw", archive);
    const RunResult r = probe(dir, {"in.raw", "--json"});
    if (header == 0x10000) {
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(jsonValue(r.out, "start"), "65536");
      EXPECT_EQ(jsonValue(r.out, "block_size"), "1024");
    } else {
      EXPECT_EQ(r.status, 255);
      EXPECT_EQ(r.out, "{\"error\": \"talvimo-probe: in.raw: holds no SPU ADPCM data\"}\n");
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
  char end[64];
  std::snprintf(end, sizeof end, "\nend         0x%zX (512 bytes of other data follow)\n", archive.size() - 0x200);
  EXPECT_NE(text.out.find(end), std::string::npos) << text.out;
  char command[80];
  std::snprintf(command, sizeof command, "\ncommand     talvimo bgm.raw 0x800 -h0x800 -b0x%zX -t1\n", archive.size() - 0x200);
  EXPECT_NE(text.out.find(command), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\nlayout      stereo, blocks of 0x800, confidence "), std::string::npos);
  EXPECT_NE(text.out.find("\ntracks      3, marker frames at pair starts (archive type 1)\n"), std::string::npos);

  // One object on one line, with the keys of the contract.
  EXPECT_EQ(json.out.find('\n'), json.out.size() - 1);
  EXPECT_EQ(json.out.front(), '{');
  EXPECT_EQ(jsonValue(json.out, "channels"), "2");
  EXPECT_EQ(jsonValue(json.out, "block_size"), "2048");
  EXPECT_EQ(jsonValue(json.out, "start"), "2048");
  EXPECT_EQ(jsonValue(json.out, "archive_type"), "1");
  EXPECT_EQ(jsonStrings(jsonValue(json.out, "command")).size(), 5u);
  const std::string candidates = jsonValue(json.out, "candidates");
  ASSERT_EQ(candidates.rfind("[{\"channels\": 2, \"block_size\": 2048, \"confidence\": ", 0), 0u) << candidates;
  EXPECT_NE(candidates.find("{\"channels\": 1, \"block_size\": null, "), std::string::npos);
  const double confidence = std::atof(jsonValue(json.out, "confidence").c_str());
  EXPECT_GT(confidence, 0.9);
  EXPECT_LE(confidence, 1.0);

  if (std::system("python3 -c 'import json' 2>/dev/null") != 0) GTEST_SKIP() << "python3 is not installed";
  dir.write("report.json", Bytes(json.out.begin(), json.out.end()));
  const std::string check = "python3 -c \"import json; r = json.load(open('" + dir.path("report.json").string() +
                            "')); assert r['channels'] == 2 and r['block_size'] == 2048 and r['start'] == 2048 "
                            "and r['archive_type'] == 1 and r['command'][0] == 'bgm.raw' and "
                            "abs(sum(c['confidence'] for c in r['candidates']) - 1) < 0.01\"";
  EXPECT_EQ(std::system(check.c_str()), 0);
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
      {{}, "usage: talvimo-probe INPUT [--json]\n"},
      {{"noise.raw", "--xml"}, "usage: talvimo-probe INPUT [--json]\n"},
      {{"noise.raw", "zeros.raw"}, "usage: talvimo-probe INPUT [--json]\n"},
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

}  // namespace
