// The pair buffers and the frames waiting to be decoded into them. Frames wait until
// something needs their samples, so that the two channels' sample chains decode side by
// side (and each splits where a frame predicts nothing); the results are exactly those
// of decoding each frame at once. The queue owns the channel histories and the buffers
// and hands them out only through the functions below, each of which decodes what is
// pending first: nothing can read a buffer or a history that is still owed frames.
#pragma once

#include <cstdint>

#include "decode/adpcm_decoder.h"

// The largest interleave block, in bytes. The queue holds at most one block per channel.
constexpr int32_t kMaxBlockSize = 0x8000;

constexpr int32_t kEntriesPerFrame = kSamplesPerFrame / 2;

// One buffer per block of a pair. An entry packs two consecutive samples of its block:
// the earlier in bits 16..31, the later in bits 0..15. A segment restart clears as many
// entries as the block has bytes, so a buffer has one entry per byte of the largest
// block; a 32768-byte block fills 28672 of them.
struct PairBuffers {
  int32_t entry[2][kMaxBlockSize];  // [0]: the first block of a pair, [1]: the second
};

// Where a frame's 14 entries go: a buffer of the pair and the index of the first entry.
struct EntryPlace {
  int32_t buffer;
  int32_t entry;
};

class DecodeQueue {
  static constexpr int32_t kFrames = kMaxBlockSize / kFrameBytes;  // a block's frames at most

  PairBuffers buffers_;
  ChannelHistory history_[2];                   // per channel, after its last decoded frame
  AdpcmFrame frames_[2][kFrames];               // per channel, in order
  EntryPlace places_[2][kFrames];               // where each queued frame's entries go
  int32_t samples_[2][kFrames * kSamplesPerFrame];  // the decoder's output
  int32_t count_[2];                            // frames queued per channel
  int32_t written_[2];                          // per buffer: entries below this may be non-zero

  friend void clearDecodeQueue(DecodeQueue& queue);
  friend void queueFrame(DecodeQueue& queue, int32_t channel, const AdpcmFrame& frame, EntryPlace place);
  friend void settle(DecodeQueue& queue);  // decodes what is queued (decode_queue.cpp only)
  friend const PairBuffers& settledBuffers(DecodeQueue& queue);
  friend void carryHistory(DecodeQueue& queue, int32_t from, int32_t to);
  friend void restartDecoding(DecodeQueue& queue, int32_t clearedEntries);
};

// Zero buffers and histories, nothing queued: the state of a fresh run.
void clearDecodeQueue(DecodeQueue& queue);

// Queues the frame for the channel's chain; its 14 entries will land at place.
void queueFrame(DecodeQueue& queue, int32_t channel, const AdpcmFrame& frame, EntryPlace place);

// The pair buffers with every queued frame decoded into them.
const PairBuffers& settledBuffers(DecodeQueue& queue);

// Channel `to` continues from channel `from`'s history (a mono stream cut into blocks).
void carryHistory(DecodeQueue& queue, int32_t from, int32_t to);

// A new segment: both histories start from zero and the first clearedEntries entries of
// each buffer are cleared (frames still queued land in the buffers first). Only what was
// written since the last clear costs time: a cut costs what its segment cost.
void restartDecoding(DecodeQueue& queue, int32_t clearedEntries);
