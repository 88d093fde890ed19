#include "decode/decode_queue.h"

#include <cstddef>
#include <cstring>

namespace {

// Two consecutive samples per entry: the earlier in bits 16..31, the later in 0..15.
void pack(const int32_t samples[kSamplesPerFrame], int32_t* entries) {
  for (int k = 0; k < kEntriesPerFrame; ++k) {
    const uint32_t packed = (static_cast<uint32_t>(samples[2 * k]) << 16) |
                            (static_cast<uint32_t>(samples[2 * k + 1]) & 0xFFFF);
    entries[k] = static_cast<int32_t>(packed);
  }
}

}  // namespace

void clearDecodeQueue(DecodeQueue& q) {
  std::memset(&q.buffers_, 0, sizeof q.buffers_);
  q.history_[0] = ChannelHistory{};
  q.history_[1] = ChannelHistory{};
  q.count_[0] = 0;
  q.count_[1] = 0;
}

void queueFrame(DecodeQueue& q, int32_t channel, const AdpcmFrame& frame, EntryPlace place) {
  if (q.count_[channel] == DecodeQueue::kFrames) settle(q);  // a block never holds more
  q.frames_[channel][q.count_[channel]] = frame;
  q.places_[channel][q.count_[channel]] = place;
  q.count_[channel] += 1;
}

void settle(DecodeQueue& q) {
  FrameRun runs[2];
  int used = 0;
  for (int channel = 0; channel < 2; ++channel) {
    if (q.count_[channel] > 0) {
      runs[used++] = FrameRun{q.frames_[channel], q.count_[channel], &q.history_[channel], q.samples_[channel]};
    }
  }
  if (used == 0) return;
  decodeRuns(runs, used);
  for (int channel = 0; channel < 2; ++channel) {
    for (int32_t i = 0; i < q.count_[channel]; ++i) {
      const EntryPlace place = q.places_[channel][i];
      pack(q.samples_[channel] + static_cast<std::ptrdiff_t>(i) * kSamplesPerFrame,
           q.buffers_.entry[place.buffer] + place.entry);
    }
    q.count_[channel] = 0;
  }
}

const PairBuffers& settledBuffers(DecodeQueue& q) {
  settle(q);
  return q.buffers_;
}

void carryHistory(DecodeQueue& q, int32_t from, int32_t to) {
  settle(q);
  q.history_[to] = q.history_[from];
}

void restartDecoding(DecodeQueue& q, int32_t clearedEntries) {
  settle(q);  // entries past the cleared ones keep what the queued frames decode to
  q.history_[0] = ChannelHistory{};
  q.history_[1] = ChannelHistory{};
  const size_t cleared = static_cast<size_t>(clearedEntries) * sizeof(int32_t);
  std::memset(q.buffers_.entry[0], 0, cleared);
  std::memset(q.buffers_.entry[1], 0, cleared);
}
