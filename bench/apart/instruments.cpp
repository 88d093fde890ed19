#include "instruments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace apart {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Vowel {
    double f1, f2, f3;
};

constexpr std::array<Vowel, 5> kVowels = {{{800, 1200, 2500}, {400, 2000, 2600}, {300, 2300, 3000},
                                           {450, 800, 2600}, {325, 700, 2500}}};

// A Rosenberg-like glottal pulse, differentiated for the usual spectral tilt.
float glottal(double phase)
{
    if (phase < 0.4) return static_cast<float>(0.5 * (1.0 - std::cos(std::numbers::pi * phase / 0.4)));
    if (phase < 0.6) return static_cast<float>(std::cos(std::numbers::pi * (phase - 0.4) / 0.4));
    return 0.0f;
}

Signal consonant(Random& random, int rate, double seconds)
{
    Signal burst(samplesOf(rate, seconds));
    Biquad shape = Biquad::bandpass(rate, random.range(2500, 6000), random.range(0.8, 2.5));
    for (std::size_t i = 0; i < burst.size(); ++i) {
        double env = std::sin(std::numbers::pi * static_cast<double>(i) / static_cast<double>(burst.size()));
        burst[i] = shape.process(random.noise()) * static_cast<float>(env);
    }
    return burst;
}

}  // namespace

Signal pluck(Random& random, int rate, double hz, double seconds, double brightness)
{
    Signal out(samplesOf(rate, seconds));
    std::size_t period = std::max<std::size_t>(2, static_cast<std::size_t>(rate / std::max(hz, 20.0)));
    std::vector<float> line(period);
    for (float& x : line) x = random.noise();
    double keep = 0.5 + 0.49 * std::clamp(brightness, 0.0, 1.0);
    float last = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::size_t at = i % period;
        float x = line[at];
        float averaged = static_cast<float>(keep * x + (1.0 - keep) * last) * 0.996f;
        last = x;
        line[at] = averaged;
        out[i] = x;
    }
    fadeOut(out, out.size() / 8);
    return out;
}

Signal fmTone(int rate, double hz, double seconds, const FmShape& shape)
{
    return slideTone(rate, hz, hz, seconds, 0.0, shape);
}

Signal slideTone(int rate, double fromHz, double toHz, double seconds, double slideSeconds, const FmShape& shape)
{
    Signal out(samplesOf(rate, seconds));
    double carrier = 0, modulator = 0;
    double index = shape.index, indexFall = std::exp(-shape.indexDecay / rate);
    double level = 1.0, levelFall = std::exp(-shape.ampDecay / rate);
    double hz = fromHz, glideStep = slideSeconds > 0 ? std::pow(toHz / fromHz, 1.0 / (slideSeconds * rate)) : 1.0;
    std::size_t glideEnd = slideSeconds > 0 ? samplesOf(rate, slideSeconds) : 0;
    double attackSamples = std::max(shape.attack, 1e-4) * rate;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i < glideEnd) hz *= glideStep;
        if (i == glideEnd) hz = toHz;
        carrier += kTwoPi * hz / rate;
        modulator += kTwoPi * hz * shape.ratio / rate;
        double amp = std::min(1.0, static_cast<double>(i) / attackSamples) * level;
        out[i] = static_cast<float>(amp * fastSin(carrier + index * fastSin(modulator)));
        index *= indexFall;
        level *= levelFall;
    }
    fadeOut(out, std::min<std::size_t>(out.size(), samplesOf(rate, 0.01)));
    return out;
}

Signal kick(int rate, double tuneHz)
{
    Signal out(samplesOf(rate, 0.35));
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        double hz = tuneHz + 140.0 * std::exp(-t * 30.0);
        phase += kTwoPi * hz / rate;
        out[i] = static_cast<float>(fastSin(phase) * std::exp(-t * 9.0) + (t < 0.002 ? 0.5 : 0.0));
    }
    return out;
}

Signal snare(Random& random, int rate, double toneHz)
{
    Signal out(samplesOf(rate, 0.25));
    Biquad body = Biquad::bandpass(rate, 3000, 0.7);
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        phase += kTwoPi * toneHz / rate;
        double tone = fastSin(phase) * std::exp(-t * 25.0) * 0.6;
        double rattle = body.process(random.noise()) * std::exp(-t * 14.0) * 1.6;
        out[i] = static_cast<float>(tone + rattle);
    }
    return out;
}

Signal hat(Random& random, int rate, bool open)
{
    Signal out(samplesOf(rate, open ? 0.3 : 0.06));
    Biquad bright = Biquad::highpass(rate, 7000, 0.9);
    double decay = open ? 10.0 : 60.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        out[i] = static_cast<float>(bright.process(random.noise()) * std::exp(-t * decay));
    }
    return out;
}

Signal pad(Random& random, int rate, const std::vector<double>& chordHz, double seconds, double attack)
{
    Signal out(samplesOf(rate, seconds));
    for (double hz : chordHz) {
        for (int voice = 0; voice < 2; ++voice) {
            double detune = 1.0 + random.range(-0.004, 0.004);
            FmShape soft{random.range(0.99, 2.01), random.range(0.6, 1.6), 0.2, 0.05, attack};
            Signal tone = fmTone(rate, hz * detune, seconds, soft);
            addInto(out, tone, 0, 0.3f / static_cast<float>(chordHz.size()));
        }
    }
    filterInPlace(out, Biquad::lowpass(rate, random.range(1200, 3500), 0.8));
    fadeOut(out, out.size() / 4);
    return out;
}

Signal wind(Random& random, int rate, double seconds)
{
    Signal out(samplesOf(rate, seconds));
    Biquad band = Biquad::bandpass(rate, 600, 3.0);
    double sweep = random.range(0.1, 0.4);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i % 64 == 0) {
            double t = static_cast<double>(i) / rate;
            double centre = 700.0 + 500.0 * fastSin(kTwoPi * sweep * t) + 200.0 * fastSin(kTwoPi * 0.37 * t);
            band.retune(Biquad::bandpass(rate, centre, 2.5));
        }
        out[i] = band.process(random.noise());
    }
    fadeIn(out, out.size() / 5);
    fadeOut(out, out.size() / 5);
    return out;
}

Signal syllable(Random& random, int rate, double pitchHz, double seconds)
{
    Signal out = consonant(random, rate, random.range(0.02, 0.07));
    for (float& x : out) x *= 0.5f;
    std::size_t voiced = samplesOf(rate, seconds);
    const Vowel& from = kVowels[static_cast<std::size_t>(random.integer(0, 4))];
    const Vowel& to = kVowels[static_cast<std::size_t>(random.integer(0, 4))];
    std::array<Biquad, 3> formants = {Biquad::bandpass(rate, from.f1, 8), Biquad::bandpass(rate, from.f2, 10),
                                      Biquad::bandpass(rate, from.f3, 12)};
    double phase = 0, vibrato = 0, bend = random.range(-0.15, 0.15);
    float previous = 0;
    for (std::size_t i = 0; i < voiced; ++i) {
        double k = static_cast<double>(i) / static_cast<double>(voiced);
        if (i % 32 == 0) {
            formants[0].retune(Biquad::bandpass(rate, from.f1 + (to.f1 - from.f1) * k, 8));
            formants[1].retune(Biquad::bandpass(rate, from.f2 + (to.f2 - from.f2) * k, 10));
            formants[2].retune(Biquad::bandpass(rate, from.f3 + (to.f3 - from.f3) * k, 12));
        }
        vibrato += kTwoPi * 5.5 / rate;
        double hz = pitchHz * (1.0 + bend * k) * (1.0 + 0.012 * fastSin(vibrato));
        phase = std::fmod(phase + hz / rate, 1.0);
        float pulse = glottal(phase);
        float source = (pulse - previous) * 8.0f + 0.02f * random.noise();
        previous = pulse;
        float voice = formants[0].process(source) + 0.6f * formants[1].process(source) + 0.3f * formants[2].process(source);
        double env = std::min(1.0, k * 12.0) * std::min(1.0, (1.0 - k) * 6.0);
        out.push_back(voice * static_cast<float>(env));
    }
    return out;
}

}  // namespace apart
