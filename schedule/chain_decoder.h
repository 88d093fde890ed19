// Long chains of frames (one channel, or the one continuous stream of a mono run) decoded
// on every core, exactly as decodeFrame would one frame after the other.
//
// A chain is cut into chunks. Every chunk but the first starts from a zero history a few
// frames early (its warm-up); the filters are stable, so by the chunk's first frame its
// history is, on real audio, bit for bit the true one. Whether it is, is checked: when
// the chunk before is done, its final history is compared with this chunk's history at
// the boundary, as bits; if they differ, the chunk is decoded again from the true one.
// The samples are therefore always those of the plain decode; only the time depends on
// the data.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/chain_chunk.h"
#include "decode/decode_path.h"
#include "schedule/worker_pool.h"

// One chain: frames in order, and the history before them (in) and after them (out).
struct FrameChain {
  const AdpcmFrame* frames;
  int32_t count;
  ChannelHistory* history;
  int16_t* samples;  // count * 28 samples out, each one's low 16 bits
};

// How chains are cut, and by which path they decode. A task is one call of the path's
// kernel: the chunks it decodes side by side.
struct ChainPlan {
  int32_t warmUp = 64;           // frames of warm-up before a chunk
  int32_t minChunkFrames = 512;  // a chain shorter than this is not cut
  int32_t chunksPerTask = 4;     // scalar paths: chunks side by side per task (1..4), their latency hidden behind each other
  int32_t tasksPerThread = 4;    // tasks per thread: the caller takes the ones left when it gets there
  DecodePath path = chosenDecodePath();  // must be available; vector paths take chunksPerCall(path) chunks per task
};

// What a decode did, for tests and benchmarks.
struct ChainStats {
  int64_t chunks = 0;      // chunks decoded
  int64_t redecoded = 0;   // of them, decoded again because the warm-up fell short
};

class ChainDecoder {
 public:
  // Decodes the chains (at most two, independent of each other): start, then finish.
  void decode(const FrameChain* chains, int count, WorkerPool& pool, const ChainPlan& plan) {
    start(chains, count, pool, plan);
    finish(pool);
  }

  // Cuts the chains and hands their chunks to the pool's workers; returns at once. The
  // chains' frames and histories must stay as they are until finish.
  void start(const FrameChain* chains, int count, WorkerPool& pool, const ChainPlan& plan);

  // Decodes what no worker has taken, waits for the rest, checks every boundary and
  // decodes again what fell short; then the samples and final histories are ready.
  void finish(WorkerPool& pool);

  const ChainStats& stats() const { return stats_; }

 private:
  static void decodeTask(void* self, int task);

  FrameChain chains_[2] = {};       // what start was given
  int chainCount_ = 0;
  std::vector<size_t> firstChunk_;  // per chain, its first chunk; then the end
  std::vector<ChainChunk> chunks_;  // all chains' chunks, chain by chain, in order
  int perTask_ = 4;                 // chunks decoded side by side by one task
  DecodePath path_ = DecodePath::kInteger;  // the plan's path
  std::vector<bool> exact_;         // the chunk started from the true history
  ChainStats stats_;
};
