#include "encode/adpcm_encoder.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFilterF0[5] = {0.0, 60.0 / 64.0, 115.0 / 64.0, 98.0 / 64.0, 122.0 / 64.0};
constexpr double kFilterF1[5] = {0.0, 0.0, -52.0 / 64.0, -55.0 / 64.0, -60.0 / 64.0};

struct Candidate {
  uint8_t frame[kFrameBytes];
  ChannelHistory history;
  double error;
};

// Quantises the frame's residuals for one filter and shift against the running
// (approximate) prediction, then measures the exact decoded result.
Candidate tryFrame(const ChannelHistory& start, const int16_t pcm[kSamplesPerFrame], int filter, int shift,
                   uint8_t flag) {
  Candidate c{};
  c.frame[0] = static_cast<uint8_t>((filter << 4) | shift);
  c.frame[1] = flag;
  const double step = std::ldexp(1.0, 12 - shift);
  double s1 = start.s1;
  double s2 = start.s2;
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const double prediction = s1 * kFilterF0[filter] + s2 * kFilterF1[filter];
    const int code = static_cast<int>(std::clamp(std::lround((pcm[i] - prediction) / step), -8L, 7L));
    const int nibble = code & 0x0F;
    c.frame[2 + i / 2] |= static_cast<uint8_t>((i & 1) ? nibble << 4 : nibble);
    s2 = s1;
    s1 = code * step + prediction;
  }
  AdpcmFrame frame{};
  for (int i = 0; i < kFrameBytes; ++i) frame.value[i] = c.frame[i];
  c.history = start;
  int32_t decoded[kSamplesPerFrame];
  decodeFrame(frame, c.history, decoded);
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    const double d = static_cast<double>(decoded[i]) - pcm[i];
    c.error += d * d;
  }
  return c;
}

// Smallest shift whose step still covers the largest residual of the frame.
int shiftFor(const ChannelHistory& start, const int16_t pcm[kSamplesPerFrame], int filter) {
  double s1 = start.s1;
  double s2 = start.s2;
  double largest = 0.0;
  for (int i = 0; i < kSamplesPerFrame; ++i) {
    largest = std::max(largest, std::fabs(pcm[i] - (s1 * kFilterF0[filter] + s2 * kFilterF1[filter])));
    s2 = s1;
    s1 = pcm[i];
  }
  int shift = 12;
  while (shift > 0 && largest > 7.0 * std::ldexp(1.0, 12 - shift)) --shift;
  return shift;
}

}  // namespace

void encodeFrame(AdpcmEncoder& encoder, const int16_t pcm[kSamplesPerFrame], uint8_t flag,
                 uint8_t frame[kFrameBytes]) {
  Candidate best{};
  best.error = INFINITY;
  for (int filter = 0; filter < 5; ++filter) {
    const int shift = shiftFor(encoder.history, pcm, filter);
    for (int s = std::max(0, shift - 1); s <= std::min(12, shift + 1); ++s) {
      const Candidate c = tryFrame(encoder.history, pcm, filter, s, flag);
      if (c.error < best.error) best = c;
    }
  }
  std::copy(best.frame, best.frame + kFrameBytes, frame);
  encoder.history = best.history;
}

std::vector<uint8_t> encodeStream(const std::vector<int16_t>& pcm, uint8_t flag) {
  AdpcmEncoder encoder;
  std::vector<uint8_t> out;
  for (size_t at = 0; at < pcm.size(); at += kSamplesPerFrame) {
    int16_t block[kSamplesPerFrame] = {};
    std::copy(pcm.begin() + static_cast<std::ptrdiff_t>(at),
              pcm.begin() + static_cast<std::ptrdiff_t>(std::min(pcm.size(), at + kSamplesPerFrame)), block);
    uint8_t frame[kFrameBytes];
    encodeFrame(encoder, block, flag, frame);
    out.insert(out.end(), frame, frame + kFrameBytes);
  }
  return out;
}

std::vector<int16_t> decodeStream(const std::vector<uint8_t>& frames) {
  ChannelHistory history{};
  std::vector<int16_t> out;
  for (size_t at = 0; at + kFrameBytes <= frames.size(); at += kFrameBytes) {
    AdpcmFrame frame{};
    for (int i = 0; i < kFrameBytes; ++i) frame.value[i] = frames[at + static_cast<size_t>(i)];
    int32_t samples[kSamplesPerFrame];
    decodeFrame(frame, history, samples);
    for (int32_t sample : samples) out.push_back(static_cast<int16_t>(static_cast<uint16_t>(sample)));
  }
  return out;
}

std::vector<uint8_t> interleaveBlocks(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second,
                                      size_t blockSize) {
  std::vector<uint8_t> out;
  const size_t length = std::max(first.size(), second.size());
  for (size_t at = 0; at < length; at += blockSize) {
    for (const std::vector<uint8_t>* stream : {&first, &second}) {
      for (size_t i = at; i < at + blockSize; ++i) {
        const size_t last = stream->size() - kFrameBytes;
        out.push_back(i < stream->size() ? (*stream)[i] : (*stream)[last + i % kFrameBytes]);
      }
    }
  }
  return out;
}

std::vector<uint8_t> markerFrame() {
  std::vector<uint8_t> frame(kFrameBytes, 0);
  frame[0] = 0x0C;
  return frame;
}
