// The layout set: about sixty archives, each one layout of streams, with
// manifest.txt (name channels block_size start end tracks) and truth_commands.txt.
// start is the first byte of the first block of the first pair (lead-in empty
// frames included), end the byte after the sound and the empty frames that close
// its last stream, before any trailer; tracks the files talvimo writes when cut right.
#pragma once

#include <cstdint>
#include <string>

namespace blind {

// Returns 0, or 1 after printing why an archive could not be built.
int writeArchiveSet(const std::string& dir, uint64_t seed);

}  // namespace blind
