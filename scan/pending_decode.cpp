#include "scan/pending_decode.h"

#include "app/run_state.h"

namespace {

constexpr int kEntriesPerFrame = kSamplesPerFrame / 2;

// Two consecutive samples per entry: the earlier in bits 16..31, the later in 0..15.
void pack(const int32_t samples[kSamplesPerFrame], int32_t* entries) {
  for (int k = 0; k < kEntriesPerFrame; ++k) {
    const uint32_t packed = (static_cast<uint32_t>(samples[2 * k]) << 16) |
                            (static_cast<uint32_t>(samples[2 * k + 1]) & 0xFFFF);
    entries[k] = static_cast<int32_t>(packed);
  }
}

void decodeOne(RunState& s, int channel, const PendingFrame& p) {
  int32_t samples[kSamplesPerFrame];
  decodeFrame(p.frame, s.history[channel], samples);
  pack(samples, p.entries);
}

}  // namespace

void queueFrame(RunState& s, int32_t channel, const AdpcmFrame& frame) {
  PendingDecode& q = s.pending;
  if (q.count[channel] == kMaxFramesPerBlock) decodePending(s);  // a block never holds more
  q.frames[channel][q.count[channel]++] = PendingFrame{frame, s.writeCursor};
  s.writeCursor += kEntriesPerFrame;
}

void decodePending(RunState& s) {
  PendingDecode& q = s.pending;
  const int32_t both = q.count[0] < q.count[1] ? q.count[0] : q.count[1];
  for (int32_t i = 0; i < both; ++i) {
    const PendingFrame& a = q.frames[0][i];
    const PendingFrame& b = q.frames[1][i];
    int32_t samplesA[kSamplesPerFrame];
    int32_t samplesB[kSamplesPerFrame];
    decodeFramePair(a.frame, s.history[0], samplesA, b.frame, s.history[1], samplesB);
    pack(samplesA, a.entries);
    pack(samplesB, b.entries);
  }
  for (int channel = 0; channel < 2; ++channel) {
    for (int32_t i = both; i < q.count[channel]; ++i) decodeOne(s, channel, q.frames[channel][i]);
    q.count[channel] = 0;
  }
}
