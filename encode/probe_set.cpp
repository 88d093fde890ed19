#include "encode/probe_set.h"

#include <algorithm>
#include <cstdio>

#include "encode/adpcm_encoder.h"
#include "encode/signals.h"

namespace {

constexpr int kRate = 44100;
constexpr size_t kSector = 0x800;

void putWord(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// A stream of frames that begins with a marker frame when the archive marks its tracks.
std::vector<uint8_t> channelStream(const std::vector<int16_t>& pcm, bool marked, int leadIn = 0) {
  std::vector<uint8_t> stream(static_cast<size_t>(leadIn) * kFrameBytes, 0);
  if (marked) stream.insert(stream.end(), kFrameBytes, 0), stream[stream.size() - kFrameBytes] = 0x0C;
  const std::vector<uint8_t> encoded = encodeStream(pcm);
  stream.insert(stream.end(), encoded.begin(), encoded.end());
  return stream;
}

std::vector<uint8_t> padTo(std::vector<uint8_t> stream, size_t multiple) {
  stream.resize((stream.size() + multiple - 1) / multiple * multiple, 0);
  return stream;
}

std::vector<uint8_t> trackBytes(const ProbeCase& c, int track) {
  const uint32_t seed = c.seed * 16 + static_cast<uint32_t>(track);
  const size_t samples = static_cast<size_t>(c.seconds * kRate);
  const bool marked = c.tracks > 1;
  if (c.blockSize == 0) {
    const std::vector<int16_t> pcm =
        c.sound == ProbeSound::Voice ? synthesizeVoice(seed, samples, kRate) : synthesizeMusic(seed, samples, kRate);
    const std::vector<uint8_t> stream = channelStream(pcm, marked);
    return c.seed % 2 == 0 ? padTo(stream, kSector) : stream;
  }
  std::vector<int16_t> left, right;
  if (c.sound == ProbeSound::Drums) {
    synthesizeDrums(seed, samples, kRate, left, right);
  } else if (c.sound == ProbeSound::Duet) {
    left = synthesizeMusic(seed * 2, samples, kRate);
    right = synthesizeMusic(seed * 2 + 1, samples, kRate);
  } else if (c.sound == ProbeSound::MusicAndVoice) {
    left = synthesizeMusic(seed, samples, kRate);
    right = synthesizeVoice(seed, samples, kRate);
  } else {
    synthesizeStereoMusic(seed, samples, kRate, left, right);
  }
  const std::vector<uint8_t> first = padTo(channelStream(left, marked, c.leadInFrames), c.blockSize);
  const std::vector<uint8_t> second = padTo(channelStream(right, marked, c.leadInFrames), c.blockSize);
  std::vector<uint8_t> out;
  for (size_t at = 0; at < first.size(); at += c.blockSize) {
    out.insert(out.end(), first.begin() + static_cast<std::ptrdiff_t>(at),
               first.begin() + static_cast<std::ptrdiff_t>(at + c.blockSize));
    out.insert(out.end(), second.begin() + static_cast<std::ptrdiff_t>(at),
               second.begin() + static_cast<std::ptrdiff_t>(at + c.blockSize));
  }
  return out;
}

}  // namespace

std::vector<uint8_t> buildProbeArchive(const ProbeCase& c) {
  std::vector<std::vector<uint8_t>> tracks;
  for (int t = 0; t < c.tracks; ++t) tracks.push_back(trackBytes(c, t));
  // Header: a tag, the track count and a table of offsets and sizes, as far as it fits,
  // then zeros. Trailer: a name table in text.
  std::vector<uint8_t> archive(c.headerSize, 0);
  const char tag[] = "TLVA";
  for (size_t i = 0; i < 4 && i < archive.size(); ++i) archive[i] = static_cast<uint8_t>(tag[i]);
  if (archive.size() >= 8) putWord(archive, 4, static_cast<uint32_t>(c.tracks));
  size_t offset = c.headerSize;
  for (size_t t = 0; t < tracks.size(); ++t) {
    const size_t entry = 8 + 8 * t;
    if (entry + 8 <= archive.size()) {
      putWord(archive, entry, static_cast<uint32_t>(offset));
      putWord(archive, entry + 4, static_cast<uint32_t>(tracks[t].size()));
    }
    offset += tracks[t].size();
  }
  for (const std::vector<uint8_t>& track : tracks) archive.insert(archive.end(), track.begin(), track.end());
  for (uint32_t i = 0; i < c.trailerSize; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "TRACK%02u.VAG\n", (i / 12) % 100);
    archive.push_back(static_cast<uint8_t>(line[i % 12]));
  }
  return archive;
}

std::vector<ProbeCase> probeTestSet(uint32_t firstSeed) {
  std::vector<ProbeCase> set;
  const uint32_t headers[] = {0, 0x30, 0x800, 0x1000};
  const uint32_t stereoBlocks[] = {0x100, 0x200, 0x240, 0x400, 0x600, 0x800,
                                   0x930, 0x1000, 0x1800, 0x2000, 0x4000, 0x8000};
  uint32_t seed = firstSeed;
  for (uint32_t block : stereoBlocks) {
    for (ProbeSound sound : {ProbeSound::Music, ProbeSound::Drums}) {
      for (int tracks : {1, 3 + static_cast<int>(seed % 3)}) {
        ProbeCase c;
        c.sound = sound;
        c.blockSize = block;
        c.headerSize = headers[seed % 4];
        c.trailerSize = seed % 7 == 3 ? 0x200 : 0;
        c.tracks = tracks;
        // Long enough for some 40 blocks of each channel; big blocks hold a lot of sound.
        c.seconds = std::max(12.0 / tracks, 40.0 * block / 16 * 28 / kRate / tracks);
        c.seed = seed++;
        char name[64];
        std::snprintf(name, sizeof name, "%s_%04X_h%X_t%d", sound == ProbeSound::Music ? "music" : "drums", block,
                      c.headerSize, tracks);
        c.name = name;
        set.push_back(c);
      }
    }
  }
  for (int round = 0; round < 3; ++round) {
    for (ProbeSound sound : {ProbeSound::Voice, ProbeSound::Instrument}) {
      for (int tracks : {1, 3 + static_cast<int>(seed % 3)}) {
        ProbeCase c;
        c.sound = sound;
        c.blockSize = 0;
        c.headerSize = headers[seed % 4];
        c.trailerSize = seed % 7 == 3 ? 0x200 : 0;
        c.tracks = tracks;
        c.seconds = 15.0 / tracks + 2.0;
        c.seed = seed++;
        char name[64];
        std::snprintf(name, sizeof name, "%s_mono_h%X_t%d_%u", sound == ProbeSound::Voice ? "voice" : "instrument",
                      c.headerSize, tracks, c.seed);
        c.name = name;
        set.push_back(c);
      }
    }
  }
  return set;
}

std::vector<ProbeCase> probeHardSet(uint32_t firstSeed) {
  std::vector<ProbeCase> set;
  uint32_t seed = firstSeed;
  const struct {
    ProbeSound sound;
    const char* name;
    uint32_t blocks[4];
  } kinds[] = {
      {ProbeSound::Duet, "duet", {0x200, 0x800, 0x2000, 0x8000}},
      {ProbeSound::MusicAndVoice, "musicvoice", {0x400, 0x930, 0x1000, 0x4000}},
      {ProbeSound::Music, "music", {0x20, 0x40, 0x80, 0x60}},
  };
  for (const auto& kind : kinds) {
    for (uint32_t block : kind.blocks) {
      ProbeCase c;
      c.sound = kind.sound;
      c.blockSize = block;
      c.headerSize = 0;
      c.trailerSize = 0;
      c.tracks = 1 + 2 * static_cast<int>(seed % 2);
      c.seconds = std::max(12.0 / c.tracks, 40.0 * block / 16 * 28 / kRate / c.tracks);
      c.seed = seed++;
      char name[64];
      std::snprintf(name, sizeof name, "hard_%s_%04X_t%d", kind.name, block, c.tracks);
      c.name = name;
      set.push_back(c);
    }
  }
  return set;
}
