// SPU ADPCM encoding: 28 samples to one 16-byte frame, choosing filter and shift by
// the error the decoder would make. Silent input becomes the marker frame 0C 00 00...
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace apart {

using Frame = std::array<std::uint8_t, 16>;
constexpr std::size_t kSamplesPerFrame = 28;

// How a trial's misses add up: squared, the largest one, or mostly squared after summing
// each miss with the one before (a noise-shaping choice: it lets the error rise in the
// upper band, where it is heard least, to keep the lower band clean).
enum class ErrorMeasure { Squared, Largest, LowBand };

struct EncoderRule {
    bool tiesToLastFilter = false;  // on equal error keep the later filter instead of filter 0
    bool everyShift = false;        // try all shifts 0..12 instead of three near the estimate
    bool truncatingCodes = false;   // codes cut toward zero instead of rounded
    ErrorMeasure measure = ErrorMeasure::Squared;
};

struct DecoderHistory {
    double s1 = 0.0;
    double s2 = 0.0;
};

// Encodes one frame from 28 samples and advances `history` as the decoder will.
Frame encodeFrame(const std::int16_t* samples, DecoderHistory& history, const EncoderRule& rule);

// Encodes a whole channel; the sample count is padded with zeros to whole frames.
std::vector<Frame> encodeChannel(const std::vector<std::int16_t>& samples, const EncoderRule& rule);

}  // namespace apart
