// 16-bit PCM WAV output: open a segment's file, append pairs, finish with the header.
#pragma once

#include "run/run_state.h"

// Sets the file number digits of a numbered name, then (outside check mode) creates the
// output and places it at offset 44, where the samples begin. 0, or -1 when the file
// cannot be created (reported).
int openSegmentOutput(RunState& state);

// Appends the pair just completed: `count` entries of each pair buffer, interleaved in
// stereo, the first block then the second in mono; the buffers swap places with
// LRChange. Where it can, the pair waits, undecoded, in the decode queue's window, to be
// decoded with many others on every core and written by drainWindow. 0, or -1 when a
// write fails (reported).
int flushPair(RunState& state, int32_t count);

// Writes out the pairs waiting in the window, in order. Called before anything else is
// written to the output or the console, so that both see what they would without the
// window. 0, or -1 when a write fails (reported).
int drainWindow(RunState& state);

// A dropped segment leaves its open output to the next one: back to offset 44, so that
// the next segment's samples are written over its own. 0, or -1 (reported).
int rewindOutput(RunState& state);

// Writes the 44-byte header for the current data bytes, cuts the file at the end of its
// data (a reused file may hold more from a longer, dropped segment) and closes it.
// Does nothing in check mode. 0, or -1 when a write fails (reported).
int writeWavHeader(RunState& state);
