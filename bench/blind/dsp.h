// Small signal-processing parts shared by the instruments, the voice and the mixes.
#pragma once

#include <cstddef>
#include <numbers>
#include <vector>

#include "rng.h"

namespace blind {

using Signal = std::vector<float>;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Sine of a phase given in cycles, from a table with linear interpolation: the
// sets need hundreds of millions of oscillator samples.
double sineCycles(double cycles);

// Two-pole resonator: a band around a centre frequency, unit gain at the centre.
class Resonator {
 public:
  void tune(double hz, double bandwidthHz, double rate);
  double step(double x);

 private:
  double gain_ = 0.0;
  double a1_ = 0.0;
  double a2_ = 0.0;
  double y1_ = 0.0;
  double y2_ = 0.0;
};

// One-pole low-pass; its complement gives a gentle high-pass.
class OnePole {
 public:
  void tune(double cutoffHz, double rate);
  double low(double x);
  double high(double x) { return x - low(x); }

 private:
  double coefficient_ = 1.0;
  double state_ = 0.0;
};

// Schroeder reverberator: four parallel feedback combs and two all-passes. Each
// channel of a stereo mix gets its own, with slightly different delays.
class Reverb {
 public:
  Reverb(double rate, double spread, double feedback);
  double step(double x);

 private:
  struct Delay {
    std::vector<double> line;
    size_t at = 0;
    double read() const { return line[at]; }
    void write(double v) {
      line[at] = v;
      at = (at + 1) % line.size();
    }
  };
  std::vector<Delay> combs_;
  std::vector<Delay> allPasses_;
  double feedback_;
};

// Adds `source` into `target` from sample `at` on, scaled; what runs past the end is lost.
void mixInto(Signal& target, const Signal& source, size_t at, double gain);

// White noise in [-1, 1).
double noise(Rng& rng);

// Linear fade over the last `samples` samples, reaching exactly zero at the end.
void fadeOut(Signal& s, size_t samples);

// Peak absolute value.
double peakOf(const Signal& s);

// Root mean square over the samples that are not exactly zero (0 if none).
double rmsOfSound(const Signal& s);

}  // namespace blind
