#include "archive_kinds.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "adpcm_encoder.h"
#include "archive_assembly.h"
#include "dsp.h"
#include "pieces.h"

namespace apart {

namespace {

constexpr float kFloorLevel = 14.0f / 32767.0f;

Stereo relatedMusic(Random& random, int rate, double seconds)
{
    std::vector<Stem> stems = musicStems(random, rate, seconds);
    Stereo mix = mixStereo(stems, random, rate, static_cast<float>(random.range(0.2, 0.95)));
    // Loud or soft as a whole, both channels alike, without clipping.
    float gain = static_cast<float>(random.range(0.12, 0.95)) / std::max({peak(mix.left), peak(mix.right), 1e-6f});
    for (Signal* side : {&mix.left, &mix.right})
        for (float& x : *side) x *= gain;
    fadeIn(mix.left, samplesOf(rate, random.range(0.0, 1.5)));
    fadeIn(mix.right, samplesOf(rate, random.range(0.0, 1.5)));
    std::size_t tail = samplesOf(rate, random.range(0.5, 3.0));
    fadeOut(mix.left, tail);
    fadeOut(mix.right, tail);
    return mix;
}

Signal anySource(Random& random, int rate, double seconds, int which)
{
    if (which == 0) return mixMono(musicStems(random, rate, seconds));
    if (which == 1) return drumLoop(random, rate, seconds, false);
    if (which == 2) return voiceLine(random, rate, seconds, false);
    return instrumentPhrase(random, rate, seconds);
}

// Stereo music that never falls near silence after `leadFrames` frames of digital
// silence in both channels, so that its only marker frames are the leading ones.
Stereo markedTrack(Random& random, int rate, double seconds, std::size_t leadFrames)
{
    Stereo music = relatedMusic(random, rate, seconds);
    // Whole frames, floor included: a last frame filled up with zeros could read as a
    // marker frame, and would split the track where it opened a pair.
    std::size_t frames = (music.left.size() + kSamplesPerFrame - 1) / kSamplesPerFrame;
    music.left.resize(frames * kSamplesPerFrame, 0.0f);
    music.right.resize(frames * kSamplesPerFrame, 0.0f);
    addNoiseFloor(music.left, random, kFloorLevel);
    addNoiseFloor(music.right, random, kFloorLevel);
    std::size_t lead = leadFrames * kSamplesPerFrame;
    music.left.insert(music.left.begin(), lead, 0.0f);
    music.right.insert(music.right.begin(), lead, 0.0f);
    return music;
}

Archive buildMusic(Random& random, int)
{
    int rate = pickRate(random);
    double seconds = random.chance(0.3) ? random.range(3, 10) : random.range(10, 60);
    std::size_t block = stereoBlock(random);
    Bytes body = encodeStereo(relatedMusic(random, rate, seconds), pickRule(random, seconds), block);
    return assemble(random, body, 2, block, rate, 1, {});
}

Archive buildUnrelated(Random& random, int)
{
    int rate = pickRate(random);
    double seconds = random.range(3, 12);
    std::size_t block = pickBlockBytes(random, 0x100, 0x8000);
    int first = random.integer(0, 3);
    int second = (first + random.integer(1, 3)) % 4;
    Stereo sound{anySource(random, rate, seconds, first), anySource(random, rate, seconds, second)};
    float level = static_cast<float>(random.range(0.08, 0.16));
    scaleTo(sound.left, level);
    scaleTo(sound.right, level * static_cast<float>(random.range(0.85, 1.18)));
    Bytes body = encodeStereo(sound, pickRule(random, seconds), block);
    return assemble(random, body, 2, block, rate, 1, {});
}

Archive buildSilences(Random& random, int)
{
    int rate = pickRate(random);
    double seconds = random.range(3, 25);
    if (random.chance(0.4)) {
        Signal voice = voiceLine(random, rate, seconds, true);
        return assemble(random, encodeMono(voice, pickRule(random, seconds)), 1, 0, rate, 1, {});
    }
    Signal loop = drumLoop(random, rate, seconds, true);
    scaleTo(loop, static_cast<float>(random.range(0.1, 0.25)));
    // The right channel a little softer and a few samples late, zeros still in both.
    Stereo sound{loop, loop};
    float pan = static_cast<float>(random.range(0.5, 1.0));
    for (float& x : sound.right) x *= pan;
    std::size_t late = static_cast<std::size_t>(random.integer(0, 40));
    sound.right.insert(sound.right.begin(), late, 0.0f);
    sound.right.resize(sound.left.size());
    std::size_t block = stereoBlock(random);
    return assemble(random, encodeStereo(sound, pickRule(random, seconds), block), 2, block, rate, 1, {});
}

Archive buildMarked(Random& random, int)
{
    int rate = pickRate(random);
    std::size_t block = stereoBlock(random);
    int tracks = random.integer(3, 5);
    EncoderRule rule = pickRule(random, 10);
    std::size_t leadLimit = std::min<std::size_t>(4, block / 16);
    Bytes body;
    for (int t = 0; t < tracks; ++t) {
        std::size_t lead = static_cast<std::size_t>(random.integer(1, static_cast<int>(leadLimit)));
        appendBytes(body, encodeStereo(markedTrack(random, rate, random.range(2, 14), lead), rule, block));
    }
    return assemble(random, body, 2, block, rate, tracks, {"-t1"});
}

Stereo shortStereoPiece(Random& random, int rate, double seconds)
{
    int which = random.integer(0, 2);
    if (which == 0) return relatedMusic(random, rate, seconds);
    Signal mono = which == 1 ? effectClip(random, rate, seconds, random.chance(0.5)) : voiceLine(random, rate, seconds, true);
    Stereo sound{mono, mono};
    applyReverb(sound.right, rate, 0.2f, 1.1, 0.7);
    return sound;
}

Archive buildSeparated(Random& random, int)
{
    int rate = pickRate(random);
    std::size_t block = stereoBlock(random);
    int streams = random.integer(3, 5);
    EncoderRule rule = pickRule(random, 10);
    Bytes body;
    if (random.chance(0.3)) appendEmptyFrames(body, 1);
    for (int s = 0; s < streams; ++s) {
        if (s > 0) appendEmptyFrames(body, 1);
        appendBytes(body, encodeStereo(shortStereoPiece(random, rate, random.range(1.5, 10)), rule, block));
    }
    if (random.chance(0.5)) appendEmptyFrames(body, 1);
    return assemble(random, body, 2, block, rate, streams, {"-t2"});
}

Archive buildClips(Random& random, int)
{
    int rate = pickRate(random);
    int clips = random.integer(3, 8);
    EncoderRule rule = pickRule(random, 10);
    Bytes body;
    appendEmptyFrames(body, static_cast<std::size_t>(random.integer(0, 20)));
    for (int c = 0; c < clips; ++c) {
        if (c > 0) appendEmptyFrames(body, static_cast<std::size_t>(random.integer(1, 40)));
        Signal clip = random.chance(0.3) ? voiceLine(random, rate, random.range(1, 4), true)
                                         : effectClip(random, rate, random.range(0.4, 3), random.chance(0.7));
        appendBytes(body, encodeMono(clip, rule));
    }
    appendEmptyFrames(body, static_cast<std::size_t>(random.integer(1, 30)));
    return assemble(random, body, 1, 0, rate, clips, {"-t2"});
}

Archive buildMono(Random& random, int)
{
    int rate = pickRate(random);
    double seconds = random.range(3, 30);
    Signal sound = instrumentPhrase(random, rate, seconds);
    return assemble(random, encodeMono(sound, pickRule(random, seconds)), 1, 0, rate, 1, {});
}

Archive quietSide(Random& random, int rate)
{
    double seconds = random.range(4, 20);
    Stereo sound = relatedMusic(random, rate, seconds);
    float quiet = static_cast<float>(random.range(0.03, 0.15));
    for (float& x : (random.chance(0.5) ? sound.left : sound.right)) x *= quiet;
    std::size_t block = stereoBlock(random);
    return assemble(random, encodeStereo(sound, pickRule(random, seconds), block), 2, block, rate, 1, {});
}

Archive rhythmMono(Random& random, int rate)
{
    double seconds = random.range(3, 15);
    Signal loop = drumLoop(random, rate, seconds, false);
    scaleTo(loop, 0.2f);
    return assemble(random, encodeMono(loop, pickRule(random, seconds)), 1, 0, rate, 1, {});
}

Archive tinyStereo(Random& random, int rate)
{
    double seconds = random.range(0.3, 1.5);
    std::size_t block = pickBlockBytes(random, 0x100, 0x800);
    Bytes body = encodeStereo(shortStereoPiece(random, rate, seconds), pickRule(random, seconds), block);
    return assemble(random, body, 2, block, rate, 1, {});
}

Archive clippedStereo(Random& random, int rate)
{
    double seconds = random.range(3, 15);
    Stereo sound = relatedMusic(random, rate, seconds);
    float drive = static_cast<float>(random.range(3.0, 8.0) / std::max(peak(sound.left), 1e-6f));
    for (Signal* side : {&sound.left, &sound.right})
        for (float& x : *side) x = std::clamp(x * drive, -1.0f, 1.0f);
    std::size_t block = stereoBlock(random);
    return assemble(random, encodeStereoAsIs(sound, pickRule(random, seconds), block), 2, block, rate, 1, {});
}

Archive smallBlocks(Random& random, int rate)
{
    double seconds = random.range(3, 12);
    std::size_t block = pickBlockBytes(random, 0x20, 0x80);
    Bytes body = encodeStereo(relatedMusic(random, rate, seconds), pickRule(random, seconds), block);
    return assemble(random, body, 2, block, rate, 1, {});
}

// Short jingles, each followed by a run of empty frames (a sound bank's padding).
Archive jingleBank(Random& random, int rate)
{
    std::size_t block = pickBlockBytes(random, 0x100, 0x1000);
    int streams = random.integer(3, 6);
    EncoderRule rule = pickRule(random, 10);
    Bytes body;
    for (int s = 0; s < streams; ++s) {
        appendBytes(body, encodeStereo(shortStereoPiece(random, rate, random.range(0.8, 4)), rule, block));
        appendEmptyFrames(body, static_cast<std::size_t>(random.integer(1, 64)));
    }
    return assemble(random, body, 2, block, rate, streams, {"-t2"});
}

// The oddities take turns, so that every set holds each of them once.
Archive buildOddity(Random& random, int number)
{
    int rate = pickRate(random);
    switch (number % 6) {
    case 0: return quietSide(random, rate);
    case 1: return rhythmMono(random, rate);
    case 2: return tinyStereo(random, rate);
    case 3: return clippedStereo(random, rate);
    case 4: return smallBlocks(random, rate);
    default: return jingleBank(random, rate);
    }
}

}  // namespace

const std::vector<KindPlan>& kindPlans()
{
    static const std::vector<KindPlan> plans = {
        {"music", 10, buildMusic},     {"unrelated", 8, buildUnrelated}, {"silences", 7, buildSilences},
        {"marked", 7, buildMarked},    {"separated", 7, buildSeparated}, {"clips", 7, buildClips},
        {"mono", 8, buildMono},        {"oddities", 6, buildOddity},
    };
    return plans;
}

}  // namespace apart
