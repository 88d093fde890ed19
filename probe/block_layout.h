// Mono or stereo, and the block size of stereo: ranked by how well the decoded
// channels agree and join.
#pragma once

#include "probe/probe_input.h"

// How much of a region its layout is weighed in: all of the sample where an input holds
// a few regions, less of it for each of many, so that a disc image of a thousand
// streams is probed in seconds (their sizes show in a sample of 1 MiB).
struct LayoutEffort {
  int64_t sampleBytes;        // of the region, from its start
  size_t spectrumFrames;      // frames whose spectra are compared
  int64_t agreementFrames;    // frames whose blocks' loudness is compared, per size
  int64_t quickAgreementFrames;  // the same at the first look at every size (0: joins alone)
  size_t shortlist;           // sizes, of those with joins, weighed in full
  int64_t waveformSamples;    // samples compared, per size, of the best few
  bool thorough;               // the starts a stereo region may begin at are weighed in full, and the
                              // layout from before a region's empty frames as well as from after them
};
LayoutEffort effortFor(size_t regions);

// The level stereo evidence must pass before stereo is believed: on the test sets mono
// reaches at most three quarters of it, and a little more at times on sets made apart.
// For blocks of kLongBlockBytes or more a lower level: there mono reached at most 5.8 on
// every set, while stereo of unrelated channels in a few seconds scores from 6.3 on.
constexpr double kStereoEvidence = 8.0;
constexpr double kLongBlockEvidence = 6.25;
constexpr int32_t kLongBlockBytes = 0x1000;

// Ranks mono against stereo at every block size from 16 to kMaxBlockSize bytes (a
// multiple of 16) for the sound from extent.start on (at most kLayoutBytes of it), and
// returns the best, the chosen one first.
//
// Stereo blocks at size n frames put frame i and frame i + n of each pair side by side
// in time. Six pieces of evidence, each a statistic over the pairs or joins of the sample:
//  - agreement: the frame loudness of a pair's two blocks rises and falls together
//    (correlation) more than that of a second block and the next pair's first, which
//    lie a block apart in time;
//  - joins: each block continues the block two before it (same channel) more smoothly
//    than the block right before it (the other channel), in residual loudness;
//  - waveforms: the two blocks of a pair are alike sample by sample (stereo channels
//    share their sources), which only the exact block size keeps aligned pair after
//    pair; measured for the few best sizes;
//  - spectra: a frame after each join sounds like the end of its own channel's block
//    two before, not like the other channel's block right before (a z value);
//  - timbres: each block's mean spectrum is nearer its own channel's block two before
//    than the block right before, where the channels carry unrelated sound (a z value,
//    counted only when positive; for blocks of 64 frames or more);
//  - levels: a pair's first block is louder than its second, or quieter, pair after
//    pair, where one channel is louder than the other (for blocks too short for
//    joins, counted only beyond what chance gives, and not in the choice of start).
// Mono has no such structure, so none of them stands out there.
//
// Stereo streams may begin with empty (silent) frames, which the extent's start skips:
// when empty frames lie right before it, the choice's start moves back over them to
// where the chosen block size's evidence is clearly strongest. Frames skipped because
// they looked like a header's last numbers (a loud attack from silence can look so too)
// are weighed the same way, the start moving back over them wherever the evidence there
// is stronger at all.
LayoutChoice rankLayouts(const RegionSample& sample, const AudioExtent& extent, const LayoutEffort& effort);
