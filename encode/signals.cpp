#include "encode/signals.h"

#include <cmath>
#include <numbers>

namespace {

// A small, fixed pseudo-random generator (xorshift32): the same seed gives the same
// signal on every machine.
uint32_t nextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

}  // namespace

std::vector<int16_t> synthesizeMusic(uint32_t seed, size_t samples, int sampleRate, double amplitude) {
  static constexpr int kScale[] = {0, 2, 4, 7, 9, 12, 14, 16};  // pentatonic steps
  uint32_t random = seed * 2654435761u + 1u;
  std::vector<int16_t> out(samples);
  const size_t noteLength = static_cast<size_t>(sampleRate) / 5;
  const double twoPi = 2.0 * std::numbers::pi;
  double frequencies[3] = {};
  for (size_t i = 0; i < samples; ++i) {
    const size_t inNote = i % noteLength;
    if (inNote == 0) {
      const int root = 45 + static_cast<int>(nextRandom(random) % 12);
      for (int v = 0; v < 3; ++v) {
        const int note = root + kScale[nextRandom(random) % 8] + 12 * (v == 2);
        frequencies[v] = 440.0 * std::pow(2.0, (note - 69) / 12.0);
      }
    }
    const double t = static_cast<double>(i) / sampleRate;
    const double envelope = std::exp(-3.0 * static_cast<double>(inNote) / static_cast<double>(noteLength));
    double value = 0.0;
    for (int v = 0; v < 3; ++v) {
      value += std::sin(twoPi * frequencies[v] * t) * (v == 0 ? 0.5 : 0.25);
      value += 0.1 * std::sin(2.0 * twoPi * frequencies[v] * t);
    }
    const double noise = (static_cast<double>(nextRandom(random) % 2001) - 1000.0) / 1000.0;
    out[i] = static_cast<int16_t>(std::lround(amplitude * (0.1 + 0.9 * envelope) * value / 1.3 + 40.0 * noise));
  }
  return out;
}
