#include "probe/audio_extent.h"

#include <algorithm>

namespace {

constexpr int kRunFrames = 64;    // sound frames in a row that make the start of sound
constexpr int kLoudFrames = 8;    // of them, the first ones that must not be empty; and the run that ends it
constexpr int kMinFrames = 8;     // the least sound an input may hold

// The offset modulo 16 at which most frames of the head are sound frames: frames need
// not start at a multiple of 16 when the header's length is not one.
int64_t frameAlignment(const ProbeInput& in) {
  int64_t best = 0;
  size_t bestCount = 0;
  for (int64_t a = 0; a < kFrameBytes; ++a) {
    size_t count = 0;
    for (size_t at = static_cast<size_t>(a); at + kFrameBytes <= in.head.size(); at += kFrameBytes) {
      count += isSoundFrame(&in.head[at]);
    }
    if (count > bestCount) best = a, bestCount = count;
  }
  return best;
}

int findStart(const ProbeInput& in, int64_t& start) {
  const int64_t size = static_cast<int64_t>(in.head.size());
  for (int64_t at = frameAlignment(in); at <= kMaxHeaderBytes && at + kFrameBytes * kMinFrames <= size; at += kFrameBytes) {
    const int64_t frames = std::min<int64_t>(kRunFrames, (size - at) / kFrameBytes);
    bool sound = true;
    for (int64_t f = 0; f < frames && sound; ++f) {
      const uint8_t* frame = &in.head[static_cast<size_t>(at + kFrameBytes * f)];
      sound = isSoundFrame(frame) && (f >= kLoudFrames || !isEmptyFrame(frame));
    }
    if (sound) {
      start = at;
      return 0;
    }
  }
  return -1;
}

int64_t findEnd(const ProbeInput& in, int64_t start) {
  // The first frame in the tail, counted from the start.
  int64_t first = start;
  if (in.tailStart > start) first = start + (in.tailStart - start + kFrameBytes - 1) / kFrameBytes * kFrameBytes;
  int run = 0;
  int64_t lastSound = -1;
  // Forward through the tail: the end follows the last frame that closes a run of sound.
  for (int64_t at = first; at + kFrameBytes <= in.length; at += kFrameBytes) {
    const bool sound = isSoundFrame(&in.tail[static_cast<size_t>(at - in.tailStart)]);
    run = sound ? run + 1 : 0;
    if (run >= kLoudFrames) lastSound = at;
  }
  return lastSound >= 0 ? lastSound + kFrameBytes : wholeFramesEnd(in, start);
}

}  // namespace

int64_t wholeFramesEnd(const ProbeInput& in, int64_t start) { return start + (in.length - start) / kFrameBytes * kFrameBytes; }

int findAudioExtent(const ProbeInput& in, AudioExtent& extent) {
  if (findStart(in, extent.start) != 0) return -1;
  extent.end = findEnd(in, extent.start);
  return 0;
}
