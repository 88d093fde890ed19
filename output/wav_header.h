// The 44-byte header of a 16-bit PCM WAV file.
#pragma once

#include <cstdint>

constexpr int32_t kWavHeaderSize = 44;

// Fills header for dataBytes of 16-bit samples. RIFF sizes are 32 bits: past them the
// two size fields saturate at 0xFFFFFFFF instead of wrapping.
void buildWavHeader(uint8_t header[kWavHeaderSize], uint64_t dataBytes, uint16_t channels, uint32_t frequency);
