#include "instruments.h"

#include <algorithm>
#include <cmath>

namespace blind {
namespace {

constexpr double kAttackSeconds = 0.004;  // click-free onset of struck sounds
constexpr double kTailFadeSeconds = 0.01;
constexpr size_t kControlBlock = 32;  // samples between updates of slowly moving parameters
constexpr double kVibratoHz = 5.0;

size_t samplesFor(double seconds, double rate) { return static_cast<size_t>(std::max(0.0, seconds) * rate); }

double attackGain(double t) { return t < kAttackSeconds ? t / kAttackSeconds : 1.0; }

Signal finished(Signal s, double rate) {
  fadeOut(s, samplesFor(kTailFadeSeconds, rate));
  return s;
}

// A sine whose pitch glides exponentially from `startHz` to `endHz`, with an
// exponential amplitude decay: kicks and toms.
Signal sweptSine(double startHz, double endHz, double sweepSeconds, double decaySeconds, double seconds, double rate) {
  Signal out(samplesFor(seconds, rate));
  double phase = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double hz = endHz + (startHz - endHz) * std::exp(-t / sweepSeconds);
    phase += hz / rate;
    out[i] = static_cast<float>(attackGain(t) * std::exp(-t / decaySeconds) * sineCycles(phase));
  }
  return out;
}

// Noise through a resonator, decaying: the body of snares, hats and claps.
Signal noiseBand(double centreHz, double bandwidthHz, double decaySeconds, double seconds, double rate, Rng& rng) {
  Signal out(samplesFor(seconds, rate));
  Resonator band;
  band.tune(std::min(centreHz, 0.45 * rate), bandwidthHz, rate);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = static_cast<float>(3.0 * std::exp(-t / decaySeconds) * band.step(noise(rng)));
  }
  return out;
}

Signal kick(double rate, Rng& rng) {
  const double startHz = rng.uniform(120, 180);
  const double endHz = rng.uniform(40, 55);
  Signal body = sweptSine(startHz, endHz, 0.04, rng.uniform(0.15, 0.3), 0.5, rate);
  for (size_t i = 0; i < std::min(body.size(), samplesFor(0.003, rate)); ++i) body[i] += static_cast<float>(0.3 * noise(rng));
  return body;
}

Signal snare(double rate, Rng& rng) {
  const double centreHz = rng.uniform(2500, 4500);
  Signal s = noiseBand(centreHz, 3000, rng.uniform(0.08, 0.15), 0.35, rate, rng);
  mixInto(s, sweptSine(220, 180, 0.02, 0.05, 0.35, rate), 0, 0.5);
  return s;
}

Signal clap(double rate, Rng& rng) {
  Signal s(samplesFor(0.3, rate), 0.0f);
  for (int burst = 0; burst < 3; ++burst) {
    mixInto(s, noiseBand(1200, 900, burst == 2 ? 0.08 : 0.01, 0.25, rate, rng), samplesFor(0.011 * burst, rate), 0.8);
  }
  return s;
}

Signal tom(double rate, Rng& rng) {
  const double startHz = rng.uniform(160, 260);
  return sweptSine(startHz, rng.uniform(80, 140), 0.06, 0.25, 0.6, rate);
}

Signal hat(double decaySeconds, double seconds, double rate, Rng& rng) {
  Signal s(samplesFor(seconds, rate));
  OnePole air;
  air.tune(std::min(7000.0, 0.3 * rate), rate);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    s[i] = static_cast<float>(1.5 * std::exp(-t / decaySeconds) * air.high(noise(rng)));
  }
  return s;
}

}  // namespace

Signal fmNote(const Note& note, const FmPatch& patch, double rate) {
  // After the release the decay is five times faster: 1.5 decay times more reach about -65 dB.
  const double seconds = note.seconds + 1.5 * patch.ampDecay;
  Signal out(samplesFor(seconds, rate));
  // Exponential envelopes advanced by one factor per sample.
  const double indexFactor = std::exp(-1.0 / (patch.indexDecay * rate));
  const double ampFactor = std::exp(-1.0 / (patch.ampDecay * rate));
  const double releaseFactor = std::exp(-1.0 / (0.25 * patch.ampDecay * rate));
  double index = patch.index;
  double amp = note.velocity;
  double carrier = 0.0;
  double modulator = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = static_cast<float>(attackGain(t) * amp * sineCycles(carrier + index / kTwoPi * sineCycles(modulator)));
    index *= indexFactor;
    amp *= t > note.seconds ? ampFactor * releaseFactor : ampFactor;
    carrier += note.hz / rate;
    modulator += note.hz * patch.ratio / rate;
  }
  return finished(std::move(out), rate);
}

Signal additiveNote(const Note& note, const AdditivePatch& patch, double rate) {
  Signal out(samplesFor(note.seconds + patch.release, rate));
  std::vector<double> gains;
  for (int k = 1; k <= patch.partials && note.hz * k < 0.45 * rate; ++k) gains.push_back(std::pow(k, -patch.tilt));
  double norm = 0.0;
  for (double g : gains) norm += g;
  // Each partial is a rotating phasor; its step is set once per control block, where the vibrato moves.
  std::vector<double> re(gains.size(), 1.0), im(gains.size(), 0.0), stepRe(gains.size()), stepIm(gains.size());
  for (size_t start = 0; start < out.size(); start += kControlBlock) {
    const double hz = note.hz * (1.0 + patch.vibratoDepth * sineCycles(kVibratoHz * static_cast<double>(start) / rate));
    for (size_t k = 0; k < gains.size(); ++k) {
      stepRe[k] = std::cos(kTwoPi * hz * static_cast<double>(k + 1) / rate);
      stepIm[k] = std::sin(kTwoPi * hz * static_cast<double>(k + 1) / rate);
      const double length = std::hypot(re[k], im[k]);
      re[k] /= length;
      im[k] /= length;
    }
    for (size_t i = start; i < std::min(out.size(), start + kControlBlock); ++i) {
      const double t = static_cast<double>(i) / rate;
      const double rise = std::min(1.0, t / std::max(patch.attack, 1e-3));
      const double fall = t > note.seconds ? std::max(0.0, 1.0 - (t - note.seconds) / patch.release) : 1.0;
      double sum = 0.0;
      for (size_t k = 0; k < gains.size(); ++k) {
        sum += gains[k] * im[k];
        const double r = re[k] * stepRe[k] - im[k] * stepIm[k];
        im[k] = re[k] * stepIm[k] + im[k] * stepRe[k];
        re[k] = r;
      }
      out[i] = static_cast<float>(note.velocity * rise * fall * sum / norm);
    }
  }
  return finished(std::move(out), rate);
}

Signal pluckNote(const Note& note, double brightness, double rate, Rng& rng) {
  const size_t period = std::max<size_t>(2, static_cast<size_t>(rate / note.hz));
  std::vector<double> line(period);
  OnePole soften;
  soften.tune(200.0 + brightness * 8000.0, rate);
  for (double& v : line) v = soften.low(noise(rng));
  const double decay = 0.996 + 0.0035 * brightness;
  Signal out(samplesFor(note.seconds + 0.3, rate));
  for (size_t i = 0; i < out.size(); ++i) {
    const size_t at = i % period;
    const double v = line[at];
    const double damping = static_cast<double>(i) / rate > note.seconds ? 0.97 : decay;
    line[at] = damping * 0.5 * (v + line[(at + 1) % period]);
    out[i] = static_cast<float>(note.velocity * 1.6 * v);
  }
  return finished(std::move(out), rate);
}

Signal drumHit(Drum drum, double velocity, double rate, Rng& rng) {
  Signal s;
  switch (drum) {
    case Drum::Kick: s = kick(rate, rng); break;
    case Drum::Snare: s = snare(rate, rng); break;
    case Drum::ClosedHat: s = hat(0.03, 0.12, rate, rng); break;
    case Drum::OpenHat: s = hat(0.2, 0.5, rate, rng); break;
    case Drum::Tom: s = tom(rate, rng); break;
    case Drum::Clap: s = clap(rate, rng); break;
  }
  for (float& v : s) v = static_cast<float>(v * velocity);
  return finished(std::move(s), rate);
}

}  // namespace blind
