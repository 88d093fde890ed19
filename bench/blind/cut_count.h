// How many WAV files talvimo writes for a command, worked out from the archive's
// bytes by talvimo's rules for reading pairs of blocks and cutting segments. The
// generator uses it to check that each archive holds the tracks it was built with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "adpcm_codec.h"

namespace blind {

enum class ArchiveType { None = -1, Marker = 1, EmptyFrame = 2 };

// A talvimo command, as the arguments after the input name.
struct CutCommand {
  size_t block = 0x800;  // interleave block size in bytes
  int channels = 2;      // 1 writes mono (-o1)
  ArchiveType type = ArchiveType::None;
  uint64_t start = 0;    // -h
  uint64_t end = 0;      // -b
  int rate = 0;          // -f, 0 to leave talvimo's default
  std::vector<std::string> arguments() const;
};

// Files written: one per segment that completes at least one pair of blocks.
int countWavFiles(const Bytes& archive, const CutCommand& command);

}  // namespace blind
