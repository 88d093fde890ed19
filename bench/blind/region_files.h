// Whole files holding many regions of sound among other data, for measuring how
// the probe finds regions: archives behind a large table of contents, sound banks,
// packs of VAGp clips, and disc images holding several of them.
#pragma once

#include <cstdint>
#include <string>

namespace blind {

// About 30 files and DIR/regions.txt (file start end channels block_size tracks rate).
int writeRegionFiles(const std::string& dir, uint64_t seed);

// One file of about `sizeMib` MiB, written as it is made (memory does not grow with
// the size), with its regions in FILE.regions.txt.
int writeBigFile(const std::string& path, uint64_t sizeMib, uint64_t seed);

}  // namespace blind
