#include "support/frames.h"

#include <algorithm>

#include "encode/adpcm_encoder.h"
#include "encode/signals.h"
#include "support/reference_decoder.h"

Bytes frame(uint8_t header, uint8_t flag, std::initializer_list<uint8_t> data) {
  Bytes f(16, 0);
  f[0] = header;
  f[1] = flag;
  size_t at = 2;
  for (uint8_t d : data) f[at++] = d;
  return f;
}

Bytes marker() { return frame(0x0C); }

Bytes loud(uint8_t header) {
  return frame(header, 0, {0x17, 0x2F, 0x71, 0x93, 0x05, 0x6E, 0x44, 0x81, 0x3C, 0x1D, 0x72, 0x99, 0xA3, 0x11});
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes repeat(const Bytes& bytes, size_t times) {
  Bytes out;
  out.reserve(bytes.size() * times);
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

Bytes music(uint32_t seed, size_t frames) {
  return encodeStream(synthesizeMusic(seed, frames * kSamplesPerFrame, 48000));
}

std::vector<int16_t> decoded(const Bytes& frames) {
  ChannelHistory history{};
  std::vector<int16_t> out;
  for (size_t at = 0; at + kFrameBytes <= frames.size(); at += kFrameBytes) {
    AdpcmFrame frame{};
    std::copy(frames.begin() + static_cast<long>(at), frames.begin() + static_cast<long>(at) + kFrameBytes, frame.value);
    int32_t samples[kSamplesPerFrame];
    referenceDecodeFrame(frame, history, samples);
    for (int32_t sample : samples) out.push_back(static_cast<int16_t>(static_cast<uint16_t>(sample)));
  }
  return out;
}

std::vector<int16_t> interleaved(const std::vector<int16_t>& left, const std::vector<int16_t>& right) {
  std::vector<int16_t> out;
  for (size_t i = 0; i < left.size() && i < right.size(); ++i) {
    out.push_back(left[i]);
    out.push_back(right[i]);
  }
  return out;
}

std::vector<int16_t> joined(std::vector<int16_t> a, const std::vector<int16_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
