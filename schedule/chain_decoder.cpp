#include "schedule/chain_decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstring>


namespace {

bool sameBits(const ChannelHistory& a, const ChannelHistory& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

void ChainDecoder::decodeTask(void* self, int task) {
  ChainDecoder& decoder = *static_cast<ChainDecoder*>(self);
  const size_t per = static_cast<size_t>(decoder.perTask_);
  const size_t first = static_cast<size_t>(task) * per;
  const int count = static_cast<int>(std::min(per, decoder.chunks_.size() - first));
  decodeChunks(decoder.chunks_.data() + first, count, decoder.path_);
}

void ChainDecoder::start(const FrameChain* chains, int count, WorkerPool& pool, const ChainPlan& plan) {
  chainCount_ = count;
  chunks_.clear();
  exact_.clear();
  firstChunk_.assign(static_cast<size_t>(count) + 1, 0);
  int64_t total = 0;
  for (int c = 0; c < count; ++c) {
    chains_[c] = chains[c];
    total += chains[c].count;
  }
  path_ = plan.path;
  const bool scalar = path_ == DecodePath::kInteger || path_ == DecodePath::kX87;
  perTask_ = scalar ? std::clamp(plan.chunksPerTask, 1, chunksPerCall(path_)) : chunksPerCall(path_);
  const int64_t lanes = static_cast<int64_t>(pool.threads()) * perTask_ * std::max(1, plan.tasksPerThread);
  for (int c = 0; c < count; ++c) {
    const FrameChain& chain = chains[c];
    firstChunk_[static_cast<size_t>(c)] = chunks_.size();
    // Each chain gets its share of the lanes, in chunks of at least minChunkFrames.
    const int64_t share = total == 0 ? 1 : std::max<int64_t>(1, lanes * chain.count / total);
    const int64_t byLength = std::max<int64_t>(1, chain.count / std::max(1, plan.minChunkFrames));
    const int64_t pieces = std::min(share, byLength);
    for (int64_t k = 0; k < pieces; ++k) {
      const int32_t begin = static_cast<int32_t>(chain.count * k / pieces);
      const int32_t end = static_cast<int32_t>(chain.count * (k + 1) / pieces);
      const int32_t warmUp = std::min(begin, plan.warmUp);
      const bool exact = warmUp == begin;  // the warm-up reaches back to the chain's start
      chunks_.push_back(ChainChunk{chain.frames + begin, warmUp, end - begin,
                                   exact ? *chain.history : ChannelHistory{0.0, 0.0}, ChannelHistory{},
                                   chain.samples + static_cast<std::ptrdiff_t>(begin) * kSamplesPerFrame});
      exact_.push_back(exact);
    }
  }
  firstChunk_[static_cast<size_t>(count)] = chunks_.size();
  const size_t tasks = (chunks_.size() + static_cast<size_t>(perTask_) - 1) / static_cast<size_t>(perTask_);
  pool.start(decodeTask, this, static_cast<int>(tasks));
}

void ChainDecoder::finish(WorkerPool& pool) {
  pool.wait();
  stats_.chunks += static_cast<int64_t>(chunks_.size());
  for (int c = 0; c < chainCount_; ++c) {
    const size_t first = firstChunk_[static_cast<size_t>(c)];
    const size_t last = firstChunk_[static_cast<size_t>(c) + 1];
    for (size_t k = first + 1; k < last; ++k) {
      ChainChunk& chunk = chunks_[k];
      const ChannelHistory& truth = chunks_[k - 1].history;
      if (exact_[k] || sameBits(truth, chunk.atStart)) continue;
      chunk.warmUp = 0;
      chunk.history = truth;
      decodeChunks(&chunk, 1, path_);
      stats_.redecoded += 1;
    }
    *chains_[c].history = chunks_[last - 1].history;
  }
}
