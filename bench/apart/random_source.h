// A small seeded generator: every archive draws from its own stream so that one
// archive's choices never shift another's.
#pragma once

#include <cstdint>

namespace apart {

class Random {
public:
    // The seed is scrambled first: seeds one apart must not give the same stream one
    // step apart.
    explicit Random(std::uint64_t seed) : state_(mix(seed ^ 0x632BE59BD9B4E019ull)) {}

    std::uint64_t next()
    {
        state_ += 0x9E3779B97F4A7C15ull;
        return mix(state_);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Inclusive on both ends.
    int integer(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
    bool chance(double p) { return uniform() < p; }
    float noise() { return static_cast<float>(uniform() * 2.0 - 1.0); }

private:
    static std::uint64_t mix(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

}  // namespace apart
