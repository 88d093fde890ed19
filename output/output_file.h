// Creating the files a run writes, never over its own input.
#pragma once

#include <cstdio>

#include "app/run_state.h"

// Opens name for binary writing (creating or truncating it), unless it is the run's
// input under any name (same device and inode); then, or when the open fails, nullptr.
FILE* createOutputFile(const RunState& state, const char* name);
