// Deterministic music-like test signals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A few plucked voices playing a seeded melody over a faint noise floor, so that no
// stretch of it is digital silence. Peaks stay near amplitude.
std::vector<int16_t> synthesizeMusic(uint32_t seed, size_t samples, int sampleRate, double amplitude = 9000.0);

// Two channels of one piece, as stereo music holds them: the same plucked voices, each
// placed somewhere between left and right, over each channel's own faint noise floor.
// A different seed gives a different piece, tempo and placing.
void synthesizeStereoMusic(uint32_t seed, size_t samples, int sampleRate, std::vector<int16_t>& left,
                           std::vector<int16_t>& right);

// A drum pattern in stereo: kick in the middle, snare and hi-hat placed apart, silence
// (a faint noise floor) between the hits.
void synthesizeDrums(uint32_t seed, size_t samples, int sampleRate, std::vector<int16_t>& left,
                     std::vector<int16_t>& right);

// A voice in mono: voiced syllables (a gliding pulse train through two formants) with
// pauses of near silence between them.
std::vector<int16_t> synthesizeVoice(uint32_t seed, size_t samples, int sampleRate);
