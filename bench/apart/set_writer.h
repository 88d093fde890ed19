// Writes a set: every archive's bytes, the manifest and the truth commands.
#pragma once

#include <cstdint>
#include <string>

namespace apart {

// Builds every planned archive from `seed` into `folder`; 0 on success, -1 on failure
// (with a line on standard error saying what could not be written).
int writeSet(const std::string& folder, std::uint64_t seed);

}  // namespace apart
