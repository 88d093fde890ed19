// One-note instruments: FM bells and pianos, additive pads and organs, plucked
// strings, and drums made from swept sines and filtered noise.
#pragma once

#include "dsp.h"
#include "rng.h"

namespace blind {

struct Note {
  double hz = 440.0;
  double seconds = 0.5;  // how long the note is held; tails may ring past it
  double velocity = 1.0;
};

// Two-operator FM: a modulator at `ratio` times the pitch, its index decaying.
struct FmPatch {
  double ratio = 1.4;
  double index = 3.0;
  double indexDecay = 0.3;  // seconds
  double ampDecay = 0.8;    // seconds
};
Signal fmNote(const Note& note, const FmPatch& patch, double rate);

// A sum of harmonics falling off as 1/k^tilt, with slow vibrato and linear attack and release.
struct AdditivePatch {
  int partials = 6;
  double tilt = 1.2;
  double attack = 0.2;
  double release = 0.4;
  double vibratoDepth = 0.003;  // fraction of the pitch
};
Signal additiveNote(const Note& note, const AdditivePatch& patch, double rate);

// Karplus-Strong string; `brightness` 0..1 sets how much of the pluck's noise survives.
Signal pluckNote(const Note& note, double brightness, double rate, Rng& rng);

enum class Drum { Kick, Snare, ClosedHat, OpenHat, Tom, Clap };
Signal drumHit(Drum drum, double velocity, double rate, Rng& rng);

}  // namespace blind
