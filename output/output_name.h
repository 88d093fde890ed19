// Output and list-file names built from the input name.
#pragma once

#include "run/run_state.h"

// Sets outputName (<base>.WAV, or <base>_0000.WAV with an archive type), digitIndex
// and listName. The directory part ends at the last backslash or ':' (dropped) and then
// at the last '/' (kept as it stands); the name after it ends at its first '.' and is
// at most 54 characters. The list file sits beside the outputs and is named after the
// first six characters of the output's file name, followed by "SC.TXT".
void buildOutputNames(RunState& state, const char* inputArgument);

// Writes the file number as four upper-case hex digits into the output name.
void setFileNumberDigits(RunState& state);
