// One probe of one input, from reading it to printing the report.
#pragma once

#include <vector>

#include "probe/probe_findings.h"

// Probes the named input and prints the report (text, or JSON when json is set) on
// standard output; what was found in each region of sound goes to *found as well when
// it is given. 0, or -1 with one line saying why: the input cannot be read, is empty
// or holds no SPU ADPCM data, or the report could not be written.
int runProbe(const char* name, bool json, std::vector<ProbeFindings>* found = nullptr);
