// Longer material built from the instruments: music stems, drum loops, spoken lines,
// sound effects and instrument phrases.
#pragma once

#include <vector>

#include "dsp.h"
#include "random_source.h"

namespace apart {

struct Stem {
    Signal sound;
    float pan = 0.5f;  // 0 left, 1 right
};

struct Stereo {
    Signal left, right;
};

std::vector<Stem> musicStems(Random& random, int rate, double seconds);
// The stems mixed to two channels with per-channel reverb; `spread` 0 keeps both
// channels alike, 1 pans the stems fully.
Stereo mixStereo(const std::vector<Stem>& stems, Random& random, int rate, float spread);
Signal mixMono(const std::vector<Stem>& stems);

// A one-bar pattern rendered once and repeated as a loop; with `silentGaps` the hits
// stop dead so that the gaps between them are exact zeros, and some bars are dropped.
Signal drumLoop(Random& random, int rate, double seconds, bool silentGaps);
// Phrases of syllables with pauses; with `digitalSilence` the pauses are exact zeros,
// otherwise they keep a faint room noise.
Signal voiceLine(Random& random, int rate, double seconds, bool digitalSilence);
// A game sound effect, optionally with a silent pause inside it.
Signal effectClip(Random& random, int rate, double seconds, bool innerPause);
// A single instrument playing a phrase, as a mono sample bank would hold it.
Signal instrumentPhrase(Random& random, int rate, double seconds);

}  // namespace apart
