#include "pieces.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "instruments.h"

namespace apart {

namespace {

constexpr std::array<std::array<int, 7>, 3> kScales = {{{0, 2, 3, 5, 7, 8, 10}, {0, 2, 4, 5, 7, 9, 11}, {0, 2, 3, 5, 7, 9, 10}}};

struct Harmony {
    int root = 45;
    int scale = 0;
    std::array<int, 4> progression{};  // scale degrees
    double beat = 0.5;                 // seconds
};

Harmony pickHarmony(Random& random)
{
    Harmony h;
    h.root = random.integer(38, 50);
    h.scale = random.integer(0, 2);
    for (int& degree : h.progression) degree = random.integer(0, 6);
    h.progression[0] = 0;
    h.beat = 60.0 / random.range(68, 150);
    return h;
}

int degreeNote(const Harmony& h, int degree)
{
    int octave = degree >= 0 ? degree / 7 : (degree - 6) / 7;
    int inScale = degree - octave * 7;
    return h.root + 12 * octave + kScales[static_cast<std::size_t>(h.scale)][static_cast<std::size_t>(inScale)];
}

int chordDegreeAt(const Harmony& h, std::size_t bar) { return h.progression[bar % h.progression.size()]; }

Signal bassLine(Random& random, int rate, const Harmony& h, std::size_t total)
{
    Signal out(total);
    FmShape bass{random.chance(0.5) ? 1.0 : 2.0, random.range(1.5, 4.0), random.range(4, 12), random.range(2, 6), 0.004};
    double step = h.beat * (random.chance(0.5) ? 1.0 : 0.5);
    std::size_t n = 0;
    for (double t = 0; samplesOf(rate, t) < total; t += step, ++n) {
        std::size_t bar = static_cast<std::size_t>(t / (h.beat * 4));
        int degree = chordDegreeAt(h, bar) + (n % 4 == 3 && random.chance(0.4) ? 4 : 0);
        Signal note = fmTone(rate, midiToHz(degreeNote(h, degree) - 12), step * 0.95, bass);
        addInto(out, note, samplesOf(rate, t), 0.8f);
    }
    return out;
}

Signal chordLayer(Random& random, int rate, const Harmony& h, std::size_t total)
{
    Signal out(total);
    bool arpeggio = random.chance(0.4);
    double bar = h.beat * 4;
    for (std::size_t b = 0; samplesOf(rate, static_cast<double>(b) * bar) < total; ++b) {
        int degree = chordDegreeAt(h, b);
        std::vector<double> chord;
        for (int k = 0; k < 3 + (random.chance(0.3) ? 1 : 0); ++k) chord.push_back(midiToHz(degreeNote(h, degree + 2 * k) + 12));
        std::size_t at = samplesOf(rate, static_cast<double>(b) * bar);
        if (!arpeggio) {
            addInto(out, pad(random, rate, chord, bar * 1.3, random.range(0.2, 1.2)), at, 1.0f);
            continue;
        }
        for (int s = 0; s < 8; ++s) {
            double hz = chord[static_cast<std::size_t>(s) % chord.size()];
            addInto(out, pluck(random, rate, hz, h.beat * 1.5, 0.6), at + samplesOf(rate, s * h.beat / 2), 0.35f);
        }
    }
    return out;
}

Signal leadLine(Random& random, int rate, const Harmony& h, std::size_t total)
{
    Signal out(total);
    int style = random.integer(0, 2);  // 0 pluck, 1 bell, 2 sliding FM lead
    FmShape bell{random.range(2.5, 3.6), random.range(2, 5), 1.5, random.range(1.5, 3.0), 0.002};
    FmShape lead{1.0, random.range(0.8, 2.0), 0.3, 0.4, 0.03};
    int degree = random.integer(7, 11);
    int previous = degreeNote(h, degree);
    double t = h.beat * 4 * random.integer(0, 2);
    while (samplesOf(rate, t) < total) {
        double length = h.beat * (random.chance(0.3) ? 2.0 : random.chance(0.5) ? 1.0 : 0.5);
        degree = std::clamp(degree + random.integer(-3, 3), 4, 15);
        int note = degreeNote(h, degree) + 12;
        Signal s;
        if (style == 0) s = pluck(random, rate, midiToHz(note), length * 1.8, random.range(0.3, 0.9));
        if (style == 1) s = fmTone(rate, midiToHz(note + 12), length * 2.5, bell);
        if (style == 2) s = slideTone(rate, midiToHz(previous), midiToHz(note), length, random.chance(0.4) ? 0.08 : 0.0, lead);
        if (!random.chance(0.15)) addInto(out, s, samplesOf(rate, t), style == 1 ? 0.25f : 0.4f);
        previous = note;
        t += length;
    }
    return out;
}

Signal renderBar(Random& random, int rate, double beat, bool sparse)
{
    Signal bar(samplesOf(rate, beat * 4));
    double kickTune = random.range(45, 70), snareTone = random.range(160, 240);
    for (int step = 0; step < 16; ++step) {
        std::size_t at = samplesOf(rate, step * beat / 4);
        bool kickHere = step == 0 || (step == 8 && !sparse) || (step % 4 != 0 && random.chance(sparse ? 0.05 : 0.12));
        if (kickHere) addInto(bar, kick(rate, kickTune), at, 0.9f);
        if (step == 4 || step == 12) addInto(bar, snare(random, rate, snareTone), at, 0.5f);
        if (step % 2 == 0 && !sparse) addInto(bar, hat(random, rate, step == 14), at, 0.25f);
        if (sparse && step % 4 == 2 && random.chance(0.5)) addInto(bar, hat(random, rate, false), at, 0.3f);
    }
    return bar;
}

}  // namespace

std::vector<Stem> musicStems(Random& random, int rate, double seconds)
{
    Harmony h = pickHarmony(random);
    std::size_t total = samplesOf(rate, seconds);
    std::vector<Stem> stems;
    stems.push_back({bassLine(random, rate, h, total), static_cast<float>(random.range(0.4, 0.6))});
    stems.push_back({chordLayer(random, rate, h, total), static_cast<float>(random.range(0.15, 0.85))});
    stems.push_back({leadLine(random, rate, h, total), static_cast<float>(random.range(0.2, 0.8))});
    if (random.chance(0.75)) stems.push_back({drumLoop(random, rate, seconds, false), 0.5f});
    if (random.chance(0.3)) stems.push_back({wind(random, rate, seconds), static_cast<float>(random.range(0.0, 1.0))});
    const std::array<float, 5> levels = {0.16f, 0.12f, 0.10f, 0.14f, 0.04f};
    for (std::size_t i = 0; i < stems.size(); ++i) scaleTo(stems[i].sound, levels[i] * static_cast<float>(random.range(0.7, 1.3)));
    return stems;
}

Stereo mixStereo(const std::vector<Stem>& stems, Random& random, int rate, float spread)
{
    std::size_t total = 0;
    for (const Stem& s : stems) total = std::max(total, s.sound.size());
    Stereo out{Signal(total), Signal(total)};
    for (const Stem& s : stems) {
        float pan = 0.5f + (s.pan - 0.5f) * spread;
        addInto(out.left, s.sound, 0, std::sqrt(1.0f - pan));
        addInto(out.right, s.sound, 0, std::sqrt(pan));
    }
    float wet = static_cast<float>(random.range(0.1, 0.4));
    double decay = random.range(0.7, 0.88);
    applyReverb(out.left, rate, wet, random.range(0.9, 1.2), decay);
    applyReverb(out.right, rate, wet, random.range(1.0, 1.35), decay);
    return out;
}

Signal mixMono(const std::vector<Stem>& stems)
{
    std::size_t total = 0;
    for (const Stem& s : stems) total = std::max(total, s.sound.size());
    Signal out(total);
    for (const Stem& s : stems) addInto(out, s.sound, 0, 1.0f);
    return out;
}

Signal drumLoop(Random& random, int rate, double seconds, bool silentGaps)
{
    double beat = 60.0 / random.range(80, 140);
    Signal bar = renderBar(random, rate, beat, silentGaps);
    Signal variant = renderBar(random, rate, beat, silentGaps);
    if (!silentGaps) applyReverb(bar, rate, 0.15f, 0.8, 0.6);
    Signal out(samplesOf(rate, seconds));
    std::size_t barLength = bar.size();
    for (std::size_t at = 0, n = 0; at < out.size(); at += barLength, ++n) {
        if (silentGaps && n % 4 == 3 && random.chance(0.6)) continue;  // a whole bar of nothing
        const Signal& use = n % 4 == 3 ? variant : bar;
        std::size_t fits = std::min(barLength, out.size() - at);
        for (std::size_t i = 0; i < fits; ++i) out[at + i] = use[i];
    }
    return out;
}

Signal voiceLine(Random& random, int rate, double seconds, bool digitalSilence)
{
    Signal out(samplesOf(rate, seconds));
    double base = random.chance(0.5) ? random.range(95, 140) : random.range(180, 260);
    std::size_t at = samplesOf(rate, random.range(0.05, 0.4));
    while (at < out.size()) {
        int syllables = random.integer(2, 7);
        double contour = random.range(0.9, 1.2);
        for (int s = 0; s < syllables && at < out.size(); ++s) {
            double pitch = base * contour * (1.0 - 0.05 * s);
            Signal syl = syllable(random, rate, pitch, random.range(0.09, 0.3));
            addInto(out, syl, at, 0.5f);
            at += syl.size() + samplesOf(rate, random.range(0.0, 0.04));
        }
        at += samplesOf(rate, random.range(0.25, 1.1));
    }
    scaleTo(out, static_cast<float>(random.range(0.08, 0.16)));
    if (!digitalSilence) addNoiseFloor(out, random, 0.0015f);
    fadeOut(out, samplesOf(rate, 0.05));
    return out;
}

Signal effectClip(Random& random, int rate, double seconds, bool innerPause)
{
    int kind = random.integer(0, 4);
    Signal part;
    if (kind == 0) part = slideTone(rate, random.range(1500, 3000), random.range(100, 300), seconds, seconds * 0.7,
                                    FmShape{random.range(0.5, 3), 3, 1, 2, 0.001});
    if (kind == 1) {
        part = wind(random, rate, seconds);
        for (std::size_t i = 0; i < part.size(); ++i) part[i] *= static_cast<float>(std::exp(-3.0 * i / rate));
        filterInPlace(part, Biquad::lowpass(rate, random.range(300, 900), 0.7));
        addInto(part, kick(rate, 40), 0, 0.8f);
    }
    if (kind == 2) part = fmTone(rate, random.range(300, 900), seconds, FmShape{random.range(1.4, 3.5), 4, 1.5, 1.2, 0.001});
    if (kind == 3) {
        part = Signal(samplesOf(rate, seconds));
        for (int blip = 0; blip < random.integer(2, 5); ++blip)
            addInto(part, fmTone(rate, random.range(800, 2000), 0.12, FmShape{2, 1, 5, 12, 0.001}), samplesOf(rate, blip * 0.09), 0.6f);
    }
    if (kind == 4) part = voiceLine(random, rate, seconds, true);
    applyReverb(part, rate, static_cast<float>(random.range(0.0, 0.3)), random.range(0.7, 1.3), 0.75);
    scaleTo(part, static_cast<float>(random.range(0.06, 0.2)));
    fadeOut(part, part.size() / 6);
    if (!innerPause) return part;
    std::size_t cutAt = part.size() / 2;
    Signal first = sliceOf(part, 0, cutAt), second = sliceOf(part, cutAt, part.size() - cutAt);
    fadeOut(first, samplesOf(rate, 0.03));
    fadeIn(second, samplesOf(rate, 0.01));
    Signal out = first;
    out.resize(out.size() + samplesOf(rate, random.range(0.1, 0.5)), 0.0f);
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

Signal instrumentPhrase(Random& random, int rate, double seconds)
{
    Harmony h = pickHarmony(random);
    std::size_t total = samplesOf(rate, seconds);
    int kind = random.integer(0, 3);
    if (kind == 3) return voiceLine(random, rate, seconds, false);
    Signal out(total);
    FmShape bell{random.range(1.4, 3.5), random.range(1, 6), random.range(0.5, 3), random.range(0.8, 3), 0.002};
    FmShape bass{1.0, random.range(1, 3), 6, 3, 0.003};
    for (double t = 0; samplesOf(rate, t) < total; t += h.beat * (random.chance(0.5) ? 1 : 2)) {
        int note = degreeNote(h, random.integer(0, 9)) + (kind == 2 ? -12 : 12);
        Signal s = kind == 0 ? pluck(random, rate, midiToHz(note), h.beat * 3, random.range(0.2, 0.9))
                 : kind == 1 ? fmTone(rate, midiToHz(note), h.beat * 3, bell)
                             : fmTone(rate, midiToHz(note), h.beat * 1.5, bass);
        addInto(out, s, samplesOf(rate, t), 0.5f);
    }
    applyReverb(out, rate, static_cast<float>(random.range(0.05, 0.35)), random.range(0.8, 1.3), 0.8);
    scaleTo(out, static_cast<float>(random.range(0.05, 0.18)));
    fadeOut(out, samplesOf(rate, 0.3));
    return out;
}

}  // namespace apart
