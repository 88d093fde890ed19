// The sound of one archive of the layout set, by kind: the bytes from the first
// byte of sound on, and the truth about them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cut_count.h"
#include "rng.h"
#include "streams.h"

namespace blind {

struct Body {
  Bytes bytes;                        // the sound, from the first byte of the first block on
  uint64_t soundEnd = 0;              // bytes of `bytes` up to the last byte of sound
  int channels = 2;
  size_t block = 0;                   // interleave block size; 0 for mono
  int tracks = 1;                     // files a correct talvimo command writes
  CutCommand command;                 // that command, offsets relative to the sound
  std::vector<uint64_t> trackStarts;  // offsets of the streams, relative to the sound
  bool leadInEmptyFrames = false;     // the sound begins with all-zero frames
  bool endsWithEmptyFrames = false;   // the last stream is followed by its separator
};

enum class Kind { Pauses, Unrelated, EmptySeparated, Clips, Music, Markers, Mono };

// The kind word that begins the archive's name.
std::string kindWord(Kind kind);

// `variant` counts the archives of the kind so far: it spreads mono and stereo,
// single and several tracks, and the block sizes evenly over the kind.
Body buildBody(Kind kind, size_t variant, Rng& rng, CodecLog& log);

}  // namespace blind
