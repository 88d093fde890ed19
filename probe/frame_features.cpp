#include "probe/frame_features.h"

#include <algorithm>
#include <cmath>

#include "decode/adpcm_decoder.h"

namespace {

// A frame's 28 samples as the spectrum of one period: bins 1..14 of their discrete
// Fourier transform (bin k: k cycles in the frame), gathered into bands that widen
// with frequency.
constexpr int kBins = kSamplesPerFrame / 2;
constexpr int kBandOfBin[kBins + 1] = {-1, 0, 1, 2, 3, 3, 4, 4, 5, 5, 5, 6, 6, 7, 7};

struct FourierTable {
  double cosine[kBins + 1][kSamplesPerFrame];
  double sine[kBins + 1][kSamplesPerFrame];
};

const FourierTable& fourierTable() {
  static const FourierTable table = [] {
    FourierTable t{};
    for (int k = 0; k <= kBins; ++k) {
      for (int i = 0; i < kSamplesPerFrame; ++i) {
        const double angle = 2.0 * 3.14159265358979323846 * k * i / kSamplesPerFrame;
        t.cosine[k][i] = std::cos(angle);
        t.sine[k][i] = std::sin(angle);
      }
    }
    return t;
  }();
  return table;
}

Spectrum spectrumOf(const int16_t* samples) {
  const FourierTable& t = fourierTable();
  double energy[kSpectrumBands] = {};
  for (int k = 1; k <= kBins; ++k) {
    double re = 0.0, im = 0.0;
    for (int i = 0; i < kSamplesPerFrame; ++i) re += samples[i] * t.cosine[k][i], im += samples[i] * t.sine[k][i];
    energy[kBandOfBin[k]] += re * re + im * im;
  }
  Spectrum s;
  for (int b = 0; b < kSpectrumBands; ++b) s[static_cast<size_t>(b)] = static_cast<float>(std::log2(energy[b] + 1.0));
  return s;
}

}  // namespace

void measureFrames(const uint8_t* frames, size_t count, FrameFeatures& features) {
  features.loudness.resize(count);
  features.residual.resize(count);
  features.samples.resize(count * kSamplesPerFrame);
  features.spectrum.resize(std::min(count, kSpectrumFrames));
  features.empty.resize(count);
  features.quiet.resize(count);
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
    if (i < features.spectrum.size()) features.spectrum[i] = spectrumOf(&features.samples[i * kSamplesPerFrame]);
    const int zeros = zeroBytes(frame.value);
    features.empty[i] = isEmptyFrame(zeros);
    features.quiet[i] = isQuietFrame(zeros);
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
