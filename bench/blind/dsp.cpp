#include "dsp.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace blind {
namespace {

constexpr size_t kSineTableSize = 4096;

const std::array<double, kSineTableSize + 1>& sineTable() {
  static const auto table = [] {
    std::array<double, kSineTableSize + 1> t{};
    for (size_t i = 0; i <= kSineTableSize; ++i) t[i] = std::sin(kTwoPi * static_cast<double>(i) / kSineTableSize);
    return t;
  }();
  return table;
}

// Comb and all-pass delays of the reverberator in milliseconds (Schroeder's values).
constexpr double kCombMs[] = {29.7, 37.1, 41.1, 43.7};
constexpr double kAllPassMs[] = {5.0, 1.7};
constexpr double kAllPassGain = 0.7;

}  // namespace

double sineCycles(double cycles) {
  const double wrapped = cycles - std::floor(cycles);
  const double position = wrapped * kSineTableSize;
  const size_t i = std::min(static_cast<size_t>(position), kSineTableSize - 1);
  const double frac = position - static_cast<double>(i);
  const auto& t = sineTable();
  return t[i] + (t[i + 1] - t[i]) * frac;
}

void Resonator::tune(double hz, double bandwidthHz, double rate) {
  const double r = std::exp(-std::numbers::pi * bandwidthHz / rate);
  a1_ = 2.0 * r * std::cos(kTwoPi * hz / rate);
  a2_ = -r * r;
  gain_ = 1.0 - r;
}

double Resonator::step(double x) {
  const double y = gain_ * x + a1_ * y1_ + a2_ * y2_;
  y2_ = y1_;
  y1_ = y;
  return y;
}

void OnePole::tune(double cutoffHz, double rate) { coefficient_ = 1.0 - std::exp(-kTwoPi * cutoffHz / rate); }

double OnePole::low(double x) {
  state_ += coefficient_ * (x - state_);
  return state_;
}

Reverb::Reverb(double rate, double spread, double feedback) : feedback_(feedback) {
  for (double ms : kCombMs) combs_.push_back({std::vector<double>(static_cast<size_t>(ms * spread * rate / 1000.0) + 1, 0.0)});
  for (double ms : kAllPassMs) allPasses_.push_back({std::vector<double>(static_cast<size_t>(ms * spread * rate / 1000.0) + 1, 0.0)});
}

double Reverb::step(double x) {
  double sum = 0.0;
  for (Delay& comb : combs_) {
    const double out = comb.read();
    comb.write(x + feedback_ * out);
    sum += out;
  }
  double y = sum / static_cast<double>(combs_.size());
  for (Delay& pass : allPasses_) {
    const double delayed = pass.read();
    const double input = y + kAllPassGain * delayed;
    pass.write(input);
    y = delayed - kAllPassGain * input;
  }
  return y;
}

void mixInto(Signal& target, const Signal& source, size_t at, double gain) {
  for (size_t i = 0; i < source.size() && at + i < target.size(); ++i) target[at + i] += static_cast<float>(gain * source[i]);
}

double noise(Rng& rng) { return 2.0 * rng.unit() - 1.0; }

void fadeOut(Signal& s, size_t samples) {
  samples = std::min(samples, s.size());
  const size_t from = s.size() - samples;
  for (size_t i = 0; i < samples; ++i) s[from + i] *= static_cast<float>(static_cast<double>(samples - 1 - i) / static_cast<double>(samples));
}

double peakOf(const Signal& s) {
  double peak = 0.0;
  for (float v : s) peak = std::max(peak, static_cast<double>(std::fabs(v)));
  return peak;
}

double rmsOfSound(const Signal& s) {
  double sum = 0.0;
  size_t count = 0;
  for (float v : s) {
    if (v == 0.0f) continue;
    sum += static_cast<double>(v) * v;
    ++count;
  }
  return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

}  // namespace blind
