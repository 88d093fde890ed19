#include "probe/track_layout.h"

#include <algorithm>
#include <vector>

#include "probe/audio_extent.h"
#include "probe/probe_input.h"

namespace {

constexpr int32_t kMonoBlockSize = 0x800;  // the largest block size suggested for mono
constexpr size_t kMaxCuts = 1 << 16;       // talvimo numbers at most this many files

// Where the cuts of each kind fall, as offsets from the start of the sound.
struct CutPlaces {
  std::vector<int64_t> markers;  // marker frames (at pair starts for stereo)
  std::vector<int64_t> flagged;  // frames whose flag byte is not 0
  std::vector<int64_t> empty;    // empty frames that follow a frame that is not empty
  int64_t frames = 0;
};

bool isMarkerFrame(const uint8_t* frame) {
  int zeros = 0;
  for (int i = 0; i < 16; ++i) zeros += frame[i] == 0;
  return frame[0] == 0x0C && zeros >= 14;
}

void note(std::vector<int64_t>& places, int64_t at) {
  if (places.size() < kMaxCuts) places.push_back(at);
}

// The segments a cut list leaves (sizes in bytes), the last one reaching `length`. A
// split keeps its frame in the next segment; a cut drops it.
std::vector<int64_t> segments(const std::vector<int64_t>& places, int64_t length, bool dropsFrame) {
  std::vector<int64_t> sizes;
  int64_t from = 0;
  for (int64_t at : places) {
    sizes.push_back(at - from);
    from = dropsFrame ? at + 16 : at;
  }
  sizes.push_back(length - from);
  return sizes;
}

// Files written for these segments: those larger than the minimum size that complete
// a pair. Sets a minimum size that drops pieces under a sixteenth of the largest.
int countTracks(const std::vector<int64_t>& sizes, int32_t pairBytes, TrackLayout& t) {
  const int64_t largest = *std::max_element(sizes.begin(), sizes.end());
  t.minimumSize = 0;
  for (int64_t size : sizes) {
    if (size < largest / 16 && size >= pairBytes) t.minimumSize = std::max<int32_t>(t.minimumSize, static_cast<int32_t>(size));
  }
  int files = 0;
  for (int64_t size : sizes) files += size > t.minimumSize && size >= pairBytes;
  return std::max(files, 1);
}

int32_t monoBlockFor(const std::vector<int64_t>& markers) {
  for (int32_t block = kMonoBlockSize; block >= 16; block /= 2) {
    bool aligned = true;
    for (int64_t at : markers) aligned = aligned && at % (2 * block) == 0;
    if (aligned) return block;
  }
  return 8;  // pairs of one frame each: every frame begins a pair
}

}  // namespace

int findTracks(ProbeState& p, FILE* input) {
  const LayoutCandidate& layout = chosenLayout(p);
  const int64_t pair = 2 * static_cast<int64_t>(layout.blockSize);
  CutPlaces cuts;
  bool lastEmpty = true;
  const int status = readFrames(input, p.start, p.end, [&](const uint8_t* bytes, size_t count, int64_t offset) {
    for (size_t at = 0; at + 16 <= count; at += 16) {
      const uint8_t* frame = bytes + at;
      const int64_t place = offset + static_cast<int64_t>(at) - p.start;
      if (place > 0 && (layout.channels == 1 || place % pair == 0) && isMarkerFrame(frame)) note(cuts.markers, place);
      if (frame[1] != 0) note(cuts.flagged, place);
      const bool empty = isEmptyFrame(frame);
      if (empty && !lastEmpty) note(cuts.empty, place);
      lastEmpty = empty;
      ++cuts.frames;
    }
  });
  if (status != 0) return -1;

  TrackLayout& t = p.tracks;
  const int64_t length = cuts.frames * 16;
  t = TrackLayout{-1, 0, 1, layout.channels == 2 ? layout.blockSize : kMonoBlockSize};
  if (!cuts.markers.empty()) {
    t.archiveType = 1;
    if (layout.channels == 1) t.commandBlock = monoBlockFor(cuts.markers);
    t.tracks = countTracks(segments(cuts.markers, length, false), 2 * t.commandBlock, t);
    return 0;
  }
  if (layout.channels == 1) {
    // Flags or empty frames that are rare (under one frame in 256) part streams.
    for (const std::vector<int64_t>* places : {&cuts.flagged, &cuts.empty}) {
      if (places->empty() || static_cast<int64_t>(places->size()) * 256 > cuts.frames) continue;
      TrackLayout cut{places == &cuts.flagged ? 5 : 2, 0, 1, 16};
      cut.tracks = countTracks(segments(*places, length, true), 32, cut);
      if (cut.tracks < 2) continue;  // a padded end, not a boundary between streams
      t = cut;
      return 0;
    }
  }
  // One stream. A mono block size whose pairs fill the sound exactly loses nothing at
  // its end.
  if (layout.channels == 1) {
    while (t.commandBlock > 16 && length % (2 * t.commandBlock) != 0) t.commandBlock /= 2;
  }
  return 0;
}
