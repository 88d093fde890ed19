// The run driver: usage, arguments, input, scan, finishing step.
#pragma once

#include "decode/decode_path.h"
#include "run/run_state.h"

// The whole run over argv; returns the process result, 0 or -1. Files still open at
// the end are closed as the process exit would close them. Its windows decode by the
// widest path this machine has, or (for tests) by the one given.
int runTalvimo(RunState& state, int argc, char** argv, DecodePath path = chosenDecodePath());

// Reads and checks the block size (argv[2]), then the switches from argv[3] on.
int parseArguments(RunState& state, char** argv, int argc);

// Opens the input (a regular file), seeks to HeadSkipSize, builds the output names and,
// in check mode, creates the list file.
int openInput(RunState& state, char** argv);

// After the scan: terminates the list file in check mode; otherwise, when the run
// created an output and an archive type is selected (or the last file never got its
// header), measures the last output and removes it when it is too small.
int finishRun(RunState& state);
