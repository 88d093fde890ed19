#include "output/wav_header.h"

#include <cstring>

namespace {

constexpr uint64_t kMaxRiffSize = 0xFFFFFFFF;

void put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
  put16(at, value & 0xFFFF);
  put16(at + 2, value >> 16);
}

uint32_t clampedSize(uint64_t bytes) { return static_cast<uint32_t>(bytes > kMaxRiffSize ? kMaxRiffSize : bytes); }

}  // namespace

void buildWavHeader(uint8_t header[kWavHeaderSize], uint64_t dataBytes, uint16_t channels, uint32_t frequency) {
  std::memcpy(header, "RIFF", 4);
  put32(header + 4, clampedSize(dataBytes + 36));
  std::memcpy(header + 8, "WAVEfmt ", 8);
  put32(header + 16, 16);
  put16(header + 20, 1);
  put16(header + 22, channels);
  put32(header + 24, frequency);
  put32(header + 28, channels * frequency * 2);
  put16(header + 32, static_cast<uint32_t>(channels) * 2);
  put16(header + 34, 16);
  std::memcpy(header + 36, "data", 4);
  put32(header + 40, clampedSize(dataBytes));
}
