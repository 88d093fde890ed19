// Deterministic music-like test signals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A few plucked voices playing a seeded melody over a faint noise floor, so that no
// stretch of it is digital silence. Peaks stay near amplitude.
std::vector<int16_t> synthesizeMusic(uint32_t seed, size_t samples, int sampleRate, double amplitude = 9000.0);
