// The layout set: about sixty archives, each one layout of streams, with
// manifest.txt (name channels block_size start end tracks) and truth_commands.txt.
#pragma once

#include <cstdint>
#include <string>

namespace blind {

// Returns 0, or 1 after printing why an archive could not be built.
int writeArchiveSet(const std::string& dir, uint64_t seed);

}  // namespace blind
