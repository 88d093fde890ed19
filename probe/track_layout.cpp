#include "probe/track_layout.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kMonoBlockSize = 0x800;  // the largest block size suggested for mono
constexpr size_t kMaxCuts = 1 << 16;       // talvimo numbers at most this many files
constexpr int64_t kRareCut = 256;          // flags or empty frames part streams when under one frame in this many

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

// The files a cut list gives, and the minimum size that drops the pieces without sound
// (silence between two markers, say). A piece of `size` bytes (a split keeps its frame
// in the next piece, a cut drops it) is written when it completes a pair and is larger
// than the minimum size.
int countTracks(const CutList& cuts, int64_t length, bool dropsFrame, int32_t pairBytes, TrackLayout& t) {
  std::vector<int64_t> sizes;
  int64_t from = 0;
  for (int64_t at : cuts.places) {
    sizes.push_back(at - from);
    from = dropsFrame ? at + kFrameBytes : at;
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
  for (int32_t block = kMonoBlockSize; block >= kFrameBytes; block /= 2) {
    bool aligned = true;
    for (int64_t at : markers) aligned = aligned && at % (2 * block) == 0;
    if (aligned) return block;
  }
  return 8;  // pairs of one frame each: every frame begins a pair
}

}  // namespace

int findTracks(const ProbeInput& in, const AudioExtent& extent, const LayoutChoice& choice, TrackLayout& t) {
  const LayoutCandidate& layout = chosenLayout(choice);
  const int64_t pair = 2 * static_cast<int64_t>(layout.blockSize);
  CutPlaces cuts;
  bool lastEmpty = true;
  const int status = readFrames(in.file, choice.start, extent.end, [&](const uint8_t* bytes, size_t count, int64_t offset) {
    for (size_t at = 0; at + kFrameBytes <= count; at += kFrameBytes) {
      const uint8_t* frame = bytes + at;
      const int64_t place = offset + static_cast<int64_t>(at) - choice.start;
      const int zeros = zeroBytes(frame);
      if (place > 0 && (layout.channels == 1 || place % pair == 0) && isMarkerFrame(frame, zeros)) cuts.markers.note(place);
      if (frame[kFlagByte] != 0) cuts.flagged.note(place);
      const bool empty = isEmptyFrame(zeros);
      if (empty && !lastEmpty) cuts.empty.note(place);
      lastEmpty = empty;
      if (!isQuietFrame(zeros)) cuts.markers.soundSince = cuts.flagged.soundSince = cuts.empty.soundSince = true;
      ++cuts.frames;
    }
  });
  if (status != 0) return -1;

  const int64_t length = cuts.frames * kFrameBytes;
  t = TrackLayout{kOneStream, 0, 1, layout.channels == 2 ? layout.blockSize : kMonoBlockSize};
  if (!cuts.markers.places.empty()) {
    t.archiveType = kMarkerTracks;
    if (layout.channels == 1) t.commandBlock = monoBlockFor(cuts.markers.places);
    t.tracks = countTracks(cuts.markers, length, false, 2 * t.commandBlock, t);
    return 0;
  }
  if (layout.channels == 1) {
    // Flags or empty frames that are rare part streams.
    for (const CutList* list : {&cuts.flagged, &cuts.empty}) {
      if (list->places.empty() || static_cast<int64_t>(list->places.size()) * kRareCut > cuts.frames) continue;
      TrackLayout cut{list == &cuts.flagged ? kFlaggedFrameCuts : kEmptyFrameCuts, 0, 1, kFrameBytes};
      cut.tracks = countTracks(*list, length, true, 2 * kFrameBytes, cut);
      if (cut.tracks < 2) continue;  // a padded end, not a boundary between streams
      t = cut;
      return 0;
    }
  }
  // One stream. A mono block size whose pairs fill the sound exactly loses nothing at
  // its end.
  if (layout.channels == 1) {
    while (t.commandBlock > kFrameBytes && length % (2 * t.commandBlock) != 0) t.commandBlock /= 2;
  }
  return 0;
}
