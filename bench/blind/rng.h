// Seeded random draws for the blind test sets.
//
// Every draw is made from the raw output of std::mt19937_64, whose sequence the
// C++ standard fixes, and never through the standard distributions, whose
// algorithms differ between libraries: a seed gives the same set with g++ and clang.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace blind {

// SplitMix64 finaliser: spreads a pair of numbers into an independent 64-bit seed.
inline uint64_t mixSeed(uint64_t a, uint64_t b) {
  uint64_t z = a * 0x9E3779B97F4A7C15ULL + b + 0x632BE59BD9B4E019ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

class Rng {
 public:
  explicit Rng(uint64_t seed) : engine_(seed) {}

  uint64_t bits() { return engine_(); }

  // Uniform in [0, 1), from the top 53 bits.
  double unit() { return static_cast<double>(bits() >> 11) * 0x1.0p-53; }

  double uniform(double low, double high) { return low + (high - low) * unit(); }

  // Uniform whole number in [low, high], both ends included.
  int64_t between(int64_t low, int64_t high) {
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    return low + static_cast<int64_t>(bits() % span);
  }

  size_t index(size_t count) { return static_cast<size_t>(bits() % count); }

  bool chance(double probability) { return unit() < probability; }

  // Standard normal draw (Box-Muller).
  double gauss() {
    const double u = 1.0 - unit();  // (0, 1]: the logarithm stays finite
    const double v = unit();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
  }

  // Uniform in decibels between two levels, returned as a linear factor.
  double decibels(double lowDb, double highDb) { return std::pow(10.0, uniform(lowDb, highDb) / 20.0); }

  template <class T>
  const T& pick(const std::vector<T>& items) {
    return items[index(items.size())];
  }

  // An independent generator for one part of the work, so that changing how much
  // one part draws does not shift the draws of the others.
  Rng fork(uint64_t salt) { return Rng(mixSeed(bits(), salt)); }

 private:
  std::mt19937_64 engine_;
};

}  // namespace blind
