// What the lane kernels decode side by side: runs of frames of one chain (a channel, or
// the one stream of a mono run), each going on from its own history.
#pragma once

#include <cstdint>

#include "decode/adpcm_decoder.h"

// Consecutive frames of one chain, their samples kept whole.
struct FrameRun {
  const AdpcmFrame* frames;  // frames[0 .. count-1], in order
  int32_t count;
  ChannelHistory* history;   // in: before the first frame; out: after the last
  int32_t* samples;          // count * 28 samples out
};

// A chunk of a long chain, for decoding side by side with others: `warmUp` frames before
// frames[0] (frames[-warmUp] .. frames[-1]) are decoded only to bring the history in.
struct ChainChunk {
  const AdpcmFrame* frames;  // the chunk's first frame
  int32_t warmUp;            // frames decoded before it, their samples thrown away
  int32_t count;             // frames whose samples are kept
  ChannelHistory history;    // in: before the first warm-up frame; out: after the last frame
  ChannelHistory atStart;    // out: the history as frames[0] begins
  int16_t* samples;          // count * 28 samples out, each one's low 16 bits
};

// Up to N chunks as a vector kernel loads them, one to a lane: addresses and counts as
// 64-bit words, aligned for any vector's load. Lanes without a chunk stay idle: nothing
// left to decode, from a zero history.
template <int N>
struct LaneStarts {
  alignas(64) int64_t frame[N] = {};    // address of the first frame to decode, warm-up included
  alignas(64) int64_t left[N] = {};     // frames to decode, warm-up included
  alignas(64) int64_t toStart[N] = {};  // frames to decode before the chunk's own
  alignas(64) int64_t out[N] = {};      // address of the chunk's first sample
  double s1[N] = {};                    // the history each lane starts from
  double s2[N] = {};
};

template <int N>
void startLanes(const ChainChunk* chunks, int count, LaneStarts<N>& starts) {
  for (int k = 0; k < count; ++k) {
    const ChainChunk& c = chunks[k];
    starts.frame[k] = reinterpret_cast<int64_t>(c.frames - c.warmUp);
    starts.left[k] = c.warmUp + c.count;
    starts.toStart[k] = c.warmUp;
    starts.out[k] = reinterpret_cast<int64_t>(c.samples);
    if (starts.left[k] > 0) {
      starts.s1[k] = c.history.s1;
      starts.s2[k] = c.history.s2;
    }
  }
}

// Once the chunks are decoded: a chunk without frames of its own begins where its
// warm-up ends.
inline void settleEmptyChunks(ChainChunk* chunks, int count) {
  for (int k = 0; k < count; ++k) {
    if (chunks[k].count == 0) chunks[k].atStart = chunks[k].history;
  }
}
