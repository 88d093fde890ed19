// Ending a segment: drop it (its file is reused) or finalise and number it.
#pragma once

#include <cstdint>

#include "run/run_state.h"

// size: the segment's frames times 16; start: the offset of its first frame; it ends
// at the read position - 16. A segment no larger than FileMinimunSize is dropped and
// its open output is rewound to offset 44 for the next one; a larger one that owns an
// output gets its WAV header (or list line in check mode), its name on the console and
// the current file number. Then the decoding state is cleared for the next segment.
// 0, or -1 when the numbering limit is reached ("numberling over") or a write fails
// (outputFailed is then set).
int closeSegment(RunState& state, int64_t size, int64_t start);

// The scan's result once closeSegment has ended it: 0 when the file numbers are used up
// (a normal end of the run), -1 when a write failed.
int scanEndResult(const RunState& state);
