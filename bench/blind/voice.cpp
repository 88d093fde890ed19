#include "voice.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace blind {
namespace {

constexpr size_t kFormants = 3;
constexpr size_t kRetuneEvery = 16;  // samples between formant coefficient updates
constexpr double kPhraseFadeSeconds = 0.03;
constexpr double kGlottalOpen = 0.6;    // fraction of a period with the glottis opening
constexpr double kGlottalClose = 0.15;  // fraction closing

using Formants = std::array<double, kFormants>;

// Formant frequencies of a few vowels (Hz), roughly an adult speaker's.
const std::vector<Formants>& vowels() {
  static const std::vector<Formants> table = {
      {730, 1090, 2440}, {270, 2290, 3010}, {300, 870, 2240}, {530, 1840, 2480},
      {570, 840, 2410},  {660, 1720, 2410}, {440, 1020, 2240}, {390, 1990, 2550},
  };
  return table;
}
constexpr Formants kBandwidths = {80, 110, 160};
constexpr Formants kFormantGains = {1.0, 0.55, 0.3};

enum class Onset { Vowel, Fricative, Stop };

struct Syllable {
  size_t length = 0;  // samples
  Formants target{};
  Onset onset = Onset::Vowel;
  double fricativeHz = 5000.0;
  double accent = 0.0;  // pitch raise, fraction of the pitch
};

std::vector<Syllable> planPhrase(double seconds, double rate, Rng& rng) {
  std::vector<Syllable> plan;
  double used = 0.0;
  while (used < seconds) {
    Syllable s;
    const double length = rng.uniform(0.11, 0.32);
    s.length = static_cast<size_t>(length * rate);
    s.target = rng.pick(vowels());
    const double kind = rng.unit();
    s.onset = kind < 0.3 ? Onset::Fricative : (kind < 0.5 ? Onset::Stop : Onset::Vowel);
    s.fricativeHz = rng.uniform(2500, std::min(7000.0, 0.4 * rate));
    s.accent = rng.chance(0.3) ? rng.uniform(0.05, 0.2) : 0.0;
    plan.push_back(s);
    used += length;
  }
  return plan;
}

// Derivative of a Rosenberg glottal pulse, sampled at phase p in [0, 1).
double glottalFlow(double p) {
  if (p < kGlottalOpen) return 0.5 * (1.0 - std::cos(std::numbers::pi * p / kGlottalOpen));
  if (p < kGlottalOpen + kGlottalClose) return std::cos(0.5 * std::numbers::pi * (p - kGlottalOpen) / kGlottalClose);
  return 0.0;
}

// Envelope of one syllable at position u (0..1): quick rise, a dip between syllables.
double syllableGain(double u, Onset onset) {
  const double start = onset == Onset::Vowel ? 0.0 : 0.2;
  if (u < start) return 0.0;
  const double rise = std::min(1.0, (u - start) / 0.12);
  const double fall = u > 0.75 ? std::max(0.35, 1.0 - (u - 0.75) / 0.25 * 0.65) : 1.0;
  return rise * fall;
}

double consonantNoise(const Syllable& s, double u, Resonator& hiss, Rng& rng) {
  if (s.onset == Onset::Fricative && u < 0.22) return 0.35 * hiss.step(noise(rng)) * 4.0 * std::min(1.0, u / 0.05);
  if (s.onset == Onset::Stop && u > 0.15 && u < 0.2) return 0.5 * noise(rng);
  return hiss.step(0.0);
}

class PhraseVoice {
 public:
  PhraseVoice(double pitchHz, double rate, Rng& rng) : pitch_(pitchHz), rate_(rate), rng_(rng) {}

  Signal render(const std::vector<Syllable>& plan) {
    size_t total = 0;
    for (const Syllable& s : plan) total += s.length;
    Signal out;
    out.reserve(total);
    Formants current = plan.front().target;
    for (size_t n = 0; n < plan.size(); ++n) {
      renderSyllable(plan[n], current, static_cast<double>(n) / static_cast<double>(plan.size()), out);
      current = plan[n].target;
    }
    return out;
  }

 private:
  void retune(const Formants& from, const Formants& to, double u) {
    const double glide = std::min(1.0, u / 0.3);
    for (size_t k = 0; k < kFormants; ++k) {
      const double hz = std::min(from[k] + (to[k] - from[k]) * glide, 0.45 * rate_);
      formants_[k].tune(hz, kBandwidths[k], rate_);
    }
  }

  void renderSyllable(const Syllable& s, const Formants& from, double phrasePosition, Signal& out) {
    Resonator hiss;
    hiss.tune(s.fricativeHz, 1500, rate_);
    for (size_t i = 0; i < s.length; ++i) {
      const double u = static_cast<double>(i) / static_cast<double>(s.length);
      if (i % kRetuneEvery == 0) retune(from, s.target, u);
      jitter_ = 0.995 * jitter_ + 0.002 * rng_.gauss();
      const double declination = 1.1 - 0.25 * phrasePosition;
      const double hz = pitch_ * declination * (1.0 + s.accent * std::sin(std::numbers::pi * u) + jitter_);
      phase_ += hz / rate_;
      const double flow = glottalFlow(phase_ - std::floor(phase_));
      const double source = (flow - lastFlow_) * 8.0;
      lastFlow_ = flow;
      double voiced = 0.0;
      for (size_t k = 0; k < kFormants; ++k) voiced += kFormantGains[k] * formants_[k].step(source);
      out.push_back(static_cast<float>(syllableGain(u, s.onset) * voiced + consonantNoise(s, u, hiss, rng_)));
    }
  }

  double pitch_;
  double rate_;
  Rng& rng_;
  std::array<Resonator, kFormants> formants_{};
  double phase_ = 0.0;
  double lastFlow_ = 0.0;
  double jitter_ = 0.0;
};

void normalise(Signal& s) {
  const double peak = peakOf(s);
  if (peak > 0.0)
    for (float& v : s) v = static_cast<float>(v / peak);
}

void addHiss(Signal& s, double level, double rate, Rng& rng) {
  OnePole tone;
  tone.tune(3000.0, rate);
  for (float& v : s) v += static_cast<float>(level * tone.low(noise(rng)));
}

}  // namespace

Signal speech(const SpeechStyle& style, double seconds, double rate, Rng& rng) {
  Signal out(static_cast<size_t>(seconds * rate), 0.0f);
  size_t at = style.startsWithSound ? 0 : static_cast<size_t>(rng.uniform(0.05, 0.5) * rate);
  while (at < out.size()) {
    PhraseVoice voice(style.pitchHz * rng.uniform(0.9, 1.1), rate, rng);
    Signal phrase = voice.render(planPhrase(rng.uniform(0.7, 3.2), rate, rng));
    normalise(phrase);
    fadeOut(phrase, static_cast<size_t>(kPhraseFadeSeconds * rate));
    mixInto(out, phrase, at, rng.uniform(0.5, 1.0));
    at += phrase.size() + static_cast<size_t>(rng.uniform(style.pauseMin, style.pauseMax) * rate);
  }
  fadeOut(out, static_cast<size_t>(kPhraseFadeSeconds * rate));
  if (style.hissLevel > 0.0) addHiss(out, style.hissLevel, rate, rng);
  return out;
}

}  // namespace blind
