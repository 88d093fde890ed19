// The record of one probe: what was read of the input and what was found in it.
#pragma once

#include <cstdint>
#include <vector>

constexpr int64_t kMaxHeaderBytes = 0x10000;      // a header before the audio is at most this long
constexpr int64_t kMaxTrailerBytes = 0x10000;     // other data after the audio is at most this long
// The tail read to find the end: the longest trailer and room for the run of valid
// frames (and their alignment) that must come before it.
constexpr int64_t kTailBytes = kMaxTrailerBytes + 0x100;
constexpr int64_t kLayoutBytes = 8 << 20;         // audio examined for the layout
constexpr int32_t kMaxProbeBlockSize = 0x8000;    // the largest block size looked for
constexpr int kMaxLayoutCandidates = 4;           // candidates reported, the chosen one first

// One way of reading the audio: mono, or stereo with blocks of blockSize bytes.
struct LayoutCandidate {
  int channels;       // 1 or 2
  int32_t blockSize;  // stereo: bytes per block; mono: 0
  double score;       // the evidence for it (mono: the level stereo evidence must pass)
  double confidence;  // its share of the evidence of all candidates, 0..1
};

// How the archive is cut into its tracks.
struct TrackLayout {
  int archiveType;        // talvimo's archive type, or -1 when the audio is one stream
  int32_t minimumSize;    // a -m value that drops tiny segments, or 0 for none
  int tracks;             // files the suggested command writes
  int32_t commandBlock;   // the block size on the command line (mono: any that keeps markers on pair starts)
};

struct ProbeState {
  const char* inputName = nullptr;  // as given on the command line
  int64_t inputLength = 0;          // bytes in the input
  std::vector<uint8_t> head;        // the input's first bytes: header and layout sample
  std::vector<uint8_t> tail;        // its last bytes (the whole input when it is short)
  int64_t tailStart = 0;            // offset of tail[0]

  int64_t start = 0;  // offset of the first frame of audio
  int64_t end = 0;    // offset after the last frame of audio

  LayoutCandidate candidates[kMaxLayoutCandidates] = {};  // the chosen layout first
  int candidateCount = 0;
  TrackLayout tracks = {};
};

// The chosen layout.
inline const LayoutCandidate& chosenLayout(const ProbeState& p) { return p.candidates[0]; }
