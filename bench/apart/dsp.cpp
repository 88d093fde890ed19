#include "dsp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace apart {

namespace {

Biquad fromRbj(double b0, double b1, double b2, double a0, double a1, double a2)
{
    Biquad f;
    f.b0 = b0 / a0;
    f.b1 = b1 / a0;
    f.b2 = b2 / a0;
    f.a1 = a1 / a0;
    f.a2 = a2 / a0;
    return f;
}

double omegaOf(int rate, double hz)
{
    double limited = std::clamp(hz, 10.0, rate * 0.45);
    return 2.0 * std::numbers::pi * limited / rate;
}

class Comb {
public:
    Comb(std::size_t length, double feedback) : line_(std::max<std::size_t>(length, 1), 0.0f), feedback_(feedback) {}
    float process(float x)
    {
        float out = line_[at_];
        damp_ = static_cast<float>(out * 0.7 + damp_ * 0.3);
        line_[at_] = static_cast<float>(x + damp_ * feedback_);
        at_ = (at_ + 1) % line_.size();
        return out;
    }

private:
    std::vector<float> line_;
    double feedback_;
    float damp_ = 0;
    std::size_t at_ = 0;
};

class Allpass {
public:
    explicit Allpass(std::size_t length) : line_(std::max<std::size_t>(length, 1), 0.0f) {}
    float process(float x)
    {
        float delayed = line_[at_];
        float out = -0.5f * x + delayed;
        line_[at_] = x + 0.5f * delayed;
        at_ = (at_ + 1) % line_.size();
        return out;
    }

private:
    std::vector<float> line_;
    std::size_t at_ = 0;
};

}  // namespace

Biquad Biquad::bandpass(int rate, double hz, double q)
{
    double w = omegaOf(rate, hz);
    double alpha = std::sin(w) / (2.0 * q);
    return fromRbj(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * std::cos(w), 1.0 - alpha);
}

Biquad Biquad::lowpass(int rate, double hz, double q)
{
    double w = omegaOf(rate, hz);
    double alpha = std::sin(w) / (2.0 * q);
    double c = std::cos(w);
    return fromRbj((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad Biquad::highpass(int rate, double hz, double q)
{
    double w = omegaOf(rate, hz);
    double alpha = std::sin(w) / (2.0 * q);
    double c = std::cos(w);
    return fromRbj((1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

void Biquad::retune(const Biquad& other)
{
    b0 = other.b0;
    b1 = other.b1;
    b2 = other.b2;
    a1 = other.a1;
    a2 = other.a2;
}

float Biquad::process(float x)
{
    double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return static_cast<float>(y);
}

double fastSin(double x)
{
    constexpr std::size_t kSize = 4096;
    static const std::vector<double> table = [] {
        std::vector<double> t(kSize + 1);
        for (std::size_t i = 0; i <= kSize; ++i) t[i] = std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / kSize);
        return t;
    }();
    double turns = x / (2.0 * std::numbers::pi);
    turns -= std::floor(turns);
    double at = turns * kSize;
    auto i = std::min(static_cast<std::size_t>(at), kSize - 1);
    double frac = at - static_cast<double>(i);
    return table[i] + (table[i + 1] - table[i]) * frac;
}

double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

std::size_t samplesOf(int rate, double seconds)
{
    return static_cast<std::size_t>(std::max(0.0, seconds) * rate);
}

void addInto(Signal& target, const Signal& source, std::size_t at, float gain)
{
    if (at >= target.size()) return;
    std::size_t n = std::min(source.size(), target.size() - at);
    for (std::size_t i = 0; i < n; ++i) target[at + i] += source[i] * gain;
}

void filterInPlace(Signal& signal, Biquad filter)
{
    for (float& x : signal) x = filter.process(x);
}

void applyReverb(Signal& signal, int rate, float wet, double sizeScale, double decay)
{
    const double combMs[4] = {29.7, 37.1, 41.1, 43.7};
    std::vector<Comb> combs;
    for (double ms : combMs) combs.emplace_back(static_cast<std::size_t>(ms * sizeScale * rate / 1000.0), decay);
    Allpass first(static_cast<std::size_t>(5.0 * sizeScale * rate / 1000.0));
    Allpass second(static_cast<std::size_t>(1.7 * sizeScale * rate / 1000.0));
    for (float& x : signal) {
        float sum = 0;
        for (Comb& c : combs) sum += c.process(x);
        float tail = second.process(first.process(sum * 0.25f));
        x = x * (1.0f - wet * 0.5f) + tail * wet;
    }
}

void fadeIn(Signal& signal, std::size_t length)
{
    length = std::min(length, signal.size());
    for (std::size_t i = 0; i < length; ++i) signal[i] *= static_cast<float>(i) / static_cast<float>(length);
}

void fadeOut(Signal& signal, std::size_t length)
{
    length = std::min(length, signal.size());
    std::size_t from = signal.size() - length;
    for (std::size_t i = 0; i < length; ++i) signal[from + i] *= static_cast<float>(length - i) / static_cast<float>(length);
}

float rms(const Signal& signal)
{
    if (signal.empty()) return 0;
    double sum = 0;
    for (float x : signal) sum += static_cast<double>(x) * x;
    return static_cast<float>(std::sqrt(sum / static_cast<double>(signal.size())));
}

float peak(const Signal& signal)
{
    float top = 0;
    for (float x : signal) top = std::max(top, std::fabs(x));
    return top;
}

void scaleTo(Signal& signal, float targetRms)
{
    float now = rms(signal);
    if (now <= 0) return;
    float gain = targetRms / now;
    for (float& x : signal) x *= gain;
}

void limitPeak(std::vector<Signal*> signals, float ceiling)
{
    float top = 0;
    for (const Signal* s : signals) top = std::max(top, peak(*s));
    if (top <= ceiling) return;
    for (Signal* s : signals)
        for (float& x : *s) x *= ceiling / top;
}

void addNoiseFloor(Signal& signal, Random& random, float level)
{
    for (float& x : signal) x += level * random.noise();
}

Signal sliceOf(const Signal& signal, std::size_t from, std::size_t length)
{
    from = std::min(from, signal.size());
    length = std::min(length, signal.size() - from);
    return Signal(signal.begin() + static_cast<std::ptrdiff_t>(from), signal.begin() + static_cast<std::ptrdiff_t>(from + length));
}

std::vector<std::int16_t> toPcm(const Signal& signal)
{
    std::vector<std::int16_t> pcm(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        double v = std::nearbyint(static_cast<double>(signal[i]) * 32767.0);
        pcm[i] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    return pcm;
}

}  // namespace apart
