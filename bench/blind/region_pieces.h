// Regions of sound for the region files: stereo music, a voice, a bank of
// effects, a VAGp clip. Each comes with the truth about where its sound lies and
// the talvimo command that cuts it, in offsets relative to its own bytes.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "cut_count.h"
#include "rng.h"
#include "streams.h"

namespace blind {

struct RegionPiece {
  Bytes bytes;              // the region and what belongs to it (such as a VAGp header)
  uint64_t soundStart = 0;  // first byte of sound after any header
  uint64_t soundEnd = 0;    // after its last byte of sound
  int channels = 2;
  size_t block = 0;         // 0 for mono
  int tracks = 1;
  int rate = 0;             // from a VAGp header, 0 when there is none
  CutCommand command;
};

// Stereo music in blocks of `block` bytes, about `bytes` long: one stream, or
// several each opening with a marker frame and padded to whole blocks.
RegionPiece stereoMusic(size_t block, uint64_t bytes, bool severalTracks, Rng& rng, CodecLog& log);

// One mono voice recording with a hiss floor, about `bytes` long.
RegionPiece monoVoice(uint64_t bytes, Rng& rng, CodecLog& log);

// Mono effects one after another, each opened by an empty frame (talvimo -t2).
RegionPiece effectBank(int effects, Rng& rng, CodecLog& log);

// A one-shot sample behind a 48-byte VAGp header, about `bytes` of data.
RegionPiece vagClip(uint64_t bytes, Rng& rng, CodecLog& log);

// The piece drawn again until talvimo's rules give its planned tracks (a song may,
// rarely, fall silent where a cut would follow); throws std::runtime_error when no
// draw does.
template <class Build>
RegionPiece checkedPiece(Rng& rng, Build build) {
  constexpr int kAttempts = 12;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    Rng draw = rng.fork(static_cast<uint64_t>(attempt));
    RegionPiece piece = build(draw);
    if (countWavFiles(piece.bytes, piece.command) == piece.tracks) return piece;
  }
  throw std::runtime_error("no draw of a region gave its planned tracks");
}

}  // namespace blind
