#include "probe/track_layout.h"

#include <algorithm>
#include <vector>

#include "probe/probe_input.h"

namespace {

constexpr int32_t kMonoBlockSize = 0x800;  // the largest block size suggested for mono
constexpr size_t kMaxCuts = 1 << 16;       // talvimo numbers at most this many files

// Where the cuts of one kind fall, as offsets from the start of the sound, and which of
// the pieces between them hold sound (a frame that is not quiet).
struct CutList {
  std::vector<int64_t> places;
  std::vector<bool> sounded;  // for each piece: the one before each place, then the last
  bool soundSince = false;    // a frame with sound since the last place

  void note(int64_t at) {
    if (places.size() >= kMaxCuts) return;
    places.push_back(at);
    sounded.push_back(soundSince);
    soundSince = false;
  }
};

// The cuts of each kind.
struct CutPlaces {
  CutList markers;  // marker frames (at pair starts for stereo)
  CutList flagged;  // frames whose flag byte is not 0
  CutList empty;    // empty frames that follow a frame that is not empty
  int64_t frames = 0;
};

int zeroBytes(const uint8_t* frame) {
  int zeros = 0;
  for (int i = 0; i < 16; ++i) zeros += frame[i] == 0;
  return zeros;
}

// The files a cut list gives, and the minimum size that drops the pieces without sound
// (silence between two markers, say). A piece of `size` bytes (a split keeps its frame
// in the next piece, a cut drops it) is written when it completes a pair and is larger
// than the minimum size.
int countTracks(const CutList& cuts, int64_t length, bool dropsFrame, int32_t pairBytes, TrackLayout& t) {
  std::vector<int64_t> sizes;
  int64_t from = 0;
  for (int64_t at : cuts.places) {
    sizes.push_back(at - from);
    from = dropsFrame ? at + 16 : at;
  }
  sizes.push_back(length - from);
  t.minimumSize = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const bool sounded = i < cuts.sounded.size() ? cuts.sounded[i] : cuts.soundSince;
    if (!sounded && sizes[i] >= pairBytes) t.minimumSize = std::max<int32_t>(t.minimumSize, static_cast<int32_t>(sizes[i]));
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
      // Quiet: 14 or more zero bytes (a marker, an empty frame, near silence).
      const int zeros = zeroBytes(frame);
      const bool quiet = zeros >= 14;
      if (place > 0 && (layout.channels == 1 || place % pair == 0) && frame[0] == 0x0C && quiet) cuts.markers.note(place);
      if (frame[1] != 0) cuts.flagged.note(place);
      const bool empty = zeros == 16;
      if (empty && !lastEmpty) cuts.empty.note(place);
      lastEmpty = empty;
      if (!quiet) cuts.markers.soundSince = cuts.flagged.soundSince = cuts.empty.soundSince = true;
      ++cuts.frames;
    }
  });
  if (status != 0) return -1;

  TrackLayout& t = p.tracks;
  const int64_t length = cuts.frames * 16;
  t = TrackLayout{-1, 0, 1, layout.channels == 2 ? layout.blockSize : kMonoBlockSize};
  if (!cuts.markers.places.empty()) {
    t.archiveType = 1;
    if (layout.channels == 1) t.commandBlock = monoBlockFor(cuts.markers.places);
    t.tracks = countTracks(cuts.markers, length, false, 2 * t.commandBlock, t);
    return 0;
  }
  if (layout.channels == 1) {
    // Flags or empty frames that are rare (under one frame in 256) part streams.
    for (const CutList* list : {&cuts.flagged, &cuts.empty}) {
      if (list->places.empty() || static_cast<int64_t>(list->places.size()) * 256 > cuts.frames) continue;
      TrackLayout cut{list == &cuts.flagged ? 5 : 2, 0, 1, 16};
      cut.tracks = countTracks(*list, length, true, 32, cut);
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
