// Speech-like sound: a glottal pulse train through three moving formant
// resonators, with fricative noise, spoken in phrases separated by pauses.
#pragma once

#include "dsp.h"
#include "rng.h"

namespace blind {

struct SpeechStyle {
  double pitchHz = 140.0;      // the speaker's mean pitch
  double pauseMin = 0.25;      // seconds between phrases
  double pauseMax = 1.2;
  double hissLevel = 0.0;      // 0: pauses are digital silence; else background hiss, relative to the voice peak
  bool startsWithSound = true; // the first phrase begins at the first sample
};

// Phrases and pauses filling `seconds`; the signal's peak is about 1.
Signal speech(const SpeechStyle& style, double seconds, double rate, Rng& rng);

}  // namespace blind
