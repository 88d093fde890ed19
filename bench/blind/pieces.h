// Whole pieces built from the instruments and the voice: songs with related
// channels, single lines, rhythm tracks, drum loops with silent gaps, sound effects.
// Every piece has a peak of about 1; loudness is set when it becomes 16-bit.
#pragma once

#include "dsp.h"
#include "rng.h"

namespace blind {

struct Stereo {
  Signal left;
  Signal right;
};

// A song whose two channels carry the same music: instruments panned, one of them
// delayed on one side, and each channel through its own reverberator. A pad plays
// throughout, so the song holds no digital silence.
Stereo relatedSong(double seconds, double rate, Rng& rng);

// A melody over a sustained pad or drone: continuous sound, no digital silence.
Signal melodyPiece(double seconds, double rate, Rng& rng);

// Drums in a pattern with continuous hats: no gap long enough to fall silent.
Signal rhythmPiece(double seconds, double rate, Rng& rng);

// Single drum hits, each followed by a gap of exact digital silence.
Signal drumLoopWithGaps(double seconds, double rate, Rng& rng);

// A one-shot sound effect of a fraction of a second to a few seconds: chirps,
// explosions, coins, whooshes, alarms, footsteps.
Signal soundEffect(double rate, Rng& rng);

// Removes samples before the first one above `fraction` of the peak, so that the
// piece begins with sound in its very first frame.
void trimQuietStart(Signal& s, double fraction);

// Scales to a peak of 1 (a silent signal stays silent).
void normalisePeak(Signal& s);
void normalisePeak(Stereo& s);

}  // namespace blind
