// The pair buffers and the frames waiting to be decoded into them. Frames wait until
// something needs their samples, so that they decode side by side: the two channels of
// a pair at once, and whole windows of pairs cut into chunks on every core. The results
// are exactly those of decoding each frame at once. The queue owns the channel
// histories and the buffers and hands them out only through the functions below, each
// of which decodes what is pending first: nothing can read a buffer or a history that
// is still owed frames.
#pragma once

#include <cstdint>

#include "decode/adpcm_decoder.h"
#include "schedule/chain_decoder.h"
#include "schedule/worker_pool.h"

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

// A pair taken into a window, as the writer sees it once the window is decoded: the
// samples of its first and second block (each one's low 16 bits), of which the pair
// buffers would give the first 2 * count of each.
struct WindowPair {
  const int16_t* first;
  const int16_t* second;
  int32_t count;  // entries per block written out
};

class DecodeQueue {
  static constexpr int32_t kFrames = kMaxBlockSize / kFrameBytes;  // a block's frames at most
  static constexpr int32_t kWindowFrames = 1 << 16;                 // a window's frames, all chains

  // Where a window pair's blocks lie in its window.
  struct PairRecord {
    int32_t start[2];   // first frame of each block in the window's frames
    int32_t frames[2];  // frames of each block
    int32_t count;      // entries per block written out
  };

  // Whole pairs whose frames decode together on every core and whose samples then wait
  // for the writer. Stereo: channel 0's chain in the first half, channel 1's in the
  // second; mono: one chain through both blocks of every pair.
  struct Window {
    AdpcmFrame frames[kWindowFrames];
    int16_t samples[kWindowFrames * kSamplesPerFrame];
    PairRecord pairs[kWindowFrames];
    int32_t pairCount;
    int32_t chainUsed[2];         // frames taken into each chain
    bool mono;                    // one chain
    ChannelHistory histories[2];  // the chains' histories: before them, and once decoded after
    ChainDecoder decoder;
  };

  PairBuffers buffers_;
  ChannelHistory history_[2];                       // per channel, after its last decoded frame
  AdpcmFrame frames_[2][kFrames];                   // per channel, in order
  EntryPlace places_[2][kFrames];                   // where each queued frame's entries go
  int32_t samples_[2][kFrames * kSamplesPerFrame];  // the decoder's output
  int32_t count_[2];                                // frames queued per channel
  bool inPlace_[2];  // every queued frame of the channel went to its own buffer, in order from entry 0
  int32_t written_[2];                              // per buffer: entries below this may be non-zero
  bool carryTo1_;  // mono: channel 1 goes on from channel 0's queued frames
  bool carryTo0_;  // mono: and channel 0 then from channel 1's

  // Two windows: while one decodes on the workers, pairs are taken into the other.
  Window windows_[2];
  int filling_ = 0;    // the window pairs are taken into
  int decoding_ = -1;  // the window being decoded, or -1
  int finished_ = -1;  // the window decoded and not yet released, or -1

  WorkerPool workers_;
  ChainPlan plan_;

  friend void clearDecodeQueue(DecodeQueue& queue);
  friend void setDecodeThreads(DecodeQueue& queue, int threads);
  friend void setDecodePath(DecodeQueue& queue, DecodePath path);
  friend void queueFrame(DecodeQueue& queue, int32_t channel, const AdpcmFrame& frame, EntryPlace place);
  friend void settle(DecodeQueue& queue);  // decodes what is queued (decode_queue.cpp only)
  friend const PairBuffers& settledBuffers(DecodeQueue& queue);
  friend void carryHistory(DecodeQueue& queue, int32_t to);
  friend void restartDecoding(DecodeQueue& queue, int32_t clearedEntries);
  friend bool takeIntoWindow(DecodeQueue& queue, int32_t count, bool mono);
  friend bool windowIsFilling(const DecodeQueue& queue);
  friend bool windowIsDecoding(const DecodeQueue& queue);
  friend void startWindow(DecodeQueue& queue);
  friend int32_t finishWindow(DecodeQueue& queue);
  friend WindowPair finishedWindowPair(const DecodeQueue& queue, int32_t index);
  friend void releaseWindow(DecodeQueue& queue);
};

// Zero buffers and histories, nothing queued: the state of a fresh run.
void clearDecodeQueue(DecodeQueue& queue);

// How many threads decode windows (the caller's included).
void setDecodeThreads(DecodeQueue& queue, int threads);

// For tests and benchmarks: the path windows decode by (an available one), instead of
// the widest.
void setDecodePath(DecodeQueue& queue, DecodePath path);

// Queues the frame for the channel's chain; its 14 entries will land at place.
void queueFrame(DecodeQueue& queue, int32_t channel, const AdpcmFrame& frame, EntryPlace place);

// The pair buffers with every queued frame decoded into them.
const PairBuffers& settledBuffers(DecodeQueue& queue);

// Channel `to` continues from the other channel's history (a mono stream cut into
// blocks). Nothing is decoded for it: the carry is applied in order when the frames are.
void carryHistory(DecodeQueue& queue, int32_t to);

// A new segment: both histories start from zero and the first clearedEntries entries of
// each buffer are cleared (frames still queued land in the buffers first). Only what was
// written since the last clear costs time: a cut costs what its segment cost.
void restartDecoding(DecodeQueue& queue, int32_t clearedEntries);

// The pair whose frames are queued is complete and `count` entries of each buffer are to
// be written out. Takes its frames into the filling window, undecoded, when the pair
// buffers would give exactly its own samples: each block's frames filled its buffer from
// the start, both hold at least `count` entries, and (mono) the stream carried from
// block to block; and when the window has room. false leaves everything as it was: the
// caller then starts the window (room) or writes the pair from the pair buffers after
// every window.
bool takeIntoWindow(DecodeQueue& queue, int32_t count, bool mono);

// The filling window holds pairs; a window is being decoded.
bool windowIsFilling(const DecodeQueue& queue);
bool windowIsDecoding(const DecodeQueue& queue);

// Hands the filling window to the workers (none may be decoding) and returns at once;
// pairs go into the other window meanwhile. Its chains start from the histories as they
// stand, which nothing has decoded past since its first pair was taken.
void startWindow(DecodeQueue& queue);

// Waits for the decoding window and checks it (see ChainDecoder); the pair buffers and
// histories then stand as if its pairs had been decoded one by one. Returns its pairs,
// whose samples finishedWindowPair gives in order until releaseWindow; the next window
// may start decoding meanwhile, but takes no pairs until then.
int32_t finishWindow(DecodeQueue& queue);
WindowPair finishedWindowPair(const DecodeQueue& queue, int32_t index);
void releaseWindow(DecodeQueue& queue);
