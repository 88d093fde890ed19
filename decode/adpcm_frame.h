// The SPU ADPCM frame: its layout, its fields, and the kinds of frame the rest of the
// system tells apart. One definition for the decoder, the scan's detectors and the
// probe, which predicts where talvimo cuts and so must see frames exactly as it does.
#pragma once

#include <cstdint>
#include <cstring>

constexpr int kFrameBytes = 16;       // one frame in the input
constexpr int kSamplesPerFrame = 28;  // what it expands to
constexpr int kHeaderByte = 0;        // filter (high nibble) and shift (low nibble)
constexpr int kFlagByte = 1;          // flags of the sound processor (loop, end); no part of the sound
constexpr int kFirstCodeByte = 2;     // bytes 2..15: 28 four-bit codes, low nibble first

// One frame as read.
struct AdpcmFrame {
  uint8_t value[kFrameBytes];
};

inline int frameFilter(uint8_t header) { return header >> 4; }
inline int frameShift(uint8_t header) { return header & 0x0F; }

// A filter's weights of the previous value and the one before it, times 64. The five
// SPU ADPCM filters; header nibbles 5..15 decode as filter 0 (no prediction).
struct FilterWeights {
  int32_t k0;
  int32_t k1;
};
constexpr int kFilters = 5;            // filters 0..4 exist
constexpr int kWeightScale = 64;       // a weight is k / 64
constexpr FilterWeights kFilterWeights[16] = {{0, 0}, {60, 0}, {115, -52}, {98, -55}, {122, -60}};

// What encoded sound holds: a filter that exists, a shift of at most 12 (a code moved
// no lower than bit 0 of a sample) and one of the eight flag values. The probe's scan
// for sound tests these sixteen frames at a time.
constexpr int kMaxSoundShift = 12;
constexpr int kMaxSoundFlag = 7;

// How silence is written: filter 0, shift 12 and every code 0 (a marker frame, as
// streams begin with one), or all sixteen bytes 0 (an empty frame, as padding is).
constexpr uint8_t kMarkerHeader = 0x0C;
constexpr int kQuietZeroBytes = 14;  // a frame with this many zero bytes or more is quiet

// The largest interleave block: 2048 frames of one channel before the other's.
constexpr int32_t kMaxBlockSize = 0x8000;

// How many of the frame's 16 bytes are 0, eight bytes at a time: in each word the top
// bit of every byte that is 0 is set, and the multiply adds those bits up in the top byte.
inline int zeroBytes(const uint8_t frame[kFrameBytes]) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  uint64_t words[2];
  std::memcpy(words, frame, sizeof words);
  uint64_t ones = 0;  // a 1 in each byte that was 0
  for (const uint64_t w : words) ones += ~(((w & kLow7) + kLow7) | w | kLow7) >> 7;
  return static_cast<int>((ones * kOnes) >> 56);
}

// The kinds of frame, from the frame's zero bytes where those are counted already.
inline bool isQuietFrame(int zeros) { return zeros >= kQuietZeroBytes; }
inline bool isMarkerFrame(const uint8_t frame[kFrameBytes], int zeros) {
  return frame[kHeaderByte] == kMarkerHeader && isQuietFrame(zeros);
}
inline bool isEmptyFrame(int zeros) { return zeros == kFrameBytes; }

inline bool isQuietFrame(const uint8_t frame[kFrameBytes]) { return isQuietFrame(zeroBytes(frame)); }
inline bool isMarkerFrame(const uint8_t frame[kFrameBytes]) { return isMarkerFrame(frame, zeroBytes(frame)); }
inline bool isEmptyFrame(const uint8_t frame[kFrameBytes]) { return isEmptyFrame(zeroBytes(frame)); }
