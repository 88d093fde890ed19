#include "probe/audio_extent.h"

#include <algorithm>

namespace {

constexpr int kRunFrames = 64;    // valid frames in a row that make the start of sound
constexpr int kLoudFrames = 8;    // of them, the first ones that must not be empty
constexpr int kMinFrames = 8;     // the least sound an input may hold

// The offset modulo 16 at which most frames of the head are valid: frames need not
// start at a multiple of 16 when the header's length is not one.
int64_t frameAlignment(const ProbeState& p) {
  int64_t best = 0;
  size_t bestCount = 0;
  for (int64_t a = 0; a < 16; ++a) {
    size_t count = 0;
    for (size_t at = static_cast<size_t>(a); at + 16 <= p.head.size(); at += 16) count += isAdpcmFrame(&p.head[at]);
    if (count > bestCount) best = a, bestCount = count;
  }
  return best;
}

}  // namespace

bool isAdpcmFrame(const uint8_t* frame) { return (frame[0] >> 4) <= 4 && (frame[0] & 0x0F) <= 12 && frame[1] <= 7; }

bool isEmptyFrame(const uint8_t* frame) {
  for (int i = 0; i < 16; ++i) {
    if (frame[i] != 0) return false;
  }
  return true;
}

int findAudioStart(ProbeState& p) {
  const int64_t size = static_cast<int64_t>(p.head.size());
  for (int64_t at = frameAlignment(p); at <= kMaxHeaderBytes && at + 16 * kMinFrames <= size; at += 16) {
    const int64_t frames = std::min<int64_t>(kRunFrames, (size - at) / 16);
    bool sound = true;
    for (int64_t f = 0; f < frames && sound; ++f) {
      const uint8_t* frame = &p.head[static_cast<size_t>(at + 16 * f)];
      sound = isAdpcmFrame(frame) && (f >= kLoudFrames || !isEmptyFrame(frame));
    }
    if (sound) {
      p.start = at;
      return 0;
    }
  }
  return -1;
}

int64_t wholeFramesEnd(const ProbeState& p) { return p.start + (p.inputLength - p.start) / 16 * 16; }

void findAudioEnd(ProbeState& p) {
  p.end = wholeFramesEnd(p);
  int64_t first = p.start;  // the first frame in the tail, counted from the start
  if (p.tailStart > p.start) first = p.start + (p.tailStart - p.start + 15) / 16 * 16;
  int run = 0;
  int64_t lastValid = -1;
  // Forward through the tail: the end follows the last frame that closes a run of 8.
  for (int64_t at = first; at + 16 <= p.inputLength; at += 16) {
    const bool valid = isAdpcmFrame(&p.tail[static_cast<size_t>(at - p.tailStart)]);
    run = valid ? run + 1 : 0;
    if (run >= kLoudFrames) lastValid = at;
  }
  if (lastValid >= 0) p.end = lastValid + 16;
}
