// The archives talvimo-probe is measured on: every layout it must tell apart, built
// from the project's own signals and encoder, each with the layout it was built with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Music and drums carry one piece in both channels; a duet two unrelated pieces of
// music, and music and voice a piece of music and a voice; voice and instrument are mono.
enum class ProbeSound { Music, Drums, Duet, MusicAndVoice, Voice, Instrument };

struct ProbeCase {
  std::string name;     // unique, usable as a file name
  ProbeSound sound;
  uint32_t blockSize;   // stereo: bytes per block; mono: 0
  uint32_t headerSize;  // bytes before the first frame
  uint32_t trailerSize; // bytes of non-audio data after the last frame
  int tracks;           // 1: one stream; more: streams that each begin with marker frames
  double seconds;       // length of each track
  uint32_t seed;
  int leadInFrames = 0;  // stereo: empty frames that begin each channel's stream (silence)
};

inline int probeChannels(const ProbeCase& c) { return c.blockSize == 0 ? 1 : 2; }

// The archive's bytes: header, tracks (stereo interleaved in blocks, each channel's
// last block padded with empty frames; mono tracks padded to whole 0x800-byte sectors
// when `seed` is even, back to back when odd), trailer.
std::vector<uint8_t> buildProbeArchive(const ProbeCase& probeCase);

// The test set: stereo music and drums at block sizes 0x100 to 0x8000, mono voices and
// instruments, headers of 0, 0x30, 0x800 and 0x1000 bytes, one or 3 to 5 tracks. Another
// first seed gives another set of the same kinds (other pieces, other headers and tracks).
std::vector<ProbeCase> probeTestSet(uint32_t firstSeed = 1);

// What the probe is known to find hard, measured apart: stereo whose channels carry
// unrelated sound, and related stereo in blocks of a few frames (0x20 to 0x80).
std::vector<ProbeCase> probeHardSet(uint32_t firstSeed = 1);
