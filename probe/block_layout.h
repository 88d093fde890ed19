// Mono or stereo, and the block size of stereo: ranked by how well the decoded
// channels agree and join.
#pragma once

#include "probe/probe_input.h"

// The level stereo evidence must pass before stereo is believed: on the test sets mono
// reaches at most three quarters of it.
constexpr double kStereoEvidence = 8.0;

// Ranks mono against stereo at every block size from 16 to kMaxBlockSize bytes (a
// multiple of 16) for the sound from extent.start on (at most kLayoutBytes of it), and
// returns the best, the chosen one first.
//
// Stereo blocks at size n frames put frame i and frame i + n of each pair side by side
// in time. Three pieces of evidence, each a t statistic over the pairs of the sample:
//  - agreement: the frame loudness of a pair's two blocks rises and falls together
//    (correlation) more than that of a second block and the next pair's first, which
//    lie a block apart in time;
//  - joins: each block continues the block two before it (same channel) more smoothly
//    than the block right before it (the other channel), in residual loudness;
//  - waveforms: the two blocks of a pair are alike sample by sample (stereo channels
//    share their sources), which only the exact block size keeps aligned pair after
//    pair; measured for the few best sizes.
// Mono has no such structure, so none of them stands out there.
//
// Stereo streams may begin with empty (silent) frames, which the extent's start skips:
// when empty frames lie right before it, the choice's start moves back over them to
// where the chosen block size's evidence is clearly strongest.
LayoutChoice rankLayouts(const ProbeInput& input, const AudioExtent& extent);
