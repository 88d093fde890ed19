// One probe of one input, from reading it to printing the report.
#pragma once

#include "probe/probe_state.h"

// Probes p.inputName and prints the report (text, or JSON when json is set) on standard
// output. 0, or -1 with one line saying why: the input cannot be read, is empty or holds
// no SPU ADPCM data, or the report could not be written.
int runProbe(ProbeState& p, bool json);
