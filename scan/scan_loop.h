// The scan loop: frames in, block pairs decoded and written, segments closed.
#pragma once

#include "run/run_state.h"

// Reads the input from the read position to its end (or BottomSize, or a ProcEndType
// frame) a frame at a time, pairs the blocks, decodes, writes and segments. 0, or -1
// when an output file cannot be created or written.
int scanInput(RunState& state);
