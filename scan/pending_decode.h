// Frames wait here until their pair completes, so that the two channels' sample chains
// can be decoded side by side. Results are exactly those of decoding each frame at once.
#pragma once

#include <cstdint>

#include "decode/adpcm_decoder.h"

constexpr int32_t kMaxFramesPerBlock = 32768 / kFrameBytes;

struct PendingFrame {
  AdpcmFrame frame;
  int32_t* entries;  // where its 14 packed entries go
};

struct PendingDecode {
  PendingFrame frames[2][kMaxFramesPerBlock];  // per channel, in order
  int32_t count[2];
};

struct RunState;

// Queues the frame for its channel at the write cursor, which advances by 14 entries.
void queueFrame(RunState& state, int32_t channel, const AdpcmFrame& frame);

// Decodes every queued frame with its channel's history. Called before anything reads
// the pair buffers or the histories, or resets them.
void decodePending(RunState& state);
