// Bytes of an archive: streams laid out as alternating blocks or as frames in a row,
// empty frames between them, headers in front and trailers behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "adpcm_encoder.h"
#include "random_source.h"

namespace apart {

using Bytes = std::vector<std::uint8_t>;

// Both channels padded with marker frames to the same whole number of blocks, then
// laid out block of channel 0, block of channel 1, and so on.
Bytes interleaveStereo(std::vector<Frame> left, std::vector<Frame> right, std::size_t blockBytes);
// Frames one after another, padded with a marker frame to an even count so that a
// mono reading in one-frame blocks keeps every frame.
Bytes joinMono(std::vector<Frame> frames);

void appendBytes(Bytes& target, const Bytes& more);
void appendEmptyFrames(Bytes& target, std::size_t count);

enum class HeaderStyle { Table, Text, Zeros };
// A header of `size` bytes that looks like an archive's directory, a text banner, or padding.
Bytes makeHeader(Random& random, std::size_t size, HeaderStyle style);
std::size_t pickHeaderSize(Random& random);
HeaderStyle pickHeaderStyle(Random& random);
// Nothing, zeros, or junk bytes behind the sound.
Bytes makeTrailer(Random& random);

std::size_t pickBlockBytes(Random& random, std::size_t smallest, std::size_t largest);
std::string hex(std::size_t value);

}  // namespace apart
