// Frames wait here until their pair completes, so that the channels' sample chains can
// be decoded side by side (and each split where a frame predicts nothing). Results are
// exactly those of decoding each frame at once.
#pragma once

#include <cstdint>

#include "decode/adpcm_decoder.h"

constexpr int32_t kMaxFramesPerBlock = 32768 / kFrameBytes;

struct PendingDecode {
  AdpcmFrame frames[2][kMaxFramesPerBlock];                   // per channel, in order
  int32_t* entries[2][kMaxFramesPerBlock];                    // where each frame's 14 entries go
  int32_t samples[2][kMaxFramesPerBlock * kSamplesPerFrame];  // the decoder's output
  int32_t count[2];
};

struct RunState;

// Queues the frame for its channel at the write cursor, which advances by 14 entries.
void queueFrame(RunState& state, int32_t channel, const AdpcmFrame& frame);

// Decodes every queued frame with its channel's history. Called before anything reads
// the pair buffers or the histories, or resets them.
void decodePending(RunState& state);
