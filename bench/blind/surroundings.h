// What lies around the sound of an archive: a header before it (a table of the
// tracks, a magic, zeros) and other data after it.
#pragma once

#include <cstdint>
#include <vector>

#include "adpcm_codec.h"
#include "rng.h"

namespace blind {

enum class HeaderKind {
  None,
  Zeros,   // reserved space
  Table,   // a magic, a count and the tracks' offsets and sizes, then zeros
  Filled,  // a table followed by other data up to the sound: its last bytes are not zero
};

struct HeaderPlan {
  HeaderKind kind = HeaderKind::None;
  size_t size = 0;
};

// A header for an archive. `noZerosAtEnd` rules out headers that end in zeros, for
// sound that begins with empty frames or is cut at them: zeros before it would make
// its start impossible to tell.
HeaderPlan planHeader(double probability, bool noZerosAtEnd, Rng& rng);

// The header's bytes; `trackStarts` are offsets in the file.
Bytes makeHeader(const HeaderPlan& plan, const std::vector<uint64_t>& trackStarts, uint64_t soundEnd, Rng& rng);

// Data after the sound, up to 0xF000 bytes (or nothing); `end` is its offset in the
// file. `zeroPadding` allows padding with zeros to the end of the sector, which
// must not follow sound that itself ends in empty frames: its end could not be told.
Bytes makeTrailer(double probability, bool zeroPadding, uint64_t end, Rng& rng);

}  // namespace blind
