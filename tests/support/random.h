// The tests' one random generator (xorshift64*): seeded, the same numbers everywhere.
#pragma once

#include <cstdint>

class TestRandom {
 public:
  explicit TestRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  // A number in [0, bound).
  uint64_t below(uint64_t bound) { return next() % bound; }

 private:
  uint64_t state_;
};
