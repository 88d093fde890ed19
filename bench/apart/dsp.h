// Signal building blocks: filters, reverb, envelopes and level helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "random_source.h"

namespace apart {

using Signal = std::vector<float>;

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    static Biquad bandpass(int rate, double hz, double q);
    static Biquad lowpass(int rate, double hz, double q);
    static Biquad highpass(int rate, double hz, double q);
    void retune(const Biquad& other);  // new coefficients, same state
    float process(float x);
};

double midiToHz(double note);
// sin(x) from a table, accurate to about 1e-6: the synthesis needs millions of them.
double fastSin(double x);
std::size_t samplesOf(int rate, double seconds);

void addInto(Signal& target, const Signal& source, std::size_t at, float gain);
void filterInPlace(Signal& signal, Biquad filter);
void applyReverb(Signal& signal, int rate, float wet, double sizeScale, double decay);
void fadeIn(Signal& signal, std::size_t length);
void fadeOut(Signal& signal, std::size_t length);
float rms(const Signal& signal);
float peak(const Signal& signal);
void scaleTo(Signal& signal, float targetRms);
// Scales the signals down together, if need be, so that none passes `ceiling`.
void limitPeak(std::vector<Signal*> signals, float ceiling);
void addNoiseFloor(Signal& signal, Random& random, float level);
Signal sliceOf(const Signal& signal, std::size_t from, std::size_t length);

// Turns a signal into 16-bit samples with hard clipping; zero stays exactly zero.
std::vector<std::int16_t> toPcm(const Signal& signal);

}  // namespace apart
