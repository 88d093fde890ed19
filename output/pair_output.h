// Where a segment's pairs go: the one place that decides when pairs wait in decode
// windows and when they are written, and that writes the windows out. Everything that
// writes to a segment's output goes through here, so that the file and the console see
// the pairs in order, exactly as a run writing every pair at once would.
#pragma once

#include <cstdint>

#include "run/run_state.h"

// Sets the file number digits of a numbered name, then (outside check mode) creates the
// output. 0, or -1 when it cannot be created (reported).
int openSegmentOutput(RunState& state);

// Hands over the pair just completed, of which `count` entries of each block are to be
// written. Where it can, the pair waits, undecoded, in a decode window, to be decoded
// with many others on every core and written later; else it is written now from the
// pair buffers, after every pair waiting before it. 0, or -1 when a write fails
// (reported).
int flushPair(RunState& state, int32_t count);

// Writes every waiting pair. Called where the run ends, and before a segment's file is
// rewound or finished. 0, or -1 when a write fails (reported).
int writeWaitingPairs(RunState& state);

// A dropped segment leaves its open output to the next one: back to offset 44, so that
// the next segment's samples are written over its own. 0, or -1 (reported).
int rewindOutput(RunState& state);

// The segment is kept: its pairs written, the header, and the file closed. Does nothing
// in check mode. 0, or -1 when a write fails (reported).
int writeWavHeader(RunState& state);
