// Command-line switches: -f44100, -o1, -t3,12 and the rest, echoed and checked.
#pragma once

#include "run/run_state.h"

// Reads the switches argv[first] .. argv[argc - 1] into the run state, echoing each
// accepted value. Arguments without a leading '-' are passed over. -1 at the first
// unknown letter, bare '-' or rejected value; later switches are neither read nor echoed.
int parseOptions(RunState& state, char** argv, int first, int argc);
