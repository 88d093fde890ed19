#include "scan/pending_decode.h"

#include <cstddef>

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

}  // namespace

void queueFrame(RunState& s, int32_t channel, const AdpcmFrame& frame) {
  PendingDecode& q = s.pending;
  if (q.count[channel] == kMaxFramesPerBlock) decodePending(s);  // a block never holds more
  q.frames[channel][q.count[channel]] = frame;
  q.entries[channel][q.count[channel]] = s.writeCursor;
  q.count[channel] += 1;
  s.writeCursor += kEntriesPerFrame;
}

void decodePending(RunState& s) {
  PendingDecode& q = s.pending;
  FrameRun runs[2];
  int used = 0;
  for (int channel = 0; channel < 2; ++channel) {
    if (q.count[channel] > 0) {
      runs[used++] = FrameRun{q.frames[channel], q.count[channel], &s.history[channel], q.samples[channel]};
    }
  }
  decodeRuns(runs, used);
  for (int channel = 0; channel < 2; ++channel) {
    for (int32_t i = 0; i < q.count[channel]; ++i) {
      pack(q.samples[channel] + static_cast<std::ptrdiff_t>(i) * kSamplesPerFrame, q.entries[channel][i]);
    }
    q.count[channel] = 0;
  }
}
