// Test support: hand-built frames and encoded streams.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "support/scratch.h"

// One 16-byte frame: header, flag byte and up to 14 data bytes (the rest zero).
Bytes frame(uint8_t header, uint8_t flag = 0, std::initializer_list<uint8_t> data = {});
Bytes marker();  // 0C 00 and fourteen zeros
// A frame with non-zero data: never quiet, never a marker.
Bytes loud(uint8_t header = 0x21);

Bytes operator+(Bytes a, const Bytes& b);
Bytes repeat(const Bytes& bytes, size_t times);

// n frames of encoded music for one channel (seeded).
Bytes music(uint32_t seed, size_t frames);

// The samples the independent reference decoder makes of a stream of frames, from a zero
// history: whole-run checks never lean on the decoder they check.
std::vector<int16_t> decoded(const Bytes& frames);
// Stereo sample frames: left and right samples alternating.
std::vector<int16_t> interleaved(const std::vector<int16_t>& left, const std::vector<int16_t>& right);
std::vector<int16_t> joined(std::vector<int16_t> a, const std::vector<int16_t>& b);
