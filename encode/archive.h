// Builds block-interleaved stereo archives from synthesized tracks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct StereoTrack {
  std::vector<uint8_t> left;   // encoded frames of the first block's channel
  std::vector<uint8_t> right;  // encoded frames of the second block's channel
};

// A track of `pairs` whole block pairs. With a leading marker, each channel begins with
// a marker frame (header 0x0C, silent), as archives that mark their streams do. The two
// channels carry two unrelated pieces of music, or with onePiece the two sides of one
// piece, as stereo music has them.
StereoTrack makeTrack(uint32_t seed, size_t pairs, size_t blockSize, int sampleRate, bool leadingMarker,
                      bool onePiece = false);

// The tracks one after another, each interleaved in blocks of blockSize bytes.
std::vector<uint8_t> buildArchive(const std::vector<StereoTrack>& tracks, size_t blockSize);
