#include "adpcm_codec.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace blind {
namespace {

constexpr int kFilterCount = 5;
// Prediction coefficients for the previous sample and the one before it, in 64ths.
constexpr double kPredictor[kFilterCount][2] = {
    {0.0, 0.0},
    {60.0 / 64.0, 0.0},
    {115.0 / 64.0, -52.0 / 64.0},
    {98.0 / 64.0, -55.0 / 64.0},
    {122.0 / 64.0, -60.0 / 64.0},
};
constexpr int kLargestShift = 12;  // a code step of 1
constexpr int kCodeLow = -8;
constexpr int kCodeHigh = 7;
constexpr int kCodeBits = 4;
constexpr int kCodePlace = 12;  // a code sits in bits 12..15 of a 16-bit value

// The decoder's memory: its last two reconstructed values, unrounded.
struct History {
  double s1 = 0.0;
  double s2 = 0.0;
  void push(double x) {
    s2 = s1;
    s1 = x;
  }
};

struct ResidualRange {
  double high = 0.0;  // largest residual, at least 0
  double low = 0.0;   // smallest residual, at most 0
  double peak() const { return std::max(high, -low); }
};

// Residuals of one filter over a frame, each sample predicted from the two source
// samples before it (open loop: this only ranks the filters and sizes the step).
ResidualRange residualRange(const int16_t* frame, double before1, double before2, int filter) {
  ResidualRange range;
  for (size_t i = 0; i < kSamplesPerFrame; ++i) {
    const double residual = frame[i] - (kPredictor[filter][0] * before1 + kPredictor[filter][1] * before2);
    range.high = std::max(range.high, residual);
    range.low = std::min(range.low, residual);
    before2 = before1;
    before1 = frame[i];
  }
  return range;
}

// The shift whose code step fits the residual range: 12 less the bits the peak
// needs beyond what a 4-bit code holds, never below 0.
int shiftFor(const ResidualRange& range) {
  int extraBits = 0;
  while (extraBits < kLargestShift &&
         (range.high > kCodeHigh * std::ldexp(1.0, extraBits) || range.low < kCodeLow * std::ldexp(1.0, extraBits))) {
    ++extraBits;
  }
  return kLargestShift - extraBits;
}

struct FrameChoice {
  int filter = 0;
  int shift = kLargestShift;
};

FrameChoice chooseFrame(const int16_t* frame, double before1, double before2) {
  FrameChoice best;
  ResidualRange bestRange = residualRange(frame, before1, before2, 0);
  for (int filter = 1; filter < kFilterCount; ++filter) {
    const ResidualRange range = residualRange(frame, before1, before2, filter);
    if (range.peak() < bestRange.peak()) {  // strictly smaller: filter 0 keeps ties
      bestRange = range;
      best.filter = filter;
    }
  }
  best.shift = shiftFor(bestRange);
  return best;
}

// The value a code adds before prediction, exactly as the decoder forms it.
int codeValue(int code, int shift) { return static_cast<int16_t>(static_cast<uint16_t>(code << kCodePlace)) >> shift; }

double reconstruct(int code, int shift, int filter, const History& history) {
  return (codeValue(code, shift) + history.s1 * kPredictor[filter][0]) + history.s2 * kPredictor[filter][1];
}

// Quantises one frame against the decoder's own reconstruction (closed loop), so
// that quantisation errors do not accumulate.
void encodeFrame(const int16_t* frame, const FrameChoice& choice, History& history, uint8_t* out) {
  out[kHeaderByte] = static_cast<uint8_t>((choice.filter << kCodeBits) | choice.shift);
  out[kFlagByte] = 0;
  const double step = std::ldexp(1.0, kLargestShift - choice.shift);
  for (size_t i = 0; i < kSamplesPerFrame; ++i) {
    const double predicted = reconstruct(0, choice.shift, choice.filter, history);
    const long rounded = std::lround((frame[i] - predicted) / step);
    const int code = static_cast<int>(std::clamp<long>(rounded, kCodeLow, kCodeHigh));
    history.push(reconstruct(code, choice.shift, choice.filter, history));
    const uint8_t nibble = static_cast<uint8_t>(code & 0x0F);
    uint8_t& byte = out[kFirstCodeByte + i / 2];
    byte = (i % 2 == 0) ? nibble : static_cast<uint8_t>(byte | (nibble << kCodeBits));
  }
}

// The player's rounding: x + 0.5 truncated toward zero.
int32_t playedSample(double x) { return static_cast<int32_t>(x + 0.5); }

}  // namespace

Bytes encodeAdpcm(const Pcm& samples) {
  const size_t frames = (samples.size() + kSamplesPerFrame - 1) / kSamplesPerFrame;
  Pcm padded(samples);
  padded.resize(frames * kSamplesPerFrame, 0);
  Bytes out(frames * kFrameBytes, 0);
  History history;
  double before1 = 0.0;
  double before2 = 0.0;
  for (size_t f = 0; f < frames; ++f) {
    const int16_t* frame = padded.data() + f * kSamplesPerFrame;
    const FrameChoice choice = chooseFrame(frame, before1, before2);
    encodeFrame(frame, choice, history, out.data() + f * kFrameBytes);
    before1 = frame[kSamplesPerFrame - 1];
    before2 = frame[kSamplesPerFrame - 2];
  }
  return out;
}

std::vector<int32_t> decodeAdpcm(const Bytes& frames) {
  std::vector<int32_t> out;
  out.reserve(frames.size() / kFrameBytes * kSamplesPerFrame);
  History history;
  for (size_t at = 0; at + kFrameBytes <= frames.size(); at += kFrameBytes) {
    const int filter = std::min(frames[at + kHeaderByte] >> kCodeBits, kFilterCount - 1);
    const int shift = frames[at + kHeaderByte] & 0x0F;
    for (size_t i = 0; i < kSamplesPerFrame; ++i) {
      const uint8_t byte = frames[at + kFirstCodeByte + i / 2];
      const int code = (i % 2 == 0) ? (byte & 0x0F) : (byte >> kCodeBits);
      const double x = reconstruct(code, shift, filter, history);
      history.push(x);
      out.push_back(playedSample(x));
    }
  }
  return out;
}

double snrDb(const Pcm& source, const std::vector<int32_t>& decoded) {
  double signal = 0.0;
  double noise = 0.0;
  for (size_t i = 0; i < source.size(); ++i) {
    const double s = source[i];
    const double d = i < decoded.size() ? decoded[i] : 0.0;
    signal += s * s;
    noise += (s - d) * (s - d);
  }
  if (signal == 0.0 || noise == 0.0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(signal / noise);
}

}  // namespace blind
