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
