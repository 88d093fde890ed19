// The project's own SPU ADPCM encoder: turns PCM into frames that talvimo's decoder
// expands back (lossily). Used to build the sample archive, test inputs and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/adpcm_decoder.h"

// One channel's encoder: tracks the decoder's exact history so that every frame is
// chosen against what the decoder will really produce.
struct AdpcmEncoder {
  ChannelHistory history = {};
};

// Encodes 28 samples into one 16-byte frame with the filter (0..4) and shift (0..12)
// that give the smallest squared error. flag goes into byte 1.
void encodeFrame(AdpcmEncoder& encoder, const int16_t pcm[kSamplesPerFrame], uint8_t flag,
                 uint8_t frame[kFrameBytes]);

// Encodes a whole channel from a fresh history; the last frame is padded with zeros.
std::vector<uint8_t> encodeStream(const std::vector<int16_t>& pcm, uint8_t flag = 0);

// Decodes a stream of frames from a fresh history (the samples' low 16 bits).
std::vector<int16_t> decodeStream(const std::vector<uint8_t>& frames);

// Interleaves two equally long streams as blocks of blockSize bytes, first stream
// first; a short last block is padded with copies of the stream's last frame.
std::vector<uint8_t> interleaveBlocks(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second,
                                      size_t blockSize);

// A frame with header 0x0C and fourteen zero data bytes: a marker that decodes to silence.
std::vector<uint8_t> markerFrame();
