#include "probe/frame_features.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "decode/adpcm_decoder.h"
#include "decode/chain_chunk.h"
#include "decode/scalar_lanes.h"

namespace {

// A frame's 28 samples as the spectrum of one period: bins 1..14 of their discrete
// Fourier transform (bin k: k cycles in the frame), gathered into bands that widen
// with frequency.
constexpr size_t kDecodeRun = 1024;  // frames decoded at a time
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

bool wild(const ChannelHistory& h) { return !std::isfinite(h.s1) || !std::isfinite(h.s2) || std::fabs(h.s1) > 1e9; }

// One frame's loudness, spectrum, residual and kind, from its decoded samples.
void measure(const AdpcmFrame& frame, const int32_t* out, size_t i, FrameFeatures& features) {
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

}  // namespace

void measureFrames(const uint8_t* frames, size_t count, size_t spectra, FrameFeatures& features) {
  features.loudness.resize(count);
  features.residual.resize(count);
  features.samples.resize(count * kSamplesPerFrame);
  features.spectrum.resize(std::min(count, spectra));
  features.empty.resize(count);
  features.quiet.resize(count);
  std::vector<AdpcmFrame> run(kDecodeRun);
  std::vector<int32_t> out(kDecodeRun * kSamplesPerFrame);
  ChannelHistory history{};
  for (size_t first = 0; first < count; first += kDecodeRun) {
    const size_t length = std::min(kDecodeRun, count - first);
    for (size_t i = 0; i < length; ++i) std::memcpy(run[i].value, frames + (first + i) * kFrameBytes, kFrameBytes);
    // Decoded as one stream, a run at a time (its halves side by side). Where the history
    // goes wild (filters 5..15 or garbage), frame by frame, starting afresh after each
    // such frame rather than carrying infinities into the loudness of every later one.
    const ChannelHistory before = history;
    const FrameRun whole{run.data(), static_cast<int32_t>(length), &history, out.data()};
    decodeRuns(&whole, 1);
    if (wild(history)) {
      history = before;
      for (size_t i = 0; i < length; ++i) {
        decodeFrame(run[i], history, &out[i * kSamplesPerFrame]);
        if (wild(history)) history = {};
      }
    }
    for (size_t i = 0; i < length; ++i) measure(run[i], &out[i * kSamplesPerFrame], first + i, features);
  }
}
