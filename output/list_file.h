// Check-mode list file: one CR LF line per kept segment, then the byte 0x1A.
#pragma once

#include <cstdint>

#include "run/run_state.h"

// Creates the list file and prints its name; "not write script file" and -1 when it
// cannot be created or would replace the input.
int openListFile(RunState& state);

// Writes "NNNN\t0xSTART\t0xEND\t0xLENGTH\r\n" for the current file number; the segment
// ends at the read position - 16. Offsets show their low 32 bits. 0 or -1 (reported).
int writeListLine(RunState& state, int64_t start);

// Writes the closing 0x1A and closes the file. 0 or -1 (reported).
int terminateList(RunState& state);
