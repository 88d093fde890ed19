// What the probe finds, stage by stage, each stage's result a value the next one takes:
// where the sound lies (AudioExtent), how it is laid out (LayoutChoice), how it is cut
// into tracks (TrackLayout).
#pragma once

#include <cstdint>
#include <vector>

#include "decode/adpcm_frame.h"

constexpr int64_t kLayoutBytes = 8 << 20;  // sound examined for the layout
constexpr int kMaxLayoutCandidates = 4;    // candidates reported, the chosen one first

// talvimo's archive types that the probe suggests.
constexpr int kOneStream = -1;      // no archive type: one file
constexpr int kMarkerTracks = 1;    // marker frames at pair starts begin tracks
constexpr int kEmptyFrameCuts = 2;  // every empty frame is dropped and parts two tracks
constexpr int kFlaggedFrameCuts = 5;  // every frame with a flag byte is dropped and parts two tracks

// Where the sound lies in the input.
struct AudioExtent {
  int64_t start;  // offset of its first frame
  int64_t end;    // offset after its last frame
};

// One way of reading the sound: mono, or stereo with blocks of blockSize bytes.
struct LayoutCandidate {
  int channels;       // 1 or 2
  int32_t blockSize;  // stereo: bytes per block; mono: 0
  double score;       // the evidence for it (mono: the level stereo evidence must pass)
  double confidence;  // its share of the evidence of all candidates, 0..1
};

constexpr int64_t kMaxSeparatorRun = 64;  // empty frames in a row that may part two stereo streams

// The layouts ranked, the chosen one first, and where its pairs begin: stereo streams
// that begin with silent frames begin before the first frame of sound.
struct LayoutChoice {
  int64_t start;
  LayoutCandidate candidates[kMaxLayoutCandidates];
  int count;
  int restarts;       // stereo: runs of empty frames after which the chosen layout's pairs begin anew
  int continuations;  // stereo: runs of empty frames over which they go on (silence inside a stream)
};

inline const LayoutCandidate& chosenLayout(const LayoutChoice& c) { return c.candidates[0]; }

// How the sound is cut into its tracks.
struct TrackLayout {
  int archiveType;        // talvimo's archive type, or kOneStream
  int32_t minimumSize;    // a -m value that drops tiny segments, or 0 for none
  int tracks;             // files the suggested command writes
  int32_t commandBlock;   // the block size on the command line (mono: any that keeps markers on pair starts)
  double confidence;      // how sure the probe is that the command writes one file per track, 0..1
  int64_t soundEnd;       // where the sound ends after all (its last separator), counted from the pairs' start; 0: the extent's end
  std::vector<int64_t> fileStarts;  // where each file's piece begins, counted from the pairs' start (one stream: 0)
};

struct ProbeFindings {
  AudioExtent extent;
  LayoutChoice layout;
  TrackLayout tracks;
  int32_t rate;  // the sample rate a VAGp header gives, or 0
};

// Where the sound ends as the command reads it.
inline int64_t soundEnd(const ProbeFindings& f) {
  return f.tracks.soundEnd > 0 ? f.layout.start + f.tracks.soundEnd : f.extent.end;
}

// All the probe found in one region of sound.
