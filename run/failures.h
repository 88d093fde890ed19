// The run's failure reports: one fixed line each on the console, and the result -1.
#pragma once

#include "run/run_state.h"

// The input's name and "not read src file" (after the pairs read before the failure are
// written). Returns -1.
int reportInputFailure(RunState& state);

// The output's name and "not write output file"; the run is marked failed and no pair
// is written after this. Returns -1.
int reportOutputFailure(RunState& state);

// "not write script file"; the run is marked failed. Returns -1.
int reportListFailure(RunState& state);
