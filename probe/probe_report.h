// What the probe tells its user: a few aligned lines, or one JSON object.
#pragma once

#include <string>
#include <vector>

#include "probe/probe_input.h"

// text as a JSON string, quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(const std::string& text);

// The talvimo command line that converts the input as probed, after the program name.
std::vector<std::string> suggestedCommand(const ProbeInput& input, const ProbeFindings& found);

// The report as aligned lines of text.
std::string textReport(const ProbeInput& input, const ProbeFindings& found);

// The report as one JSON object (and a line end) with the keys channels, block_size
// (null for mono), confidence, start, end, archive_type (null for one stream),
// minimum_size, tracks, command (strings) and candidates.
std::string jsonReport(const ProbeInput& input, const ProbeFindings& found);
