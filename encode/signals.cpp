#include "encode/signals.h"

#include <algorithm>
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

// A value in [-1, 1] from the generator.
double noiseSample(uint32_t& state) { return (static_cast<double>(nextRandom(state) % 2001) - 1000.0) / 1000.0; }

constexpr int kScale[] = {0, 2, 4, 7, 9, 12, 14, 16};  // pentatonic steps

// Three voices of a chord: a root of `lowest` .. `lowest + range - 1` (MIDI numbers), two
// notes of the scale above it and one of them an octave up.
void drawChord(uint32_t& random, int lowest, int range, double frequencies[3]) {
  const int root = lowest + static_cast<int>(nextRandom(random) % static_cast<uint32_t>(range));
  for (int v = 0; v < 3; ++v) {
    const int note = root + kScale[nextRandom(random) % 8] + 12 * (v == 2);
    frequencies[v] = 440.0 * std::pow(2.0, (note - 69) / 12.0);
  }
}

int16_t toSample(double value) { return static_cast<int16_t>(std::lround(std::clamp(value, -32767.0, 32767.0))); }

}  // namespace

std::vector<int16_t> synthesizeMusic(uint32_t seed, size_t samples, int sampleRate, double amplitude) {
  uint32_t random = seed * 2654435761u + 1u;
  std::vector<int16_t> out(samples);
  const size_t noteLength = static_cast<size_t>(sampleRate) / 5;
  const double twoPi = 2.0 * std::numbers::pi;
  double frequencies[3] = {};
  for (size_t i = 0; i < samples; ++i) {
    const size_t inNote = i % noteLength;
    if (inNote == 0) drawChord(random, 45, 12, frequencies);
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

void synthesizeStereoMusic(uint32_t seed, size_t samples, int sampleRate, std::vector<int16_t>& left,
                           std::vector<int16_t>& right) {
  uint32_t random = seed * 2654435761u + 7u;
  const size_t noteLength = static_cast<size_t>(sampleRate) / (3 + nextRandom(random) % 5);
  double pan[3];
  for (double& p : pan) p = 0.15 + 0.7 * static_cast<double>(nextRandom(random) % 1000) / 1000.0;
  const double level = 4000.0 + static_cast<double>(nextRandom(random) % 8000);
  left.assign(samples, 0);
  right.assign(samples, 0);
  const double twoPi = 2.0 * std::numbers::pi;
  double frequencies[3] = {};
  double velocity = 1.0;
  for (size_t i = 0; i < samples; ++i) {
    const size_t inNote = i % noteLength;
    if (inNote == 0) {
      drawChord(random, 40, 15, frequencies);
      velocity = 0.3 + 0.7 * static_cast<double>(nextRandom(random) % 1000) / 1000.0;
    }
    const double t = static_cast<double>(i) / sampleRate;
    const double envelope = velocity * std::exp(-4.0 * static_cast<double>(inNote) / static_cast<double>(noteLength));
    double l = 0.0;
    double r = 0.0;
    for (int v = 0; v < 3; ++v) {
      const double voice = std::sin(twoPi * frequencies[v] * t) * (v == 0 ? 0.5 : 0.3) +
                           0.1 * std::sin(2.0 * twoPi * frequencies[v] * t);
      l += voice * (1.0 - pan[v]);
      r += voice * pan[v];
    }
    left[i] = toSample(level * (0.05 + envelope) * l + 30.0 * noiseSample(random));
    right[i] = toSample(level * (0.05 + envelope) * r + 30.0 * noiseSample(random));
  }
}

void synthesizeDrums(uint32_t seed, size_t samples, int sampleRate, std::vector<int16_t>& left,
                     std::vector<int16_t>& right) {
  uint32_t random = seed * 2246822519u + 3u;
  // Sixteenth notes at 90 to 150 beats a minute; kick, snare and hat on a fixed grid,
  // with a few extra kicks and missing hats drawn per bar.
  const size_t step = static_cast<size_t>(sampleRate) * 15 / (90 + nextRandom(random) % 61);
  const double snarePan = 0.25 + 0.2 * static_cast<double>(nextRandom(random) % 100) / 100.0;
  const double hatPan = 0.6 + 0.3 * static_cast<double>(nextRandom(random) % 100) / 100.0;
  left.assign(samples, 0);
  right.assign(samples, 0);
  const double twoPi = 2.0 * std::numbers::pi;
  double kickAge = 1e9, snareAge = 1e9, hatAge = 1e9;  // seconds since each was hit
  double kickPhase = 0.0;
  double hatLast = 0.0;
  double accent = 1.0;
  for (size_t i = 0; i < samples; ++i) {
    if (i % step == 0) {
      const size_t beat = (i / step) % 16;
      const uint32_t draw = nextRandom(random);
      accent = 0.6 + 0.4 * static_cast<double>(draw % 100) / 100.0;
      if (beat == 0 || beat == 8 || (beat == 10 && draw % 3 == 0)) kickAge = 0.0, kickPhase = 0.0;
      if (beat == 4 || beat == 12) snareAge = 0.0;
      if (beat % 2 == 0 && draw % 5 != 0) hatAge = 0.0;
    }
    const double dt = 1.0 / sampleRate;
    const double kickFrequency = 50.0 + 90.0 * std::exp(-kickAge / 0.03);
    kickPhase += twoPi * kickFrequency * dt;
    const double kick = 14000.0 * accent * std::exp(-kickAge / 0.12) * std::sin(kickPhase);
    const double snare = accent * std::exp(-snareAge / 0.07) *
                         (5000.0 * noiseSample(random) + 2500.0 * std::sin(twoPi * 190.0 * snareAge));
    const double hatNoise = noiseSample(random);
    const double hat = 2200.0 * accent * std::exp(-hatAge / 0.015) * (hatNoise - hatLast);
    hatLast = hatNoise;
    left[i] = toSample(kick + snare * (1.0 - snarePan) + hat * (1.0 - hatPan) + 25.0 * noiseSample(random));
    right[i] = toSample(kick + snare * snarePan + hat * hatPan + 25.0 * noiseSample(random));
    kickAge += dt, snareAge += dt, hatAge += dt;
  }
}

std::vector<int16_t> synthesizeVoice(uint32_t seed, size_t samples, int sampleRate) {
  uint32_t random = seed * 3266489917u + 5u;
  std::vector<int16_t> out(samples);
  const double twoPi = 2.0 * std::numbers::pi;
  // Two resonators (formants) driven by a pulse train; their frequencies and the pitch
  // change per syllable.
  double y1[2] = {}, y2[2] = {};
  double pitch = 120.0, phase = 0.0;
  double formant[2] = {700.0, 1200.0};
  size_t syllableEnd = 0, pauseEnd = 0;
  double glide = 0.0;
  const double level = 3000.0 + static_cast<double>(nextRandom(random) % 5000);
  for (size_t i = 0; i < samples; ++i) {
    if (i >= pauseEnd) {  // a new syllable, then a pause
      syllableEnd = i + static_cast<size_t>(sampleRate) * (120 + nextRandom(random) % 200) / 1000;
      pauseEnd = syllableEnd + static_cast<size_t>(sampleRate) * (40 + nextRandom(random) % 200) / 1000;
      pitch = 90.0 + static_cast<double>(nextRandom(random) % 160);
      glide = (static_cast<double>(nextRandom(random) % 200) - 100.0) / static_cast<double>(sampleRate);
      formant[0] = 300.0 + static_cast<double>(nextRandom(random) % 600);
      formant[1] = 900.0 + static_cast<double>(nextRandom(random) % 1500);
    }
    double excitation = 0.0;
    double envelope = 0.0;
    if (i < syllableEnd) {
      const double left = static_cast<double>(syllableEnd - i) / static_cast<double>(sampleRate);
      envelope = std::min(1.0, left / 0.03);
      pitch += glide;
      phase += pitch / sampleRate;
      if (phase >= 1.0) phase -= 1.0, excitation = 1.0;
    }
    double value = 0.0;
    for (int f = 0; f < 2; ++f) {  // two-pole resonators with a bandwidth of about 100 Hz
      const double radius = std::exp(-std::numbers::pi * 100.0 / sampleRate);
      const double y = excitation + 2.0 * radius * std::cos(twoPi * formant[f] / sampleRate) * y1[f] -
                       radius * radius * y2[f];
      y2[f] = y1[f];
      y1[f] = y;
      value += y * (f == 0 ? 1.0 : 0.5);
    }
    out[i] = toSample(level * envelope * value * 0.015 + 20.0 * noiseSample(random));
  }
  return out;
}
