// SPU ADPCM encoder of the blind test sets, and the small decoder that checks it.
//
// A frame is 16 bytes: a header byte (prediction filter in the high nibble, shift in
// the low nibble), a flag byte, and 14 bytes holding 28 four-bit codes, low nibble
// first. The encoder chooses, per frame, the filter with the smallest peak prediction
// residual (filter 0 on ties) and the shift that fits that peak into a code, so that
// digital silence becomes the frame 0C 00 00 ... 00, as common encoders write it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace blind {

using Bytes = std::vector<uint8_t>;
using Pcm = std::vector<int16_t>;

constexpr size_t kFrameBytes = 16;
constexpr size_t kSamplesPerFrame = 28;
constexpr size_t kHeaderByte = 0;
constexpr size_t kFlagByte = 1;
constexpr size_t kFirstCodeByte = 2;
constexpr uint8_t kSilenceHeader = 0x0C;  // filter 0, shift 12: what silence encodes to
constexpr uint8_t kEndFlag = 0x01;        // flag byte of the last frame of a one-shot sample

// Encodes the samples into frames; a last partial frame is completed with zeros.
Bytes encodeAdpcm(const Pcm& samples);

// Decodes frames as the player does, to samples that may exceed 16 bits.
std::vector<int32_t> decodeAdpcm(const Bytes& frames);

// Signal-to-noise ratio of a decoding against its source in dB, over the source's
// length; infinite when the source is all zeros or the decoding exact.
double snrDb(const Pcm& source, const std::vector<int32_t>& decoded);

}  // namespace blind
