// 16-bit PCM WAV files: samples in, bytes out. Takes only finished samples; what waits
// to be decoded, and when it is written, is output/pair_output's concern.
#pragma once

#include <cstdint>

#include "run/run_state.h"

// Creates the output named outputName (replacing an older file of that name) and places
// it at offset 44, where the samples begin. 0, or -1 when it cannot be created (reported).
int createWav(RunState& state);

// Appends one pair from its two blocks' samples (each one's low 16 bits, 2 * entries of
// each): interleaved in stereo, the first block then the second in mono, the blocks
// swapped with LRChange. 0, or -1 when the write fails (reported).
int appendPairSamples(RunState& state, const int16_t* first, const int16_t* second, int32_t entries);

// The same from the pair buffers: `entries` entries of each.
int appendPairEntries(RunState& state, const PairBuffers& buffers, int32_t entries);

// Back to offset 44, so that the next samples are written over the file's. 0 or -1
// (reported).
int rewindWav(RunState& state);

// Writes the 44-byte header for the current data bytes, cuts the file at the end of its
// data (a reused file may hold more from a longer, dropped segment) and closes it.
// 0, or -1 when a write fails (reported).
int finishWav(RunState& state);
