#include "decode/decode_queue.h"

#include <algorithm>
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
  q.written_[0] = 0;
  q.written_[1] = 0;
}

void queueFrame(DecodeQueue& q, int32_t channel, const AdpcmFrame& frame, EntryPlace place) {
  if (q.count_[channel] == DecodeQueue::kFrames) settle(q);  // a block never holds more
  q.frames_[channel][q.count_[channel]] = frame;
  q.places_[channel][q.count_[channel]] = place;
  q.count_[channel] += 1;
  q.written_[place.buffer] = std::max(q.written_[place.buffer], place.entry + kEntriesPerFrame);
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
  // Entries at or past `written_` are still zero from the last clear (or the start).
  for (int buffer = 0; buffer < 2; ++buffer) {
    const int32_t cleared = std::min(clearedEntries, q.written_[buffer]);
    std::memset(q.buffers_.entry[buffer], 0, static_cast<size_t>(cleared) * sizeof(int32_t));
    q.written_[buffer] = 0;
  }
}
