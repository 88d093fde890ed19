#include "schedule/decode_queue.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "decode/scalar_lanes.h"

namespace {

// Two consecutive samples per entry: the earlier in bits 16..31, the later in 0..15.
template <typename Sample>
void pack(const Sample* samples, int32_t entries, int32_t* out) {
  for (int32_t k = 0; k < entries; ++k) {
    const uint32_t packed = (static_cast<uint32_t>(samples[2 * k]) << 16) |
                            (static_cast<uint32_t>(samples[2 * k + 1]) & 0xFFFF);
    out[k] = static_cast<int32_t>(packed);
  }
}

// Decodes one channel's queued frames alone.
void decodeAlone(AdpcmFrame* frames, int32_t count, ChannelHistory& history, int32_t* samples) {
  if (count == 0) return;
  FrameRun run{frames, count, &history, samples};
  decodeRuns(&run, 1);
}

}  // namespace

void clearDecodeQueue(DecodeQueue& q) {
  std::memset(&q.buffers_, 0, sizeof q.buffers_);
  q.history_[0] = ChannelHistory{};
  q.history_[1] = ChannelHistory{};
  q.count_[0] = 0;
  q.count_[1] = 0;
  q.inPlace_[0] = true;
  q.inPlace_[1] = true;
  q.written_[0] = 0;
  q.written_[1] = 0;
  q.carryTo1_ = false;
  q.carryTo0_ = false;
  if (q.decoding_ >= 0) finishWindow(q);  // the workers must be done with it
  for (DecodeQueue::Window& w : q.windows_) {
    w.pairCount = 0;
    w.chainUsed[0] = 0;
    w.chainUsed[1] = 0;
  }
  q.filling_ = 0;
  q.decoding_ = -1;
  q.finished_ = -1;
}

void setDecodeThreads(DecodeQueue& q, int threads) { q.workers_.setThreads(threads); }

void setDecodePath(DecodeQueue& q, DecodePath path) { q.plan_.path = path; }

void queueFrame(DecodeQueue& q, int32_t channel, const AdpcmFrame& frame, EntryPlace place) {
  // A block never holds more; and frames never follow a carry that their channel's
  // queued frames would then be decoded before.
  if (q.count_[channel] == DecodeQueue::kFrames || q.carryTo0_ || (channel == 0 && q.carryTo1_)) settle(q);
  q.frames_[channel][q.count_[channel]] = frame;
  q.places_[channel][q.count_[channel]] = place;
  q.inPlace_[channel] = q.inPlace_[channel] && place.buffer == channel && place.entry == q.count_[channel] * kEntriesPerFrame;
  q.count_[channel] += 1;
  q.written_[place.buffer] = std::max(q.written_[place.buffer], place.entry + kEntriesPerFrame);
}

void settle(DecodeQueue& q) {
  if (q.count_[0] == 0 && q.count_[1] == 0 && !q.carryTo1_ && !q.carryTo0_) return;
  if (q.carryTo1_ || q.carryTo0_) {
    // Mono: channel 0's frames, then channel 1's from where they left the stream.
    decodeAlone(q.frames_[0], q.count_[0], q.history_[0], q.samples_[0]);
    if (q.carryTo1_) q.history_[1] = q.history_[0];
    decodeAlone(q.frames_[1], q.count_[1], q.history_[1], q.samples_[1]);
    if (q.carryTo0_) q.history_[0] = q.history_[1];
  } else {
    FrameRun runs[2];
    int used = 0;
    for (int channel = 0; channel < 2; ++channel) {
      if (q.count_[channel] > 0) {
        runs[used++] = FrameRun{q.frames_[channel], q.count_[channel], &q.history_[channel], q.samples_[channel]};
      }
    }
    decodeRuns(runs, used);
  }
  for (int channel = 0; channel < 2; ++channel) {
    for (int32_t i = 0; i < q.count_[channel]; ++i) {
      const EntryPlace place = q.places_[channel][i];
      pack(q.samples_[channel] + static_cast<std::ptrdiff_t>(i) * kSamplesPerFrame, kEntriesPerFrame,
           q.buffers_.entry[place.buffer] + place.entry);
    }
    q.count_[channel] = 0;
    q.inPlace_[channel] = true;
  }
  q.carryTo1_ = false;
  q.carryTo0_ = false;
}

const PairBuffers& settledBuffers(DecodeQueue& q) {
  settle(q);
  return q.buffers_;
}

void carryHistory(DecodeQueue& q, int32_t to) {
  // The carry is applied when the frames before it are decoded: channel 0's queued
  // frames, then a carry to 1, channel 1's, then a carry to 0. Anything queued that
  // would not keep that order is decoded first.
  if (to == 1 ? (q.carryTo1_ || q.carryTo0_ || q.count_[1] > 0) : q.carryTo0_) settle(q);
  (to == 1 ? q.carryTo1_ : q.carryTo0_) = true;
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

bool takeIntoWindow(DecodeQueue& q, int32_t count, bool mono) {
  DecodeQueue::Window& w = q.windows_[q.filling_];
  if (q.filling_ == q.finished_) return false;  // still being written out
  if (w.pairCount > 0 && w.mono != mono) return false;
  if (mono ? !(q.carryTo1_ && q.carryTo0_) : (q.carryTo1_ || q.carryTo0_)) return false;
  for (int channel = 0; channel < 2; ++channel) {
    if (!q.inPlace_[channel] || q.count_[channel] * kEntriesPerFrame < count) return false;
  }
  const int32_t half = DecodeQueue::kWindowFrames / 2;
  const bool room = mono ? w.chainUsed[0] + q.count_[0] + q.count_[1] <= DecodeQueue::kWindowFrames
                         : w.chainUsed[0] + q.count_[0] <= half && w.chainUsed[1] + q.count_[1] <= half;
  if (!room || w.pairCount == DecodeQueue::kWindowFrames) return false;

  w.mono = mono;
  DecodeQueue::PairRecord& pair = w.pairs[w.pairCount++];
  pair.count = count;
  for (int channel = 0; channel < 2; ++channel) {
    const int chain = mono ? 0 : channel;
    const int32_t start = (chain == 1 ? half : 0) + w.chainUsed[chain];
    std::memcpy(w.frames + start, q.frames_[channel], static_cast<size_t>(q.count_[channel]) * sizeof(AdpcmFrame));
    pair.start[channel] = start;
    pair.frames[channel] = q.count_[channel];
    w.chainUsed[chain] += q.count_[channel];
    q.count_[channel] = 0;
    q.inPlace_[channel] = true;
  }
  q.carryTo1_ = false;
  q.carryTo0_ = false;
  return true;
}

bool windowIsFilling(const DecodeQueue& q) { return q.windows_[q.filling_].pairCount > 0; }

bool windowIsDecoding(const DecodeQueue& q) { return q.decoding_ >= 0; }

void startWindow(DecodeQueue& q) {
  DecodeQueue::Window& w = q.windows_[q.filling_];
  const int32_t half = DecodeQueue::kWindowFrames / 2;
  w.histories[0] = q.history_[0];
  w.histories[1] = q.history_[1];
  const FrameChain chains[2] = {
      {w.frames, w.chainUsed[0], &w.histories[0], w.samples},
      {w.frames + half, w.chainUsed[1], &w.histories[1], w.samples + static_cast<std::ptrdiff_t>(half) * kSamplesPerFrame},
  };
  w.decoder.start(chains, w.mono ? 1 : 2, q.workers_, q.plan_);
  q.decoding_ = q.filling_;
  q.filling_ = 1 - q.filling_;
}

int32_t finishWindow(DecodeQueue& q) {
  DecodeQueue::Window& w = q.windows_[q.decoding_];
  q.finished_ = q.decoding_;
  q.decoding_ = -1;
  w.decoder.finish(q.workers_);
  q.history_[0] = w.histories[0];
  q.history_[1] = w.mono ? w.histories[0] : w.histories[1];  // the last pair carried channel 1 over to 0
  // The pair buffers as the pairs would have left them: each entry from the last pair
  // that wrote it.
  for (int buffer = 0; buffer < 2; ++buffer) {
    int32_t covered = 0;
    for (int32_t p = w.pairCount - 1; p >= 0; --p) {
      const DecodeQueue::PairRecord& pair = w.pairs[p];
      const int32_t entries = pair.frames[buffer] * kEntriesPerFrame;
      if (entries <= covered) continue;
      const int16_t* samples = w.samples + static_cast<std::ptrdiff_t>(pair.start[buffer]) * kSamplesPerFrame;
      pack(samples + 2 * covered, entries - covered, q.buffers_.entry[buffer] + covered);
      covered = entries;
    }
  }
  return w.pairCount;
}

WindowPair finishedWindowPair(const DecodeQueue& q, int32_t index) {
  const DecodeQueue::Window& w = q.windows_[q.finished_];
  const DecodeQueue::PairRecord& pair = w.pairs[index];
  return WindowPair{w.samples + static_cast<std::ptrdiff_t>(pair.start[0]) * kSamplesPerFrame,
                    w.samples + static_cast<std::ptrdiff_t>(pair.start[1]) * kSamplesPerFrame, pair.count};
}

void releaseWindow(DecodeQueue& q) {
  DecodeQueue::Window& w = q.windows_[q.finished_];
  w.pairCount = 0;
  w.chainUsed[0] = 0;
  w.chainUsed[1] = 0;
  q.finished_ = -1;
}
