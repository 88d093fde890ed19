#include "pieces.h"

#include <algorithm>
#include <cmath>

#include "instruments.h"

namespace blind {
namespace {

constexpr int kBeatsPerBar = 4;
constexpr int kStepsPerBeat = 4;  // drum patterns in sixteenths
constexpr int kMidiA4 = 69;
constexpr double kHzA4 = 440.0;

double midiHz(double midi) { return kHzA4 * std::pow(2.0, (midi - kMidiA4) / 12.0); }

size_t samplesAt(double seconds, double rate) { return static_cast<size_t>(std::max(0.0, seconds) * rate); }

struct Key {
  int root = 60;
  std::vector<int> steps;  // semitones of the scale degrees within an octave

  // Pitch of a scale degree, which may run past one octave in either direction.
  double hz(int degree, int octaveShift = 0) const {
    const int size = static_cast<int>(steps.size());
    const int octave = (degree >= 0 ? degree / size : -((-degree + size - 1) / size));
    const int within = degree - octave * size;
    return midiHz(root + 12 * (octave + octaveShift) + steps[static_cast<size_t>(within)]);
  }
};

Key randomKey(Rng& rng) {
  static const std::vector<std::vector<int>> scales = {
      {0, 2, 4, 5, 7, 9, 11}, {0, 2, 3, 5, 7, 8, 10}, {0, 2, 3, 5, 7, 9, 10}, {0, 2, 4, 7, 9}, {0, 3, 5, 7, 10},
  };
  return Key{static_cast<int>(rng.between(55, 66)), rng.pick(scales)};
}

struct Event {
  double start = 0.0;
  Note note;
};

enum class Timbre { Bell, ElectricPiano, Organ, Pluck, Pad, Brass };

Signal play(const Note& note, Timbre timbre, double rate, Rng& rng) {
  switch (timbre) {
    case Timbre::Bell: return fmNote(note, FmPatch{3.5, 4.0, 0.4, 1.2}, rate);
    case Timbre::ElectricPiano: return fmNote(note, FmPatch{1.0, 2.2, 0.25, 0.7}, rate);
    case Timbre::Brass: return fmNote(note, FmPatch{1.0, 3.5, 1.5, 3.0}, rate);
    case Timbre::Organ: return additiveNote(note, AdditivePatch{8, 0.8, 0.02, 0.08, 0.002}, rate);
    case Timbre::Pad: return additiveNote(note, AdditivePatch{6, 1.5, 0.4, 0.8, 0.004}, rate);
    case Timbre::Pluck: return pluckNote(note, rng.uniform(0.3, 0.9), rate, rng);
  }
  return {};
}

Signal render(const std::vector<Event>& events, Timbre timbre, double seconds, double rate, Rng& rng) {
  Signal out(samplesAt(seconds, rate), 0.0f);
  for (const Event& e : events) mixInto(out, play(e.note, timbre, rate, rng), samplesAt(e.start, rate), 1.0);
  return out;
}

// A random walk over the scale, in beats and half beats, with rests.
std::vector<Event> melodyEvents(const Key& key, double seconds, double beat, int octave, double restChance, Rng& rng) {
  static const std::vector<double> lengths = {0.5, 0.5, 1.0, 1.0, 1.0, 1.5, 2.0};
  std::vector<Event> events;
  int degree = static_cast<int>(rng.between(0, 6));
  for (double t = 0.0; t < seconds;) {
    const double length = rng.pick(lengths) * beat;
    if (!rng.chance(restChance)) events.push_back({t, Note{key.hz(degree, octave), 0.9 * length, rng.uniform(0.6, 1.0)}});
    degree = std::clamp(degree + static_cast<int>(rng.between(-3, 3)), -3, 10);
    t += length;
  }
  return events;
}

// Scale degrees of chord roots, one per bar: I, IV, V and vi and their neighbours.
std::vector<int> progression(size_t bars, Rng& rng) {
  static const std::vector<int> roots = {0, 3, 4, 5, 1, 0, 4};
  std::vector<int> out;
  for (size_t b = 0; b < bars; ++b) out.push_back(b % 4 == 0 ? 0 : rng.pick(roots));
  return out;
}

// Triads held for a whole bar and overlapping the next one: never silent.
std::vector<Event> padEvents(const Key& key, const std::vector<int>& chords, double bar, Rng& rng) {
  std::vector<Event> events;
  for (size_t b = 0; b < chords.size(); ++b) {
    for (int third = 0; third < 3; ++third) {
      events.push_back({static_cast<double>(b) * bar, Note{key.hz(chords[b] + 2 * third, -1), bar + 0.1, rng.uniform(0.5, 0.7)}});
    }
  }
  return events;
}

std::vector<Event> bassEvents(const Key& key, const std::vector<int>& chords, double beat, Rng& rng) {
  std::vector<Event> events;
  for (size_t b = 0; b < chords.size(); ++b) {
    for (int step = 0; step < kBeatsPerBar; ++step) {
      if (step > 0 && rng.chance(0.35)) continue;
      const int degree = chords[b] + (rng.chance(0.25) ? 4 : 0);
      events.push_back({(static_cast<double>(b) * kBeatsPerBar + step) * beat, Note{key.hz(degree, -2), 0.8 * beat, rng.uniform(0.7, 1.0)}});
    }
  }
  return events;
}

// Which drum, if any, plays on each sixteenth of a bar in a pattern.
std::vector<std::vector<Drum>> drumPattern(Rng& rng) {
  std::vector<std::vector<Drum>> steps(kBeatsPerBar * kStepsPerBeat);
  for (size_t s = 0; s < steps.size(); ++s) {
    if (s % 2 == 0) steps[s].push_back(rng.chance(0.15) ? Drum::OpenHat : Drum::ClosedHat);
    if (s == 0 || (s == 8 && rng.chance(0.8)) || rng.chance(0.08)) steps[s].push_back(Drum::Kick);
    if (s == 4 || s == 12) steps[s].push_back(rng.chance(0.3) ? Drum::Clap : Drum::Snare);
    if (rng.chance(0.04)) steps[s].push_back(Drum::Tom);
  }
  return steps;
}

Signal drums(double seconds, double beat, double rate, Rng& rng) {
  Signal out(samplesAt(seconds, rate), 0.0f);
  const auto pattern = drumPattern(rng);
  const double step = beat / kStepsPerBeat;
  for (size_t n = 0; static_cast<double>(n) * step < seconds; ++n) {
    for (Drum d : pattern[n % pattern.size()]) {
      const double level = d == Drum::ClosedHat || d == Drum::OpenHat ? 0.35 : 0.9;
      mixInto(out, drumHit(d, level * rng.uniform(0.7, 1.0), rate, rng), samplesAt(static_cast<double>(n) * step, rate), 1.0);
    }
  }
  return out;
}

double randomBeat(Rng& rng) { return 60.0 / rng.uniform(72, 160); }

size_t barsFor(double seconds, double beat) { return static_cast<size_t>(seconds / (beat * kBeatsPerBar)) + 2; }

Timbre leadTimbre(Rng& rng) {
  static const std::vector<Timbre> leads = {Timbre::Bell, Timbre::ElectricPiano, Timbre::Organ, Timbre::Pluck, Timbre::Brass};
  return rng.pick(leads);
}

// Equal-power pan position -1 (left) .. 1 (right).
void pan(Stereo& mix, const Signal& part, double position, double gain, size_t delayRight) {
  const double angle = (position + 1.0) * std::numbers::pi / 4.0;
  mixInto(mix.left, part, 0, gain * std::cos(angle));
  mixInto(mix.right, part, delayRight, gain * std::sin(angle));
}

void addReverb(Stereo& mix, double rate, double wet, Rng& rng) {
  const double feedback = rng.uniform(0.7, 0.84);
  Reverb left(rate, 1.0, feedback);
  Reverb right(rate, rng.uniform(1.05, 1.2), feedback);
  for (size_t i = 0; i < mix.left.size(); ++i) {
    mix.left[i] += static_cast<float>(wet * left.step(mix.left[i]));
    mix.right[i] += static_cast<float>(wet * right.step(mix.right[i]));
  }
}

Signal fadeTail(Signal s, double rate) {
  fadeOut(s, samplesAt(0.05, rate));
  return s;
}

Signal chirp(double rate, Rng& rng) {
  const double seconds = rng.uniform(0.2, 1.2);
  const double from = rng.uniform(300, 3000);
  const double to = rng.uniform(80, 3000);
  Signal out(samplesAt(seconds, rate));
  double phase = 0.0;
  double mod = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double u = static_cast<double>(i) / static_cast<double>(out.size());
    const double hz = from * std::pow(to / from, u);
    phase += hz / rate;
    mod += 2.0 * hz / rate;
    out[i] = static_cast<float>((1.0 - u) * sineCycles(phase + 0.3 * sineCycles(mod)));
  }
  return out;
}

Signal explosion(double rate, Rng& rng) {
  Signal out(samplesAt(rng.uniform(0.8, 3.0), rate));
  OnePole rumble;
  const double decay = rng.uniform(0.2, 0.7);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    rumble.tune(150.0 + 4000.0 * std::exp(-t / 0.15), rate);
    out[i] = static_cast<float>(std::exp(-t / decay) * rumble.low(noise(rng)) * 3.0);
  }
  return out;
}

Signal coin(double rate, Rng& rng) {
  const double first = rng.uniform(900, 1600);
  const double second = first * rng.pick(std::vector<double>{1.335, 1.5, 2.0});
  Signal out(samplesAt(rng.uniform(0.3, 0.7), rate));
  const size_t change = samplesAt(0.07, rate);
  double phase = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    phase += (i < change ? first : second) / rate;
    const double square = sineCycles(phase) + sineCycles(3 * phase) / 3 + sineCycles(5 * phase) / 5;
    out[i] = static_cast<float>(square * std::exp(-static_cast<double>(i) / rate / 0.15));
  }
  return out;
}

Signal whoosh(double rate, Rng& rng) {
  Signal out(samplesAt(rng.uniform(0.4, 1.5), rate));
  Resonator band;
  const double low = rng.uniform(300, 900);
  const double high = rng.uniform(2000, std::min(6000.0, 0.4 * rate));
  for (size_t i = 0; i < out.size(); ++i) {
    const double u = static_cast<double>(i) / static_cast<double>(out.size());
    if (i % 32 == 0) band.tune(low + (high - low) * std::sin(std::numbers::pi * u), 600, rate);
    out[i] = static_cast<float>(4.0 * std::sin(std::numbers::pi * u) * band.step(noise(rng)));
  }
  return out;
}

Signal alarm(double rate, Rng& rng) {
  Signal out(samplesAt(rng.uniform(1.0, 3.0), rate));
  const double a = rng.uniform(500, 900);
  const double b = a * rng.uniform(1.2, 1.6);
  const double swap = rng.uniform(0.12, 0.3);
  double phase = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    phase += (static_cast<int>(t / swap) % 2 == 0 ? a : b) / rate;
    out[i] = static_cast<float>(0.7 * (sineCycles(phase) + 0.3 * sineCycles(2 * phase)));
  }
  return out;
}

// Steps: short thuds of filtered noise with exact silence between them.
Signal footsteps(double rate, Rng& rng) {
  const int steps = static_cast<int>(rng.between(2, 5));
  const double gap = rng.uniform(0.3, 0.6);
  Signal out(samplesAt(gap * steps + 0.2, rate), 0.0f);
  for (int s = 0; s < steps; ++s) {
    Signal thud = drumHit(Drum::Tom, 0.5, rate, rng);
    mixInto(thud, drumHit(Drum::ClosedHat, 0.6, rate, rng), 0, 1.0);
    thud.resize(std::min(thud.size(), samplesAt(0.15, rate)));
    fadeOut(thud, samplesAt(0.03, rate));
    mixInto(out, thud, samplesAt(gap * s, rate), 1.0);
  }
  return out;
}

}  // namespace

Stereo relatedSong(double seconds, double rate, Rng& rng) {
  const Key key = randomKey(rng);
  const double beat = randomBeat(rng);
  const auto chords = progression(barsFor(seconds, beat), rng);
  const size_t length = samplesAt(seconds, rate);
  Stereo mix{Signal(length, 0.0f), Signal(length, 0.0f)};
  // One draw per statement: the order of draws must not depend on the compiler's
  // order of evaluating arguments.
  const Signal pad = render(padEvents(key, chords, beat * kBeatsPerBar, rng), Timbre::Pad, seconds, rate, rng);
  pan(mix, pad, rng.uniform(-0.3, 0.3), 0.5, 0);
  pan(mix, render(bassEvents(key, chords, beat, rng), Timbre::Pluck, seconds, rate, rng), 0.0, 0.7, 0);
  const size_t haas = samplesAt(rng.uniform(0.005, 0.025), rate);
  const std::vector<Event> tune = melodyEvents(key, seconds, beat, 0, 0.15, rng);
  const Signal lead = render(tune, leadTimbre(rng), seconds, rate, rng);
  pan(mix, lead, rng.uniform(-0.7, 0.7), 0.6, haas);
  if (rng.chance(0.7)) {
    const Signal kit = drums(seconds, beat, rate, rng);
    pan(mix, kit, rng.uniform(-0.2, 0.2), 0.6, 0);
  }
  if (rng.chance(0.4)) {
    const Signal bells = render(melodyEvents(key, seconds, beat, 1, 0.5, rng), Timbre::Bell, seconds, rate, rng);
    pan(mix, bells, rng.uniform(-0.9, 0.9), 0.3, 0);
  }
  addReverb(mix, rate, rng.uniform(0.15, 0.4), rng);
  mix.left = fadeTail(std::move(mix.left), rate);
  mix.right = fadeTail(std::move(mix.right), rate);
  normalisePeak(mix);
  return mix;
}

Signal melodyPiece(double seconds, double rate, Rng& rng) {
  const Key key = randomKey(rng);
  const double beat = randomBeat(rng);
  const auto chords = progression(barsFor(seconds, beat), rng);
  const std::vector<Event> tune = melodyEvents(key, seconds, beat, 0, 0.1, rng);
  Signal out = render(tune, leadTimbre(rng), seconds, rate, rng);
  const Timbre bed = rng.chance(0.5) ? Timbre::Pad : Timbre::Organ;
  const Signal pad = render(padEvents(key, chords, beat * kBeatsPerBar, rng), bed, seconds, rate, rng);
  mixInto(out, pad, 0, rng.uniform(0.2, 0.5));
  out = fadeTail(std::move(out), rate);
  normalisePeak(out);
  return out;
}

Signal rhythmPiece(double seconds, double rate, Rng& rng) {
  Signal out = drums(seconds, randomBeat(rng), rate, rng);
  out = fadeTail(std::move(out), rate);
  normalisePeak(out);
  return out;
}

Signal drumLoopWithGaps(double seconds, double rate, Rng& rng) {
  static const std::vector<Drum> kit = {Drum::Kick, Drum::Snare, Drum::Tom, Drum::Clap, Drum::OpenHat, Drum::Kick};
  Signal out(samplesAt(seconds, rate), 0.0f);
  size_t at = 0;
  while (at < out.size()) {
    const Drum drum = rng.pick(kit);
    Signal hit = drumHit(drum, rng.uniform(0.4, 1.0), rate, rng);
    if (rng.chance(0.4)) mixInto(hit, drumHit(Drum::ClosedHat, 0.3, rate, rng), 0, 1.0);
    mixInto(out, hit, at, 1.0);
    at += hit.size() + samplesAt(rng.uniform(0.05, 1.4), rate);
  }
  fadeOut(out, samplesAt(0.01, rate));
  normalisePeak(out);
  return out;
}

Signal soundEffect(double rate, Rng& rng) {
  Signal s;
  switch (rng.index(6)) {
    case 0: s = chirp(rate, rng); break;
    case 1: s = explosion(rate, rng); break;
    case 2: s = coin(rate, rng); break;
    case 3: s = whoosh(rate, rng); break;
    case 4: s = alarm(rate, rng); break;
    default: s = footsteps(rate, rng); break;
  }
  s = fadeTail(std::move(s), rate);
  normalisePeak(s);
  return s;
}

void trimQuietStart(Signal& s, double fraction) {
  const double threshold = fraction * peakOf(s);
  const auto first = std::find_if(s.begin(), s.end(), [&](float v) { return std::fabs(v) > threshold; });
  s.erase(s.begin(), first);
}

void normalisePeak(Signal& s) {
  const double peak = peakOf(s);
  if (peak > 0.0)
    for (float& v : s) v = static_cast<float>(v / peak);
}

void normalisePeak(Stereo& s) {
  const double peak = std::max(peakOf(s.left), peakOf(s.right));
  if (peak <= 0.0) return;
  for (float& v : s.left) v = static_cast<float>(v / peak);
  for (float& v : s.right) v = static_cast<float>(v / peak);
}

}  // namespace blind
