// What the probe tells its user: a few aligned lines, or one JSON object.
#pragma once

#include <string>
#include <vector>

#include "probe/probe_input.h"

// text as a JSON string, quoted, with quotes, backslashes and control characters escaped,
// and each byte that is not part of UTF-8 as \udcXX (as Python's surrogateescape).
std::string jsonString(const std::string& text);

// The report as aligned lines of text: the input, then the lines of each region (with a
// line that numbers it, where there are several).
std::string textReport(const ProbeInput& input, const std::vector<ProbeFindings>& regions);

// The report as one JSON object on one line: input, length, the keys of the first
// region (channels, block_size (null for mono), confidence, start, end, archive_type
// (null for one stream), minimum_size, tracks, tracks_confidence, command (strings: the
// first run's), runs (each with its command, files, and the copy it reads or null),
// candidates), and regions, a list of objects with those keys, one for each region.
std::string jsonReport(const ProbeInput& input, const std::vector<ProbeFindings>& regions);
