// Single sounds: plucked strings, FM tones, drums, pads, voice syllables, effects.
#pragma once

#include <vector>

#include "dsp.h"
#include "random_source.h"

namespace apart {

struct FmShape {
    double ratio = 1.0;        // modulator frequency over carrier frequency
    double index = 2.0;        // modulation depth at the start
    double indexDecay = 3.0;   // per second
    double ampDecay = 2.0;     // per second
    double attack = 0.005;     // seconds
};

Signal pluck(Random& random, int rate, double hz, double seconds, double brightness);
Signal fmTone(int rate, double hz, double seconds, const FmShape& shape);
Signal slideTone(int rate, double fromHz, double toHz, double seconds, double slideSeconds, const FmShape& shape);
Signal kick(int rate, double tuneHz);
Signal snare(Random& random, int rate, double toneHz);
Signal hat(Random& random, int rate, bool open);
Signal pad(Random& random, int rate, const std::vector<double>& chordHz, double seconds, double attack);
Signal wind(Random& random, int rate, double seconds);

// One sung or spoken syllable: a consonant burst, then a pulse train through formant
// resonators gliding from one vowel to another.
Signal syllable(Random& random, int rate, double pitchHz, double seconds);

}  // namespace apart
