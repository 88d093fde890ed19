#include "probe/frame_features.h"

#include <algorithm>
#include <cmath>

#include "decode/adpcm_decoder.h"

void measureFrames(const uint8_t* frames, size_t count, FrameFeatures& features) {
  features.loudness.resize(count);
  features.residual.resize(count);
  features.samples.resize(count * kSamplesPerFrame);
  ChannelHistory history{};
  for (size_t i = 0; i < count; ++i) {
    AdpcmFrame frame;
    for (int b = 0; b < kFrameBytes; ++b) frame.value[b] = frames[i * kFrameBytes + static_cast<size_t>(b)];
    int32_t out[kSamplesPerFrame];
    decodeFrame(frame, history, out);
    double energy = 0.0;
    for (int s = 0; s < kSamplesPerFrame; ++s) {
      const int16_t sample = static_cast<int16_t>(static_cast<uint16_t>(out[s]));
      features.samples[i * kSamplesPerFrame + static_cast<size_t>(s)] = sample;
      energy += static_cast<double>(sample) * sample;
    }
    features.loudness[i] = std::log2(energy / kSamplesPerFrame + 1.0);
    // The history went wild (filters 5..15 or garbage): start afresh rather than carry
    // infinities into the loudness of every later frame.
    if (!std::isfinite(history.s1) || !std::isfinite(history.s2) || std::fabs(history.s1) > 1e9) history = {};

    const int shift = std::min(frameShift(frame.value[kHeaderByte]), kMaxSoundShift);
    double codes = 0.0;
    for (int b = kFirstCodeByte; b < kFrameBytes; ++b) {
      for (int half = 0; half < 2; ++half) {
        const int nibble = (frame.value[b] >> (4 * half)) & 0x0F;
        const int code = nibble >= 8 ? nibble - 16 : nibble;
        codes += code * code;
      }
    }
    features.residual[i] = std::log2(codes * std::ldexp(1.0, 2 * (kMaxSoundShift - shift)) + 1.0);
  }
}
