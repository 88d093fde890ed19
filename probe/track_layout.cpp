#include "probe/track_layout.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kMonoBlockSize = 0x800;   // the largest block size suggested for mono
constexpr int32_t kEveryFrameBlock = 8;     // a mono block of half a frame: talvimo sees every frame begin a pair
constexpr size_t kMaxCuts = 1 << 18;        // cuts recorded, four times what one talvimo run can number
constexpr int64_t kRareCut = 256;           // flags or empty frames part streams when under one frame in this many
constexpr int kMonoBlocks = 9;              // 0x800, 0x400 ... 0x10, then every frame
constexpr int64_t kTrackLeadIn = 8;         // silent frames a track may open with (5 ms at 44.1 kHz)
constexpr int64_t kLeastStreamFrames = 8;   // fewer frames after the last separator are no stream

// How sure the probe is of each way of cutting, once the evidence for it holds.
constexpr double kSureOfOneStream = 0.97;   // nothing in the sound could part it
constexpr double kSureOfMarkers = 0.95;     // every marker talvimo would cut at begins sound
constexpr double kSureOfSeparators = 0.92;  // empty frames part streams that each hold pairs
constexpr double kSureOfFlags = 0.85;       // rare flagged frames end streams
constexpr double kUnsureOfPauses = 0.7;     // silence at pair starts inside the sound: one stream, to lose nothing

// Where the cuts of one kind fall, as offsets from the start of the sound, and which of
// the pieces between them hold sound (a frame that is not quiet).
struct CutList {
  std::vector<int64_t> places;
  std::vector<bool> sounded;  // for each piece: the one before each place, then the last
  bool soundSince = false;    // a frame with sound since the last place
  bool overflowed = false;    // more cuts than are recorded: no archive of tracks

  void note(int64_t at) {
    if (places.size() >= kMaxCuts) {
      overflowed = true;
      return;
    }
    places.push_back(at);
    sounded.push_back(soundSince);
    soundSince = false;
  }
  void sound() { soundSince = true; }
};

// A marker frame where talvimo would cut, and whether it begins sound: in each channel
// sound begins within a few frames of the block's first (a track may open with a little
// digital silence, written as marker frames). Silence inside a stream is written as runs
// of marker frames too, and a pause that a pair start falls in mostly goes on longer.
struct MarkerCut {
  int64_t place;
  int64_t pending;  // frames still to be seen before it is judged
  size_t index;     // in the cut list (the sound's first frame is in none)
  bool soundFirst = false;    // sound begins in the pair's first block within kTrackLeadIn frames
  bool secondMarked = true;   // stereo: the pair's second block begins with a marker too
  bool soundSecond = false;   // stereo: and its sound begins as soon
  bool beginsSound(bool stereo) const { return soundFirst && (!stereo || (secondMarked && soundSecond)); }
};

constexpr size_t kNoIndex = SIZE_MAX;

// The markers at pair starts of one block size, judged as they are read.
struct MarkerCuts {
  int64_t pairFrames = 0;   // frames per pair (0: every frame begins one)
  int64_t blockFrames = 0;  // stereo: frames per block, whose first frames are judged too
  CutList cuts;             // every marker at a pair start but the first frame's
  std::vector<bool> beginsSound;  // for each cut
  int64_t tracksBegun = 0;  // cuts that begin sound
  bool firstIsMarker = false;
  std::vector<MarkerCut> open;

  bool atPairStart(int64_t frame) const { return pairFrames == 0 || frame % pairFrames == 0; }
  // Frames after a block's first in which its sound must begin: within the block.
  int64_t leadIn() const { return blockFrames == 0 ? kTrackLeadIn : std::clamp<int64_t>(blockFrames - 1, 1, kTrackLeadIn); }
  void close(const MarkerCut& cut) {
    const bool begins = cut.beginsSound(blockFrames > 0);
    if (cut.index == kNoIndex) {
      firstIsMarker = cut.place == 0 && begins;
      return;
    }
    beginsSound[cut.index] = begins;
    tracksBegun += begins;
  }
};

struct Frame {
  bool marker, quiet, empty;
  uint8_t flag;
};

// Everything the cutting of the sound depends on, gathered in one read.
struct SoundCuts {
  int channels = 1;
  MarkerCuts stereoMarkers;              // stereo: markers at pair starts
  MarkerCuts monoMarkers[kMonoBlocks];   // mono: the same for each block size
  CutList flagged;                       // frames whose flag byte is not 0
  CutList empty;                         // empty frames
  int64_t innerEmptyRuns = 0;            // runs of empty frames with sound after them
  int64_t longestInnerRun = 0;           // the longest of them
  int64_t emptyRun = 0;                  // the empty frames right before the current one (at the end: the padding)
  int64_t frames = 0;
};

int32_t monoBlockAt(int index) { return index == kMonoBlocks - 1 ? kEveryFrameBlock : kMonoBlockSize >> index; }

// A marker at a pair start is judged by the few frames after it, and for stereo by the
// first few frames of the second block of the pair.
void judgeMarkers(MarkerCuts& m, int64_t frame, const Frame& f, bool stereo) {
  const int64_t lead = m.leadIn();
  for (MarkerCut& cut : m.open) {
    const int64_t at = frame - cut.place;
    if (at >= 1 && at <= lead && !f.marker) cut.soundFirst = true;
    if (stereo && at == m.blockFrames && !f.marker) cut.secondMarked = false;
    if (stereo && at > m.blockFrames && at <= m.blockFrames + lead && !f.marker) cut.soundSecond = true;
    cut.pending -= 1;
  }
  while (!m.open.empty() && m.open.front().pending == 0) {
    m.close(m.open.front());
    m.open.erase(m.open.begin());
  }
  if (!f.marker || !m.atPairStart(frame)) return;
  size_t index = kNoIndex;
  if (frame != 0 && !m.cuts.overflowed) {
    m.cuts.note(frame * kFrameBytes);
    if (!m.cuts.overflowed) index = m.cuts.places.size() - 1, m.beginsSound.push_back(false);
  }
  m.open.push_back(MarkerCut{frame, (stereo ? m.blockFrames : 0) + lead, index});
}

void note(SoundCuts& c, const uint8_t* bytes) {
  const int zeros = zeroBytes(bytes);
  const Frame f{isMarkerFrame(bytes, zeros), isQuietFrame(zeros), isEmptyFrame(zeros), bytes[kFlagByte]};
  const int64_t frame = c.frames;
  const int64_t place = frame * kFrameBytes;
  if (c.channels == 2) {
    judgeMarkers(c.stereoMarkers, frame, f, true);
  } else {
    for (MarkerCuts& m : c.monoMarkers) judgeMarkers(m, frame, f, false);
  }
  if (f.flag != 0) c.flagged.note(place);
  if (f.empty) {
    c.empty.note(place);
    c.emptyRun += 1;
  } else if (c.emptyRun > 0) {
    c.innerEmptyRuns += 1;
    c.longestInnerRun = std::max(c.longestInnerRun, c.emptyRun);
    c.emptyRun = 0;
  }
  if (!f.quiet) {
    c.stereoMarkers.cuts.sound();
    for (MarkerCuts& m : c.monoMarkers) m.cuts.sound();
    c.flagged.sound();
    c.empty.sound();
  }
  c.frames += 1;
}

// A marker still open at the end of the sound begins no sound: it pads the end (a cut
// there leaves a piece of silence, which the minimum size drops).
void finish(SoundCuts& c) {
  for (MarkerCuts* m : {&c.stereoMarkers}) {
    for (MarkerCut& cut : m->open) cut.soundFirst = false, m->close(cut);
    m->open.clear();
  }
  for (MarkerCuts& m : c.monoMarkers) {
    for (MarkerCut& cut : m.open) cut.soundFirst = false, m.close(cut);
    m.open.clear();
  }
}

// The files a cut list gives, and the minimum size that drops the pieces without sound
// (silence between two markers, say). A piece of `size` bytes (a split keeps its frame
// in the next piece, a cut drops it) is written when it completes a pair and is larger
// than the minimum size. `shortPieces` counts the pieces too short for a pair, but the
// last; t.fileStarts gets where each file's piece begins.
int countTracks(const CutList& cuts, int64_t length, bool dropsFrame, int32_t pairBytes, TrackLayout& t,
                int* shortPieces = nullptr) {
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
  t.fileStarts.clear();
  int tooShort = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (sizes[i] > t.minimumSize && sizes[i] >= pairBytes) {
      t.fileStarts.push_back(i == 0 ? 0 : cuts.places[i - 1] + (dropsFrame ? kFrameBytes : 0));
    }
    tooShort += sizes[i] > 0 && sizes[i] < pairBytes && i + 1 < sizes.size();
  }
  if (shortPieces != nullptr) *shortPieces = tooShort;
  if (t.fileStarts.empty()) t.fileStarts.push_back(0);
  return static_cast<int>(t.fileStarts.size());
}

// Type 1: the sound begins with a marker, and so does every track: a marker at a pair
// start that begins sound in each channel. A stream that does not begin with a marker
// is no archive of tracks that begin with one. A marker at a pair start inside silence
// may only begin a piece of silence (between two tracks), which the minimum size drops:
// where sound follows it in the same piece, it is a pause inside a piece of music, and
// cutting there would make two files of one.
bool markerTracks(const MarkerCuts& m, int64_t length, int32_t block, TrackLayout& t) {
  if (!m.firstIsMarker || m.tracksBegun == 0 || m.cuts.overflowed) return false;
  for (size_t k = 0; k < m.cuts.places.size(); ++k) {
    const bool soundAfter = k + 1 < m.cuts.sounded.size() ? m.cuts.sounded[k + 1] : m.cuts.soundSince;
    if (!m.beginsSound[k] && soundAfter) return false;
  }
  t = TrackLayout{kMarkerTracks, 0, 1, block, kSureOfMarkers, 0, {}};
  t.tracks = countTracks(m.cuts, length, false, 2 * block, t);
  return true;
}

// Type 2: empty frames part streams, each of which completes pairs. For stereo each is
// one empty frame between streams of at least two pairs (pairing begins anew after it,
// as the layout found), or a short run of them where pairing began anew after every run
// the layout weighed (talvimo drops each and pairs anew after the last); for mono a few
// empty frames between streams.
bool separatedStreams(const SoundCuts& c, int64_t length, int32_t block, const LayoutChoice& choice, TrackLayout& t) {
  // (length is the sound's, from the start of the pairs)
  if (c.innerEmptyRuns == 0 || c.empty.overflowed || c.innerEmptyRuns * kRareCut > c.frames) return false;
  const bool stereo = c.channels == 2;
  const bool runsPart = choice.continuations == 0 && c.longestInnerRun <= kMaxSeparatorRun;
  if (stereo && (choice.restarts == 0 || (c.longestInnerRun > 1 && !runsPart))) return false;
  TrackLayout cut{kEmptyFrameCuts, 0, 1, block, kSureOfSeparators, 0, {}};
  // Empty frames that end the sound pad it: it ends with the first of them (the last
  // stream's separator), and they part nothing.
  CutList cuts = c.empty;
  if (c.emptyRun > 1) {
    cuts.places.resize(cuts.places.size() - static_cast<size_t>(c.emptyRun - 1));
    cuts.sounded.resize(cuts.places.size());
    cuts.soundSince = false;
    length -= (c.emptyRun - 1) * kFrameBytes;
    cut.soundEnd = length;
  }
  // A few frames after the last empty frame are other data that happens to look like
  // frames (streams end with their separator): the sound ends at the separator.
  if (length - cuts.places.back() - kFrameBytes < kFrameBytes * kLeastStreamFrames) {
    length = cuts.places.back() + kFrameBytes;
    cut.soundEnd = length;
  }
  int shortPieces = 0;
  cut.tracks = countTracks(cuts, length, true, 2 * block, cut, &shortPieces);
  if (cut.tracks < 2) return false;  // a padded end, not a boundary between streams
  if (stereo && shortPieces > 0) return false;  // silence at a block's start, not a stream's end
  t = cut;
  return true;
}

// Type 5 (mono): rare flagged frames end streams.
bool flaggedStreams(const SoundCuts& c, int64_t length, TrackLayout& t) {
  const CutList& cuts = c.flagged;
  if (cuts.places.empty() || cuts.overflowed || static_cast<int64_t>(cuts.places.size()) * kRareCut > c.frames) return false;
  TrackLayout cut{kFlaggedFrameCuts, 0, 1, kFrameBytes, kSureOfFlags, 0, {}};
  cut.tracks = countTracks(cuts, length, true, 2 * kFrameBytes, cut);
  if (cut.tracks < 2) return false;
  t = cut;
  return true;
}

}  // namespace

int findTracks(const ProbeInput& in, const AudioExtent& extent, const LayoutChoice& choice, TrackLayout& t) {
  const LayoutCandidate& layout = chosenLayout(choice);
  SoundCuts c;
  c.channels = layout.channels;
  if (c.channels == 2) {
    c.stereoMarkers.blockFrames = layout.blockSize / kFrameBytes;
    c.stereoMarkers.pairFrames = 2 * c.stereoMarkers.blockFrames;
  }
  for (int i = 0; i < kMonoBlocks; ++i) c.monoMarkers[i].pairFrames = 2 * monoBlockAt(i) / kFrameBytes;
  const int status = readFrames(in, choice.start, extent.end, [&](const uint8_t* bytes, size_t count, int64_t) {
    for (size_t at = 0; at + kFrameBytes <= count; at += kFrameBytes) note(c, bytes + at);
  });
  if (status != 0) return -1;
  finish(c);

  const int64_t length = c.frames * kFrameBytes;
  const bool stereo = c.channels == 2;
  // Nothing the sound holds could part it: one stream, surely.
  t = TrackLayout{kOneStream, 0, 1, stereo ? layout.blockSize : kMonoBlockSize, kSureOfOneStream, 0, {0}};
  if (stereo) {
    if (separatedStreams(c, length, layout.blockSize, choice, t)) return 0;
    if (markerTracks(c.stereoMarkers, length, layout.blockSize, t)) return 0;
    if (!c.stereoMarkers.cuts.places.empty()) t.confidence = kUnsureOfPauses;
  } else {
    // The largest block size whose pairs begin at every marker that begins sound (the
    // last size sees every frame begin a pair).
    const int64_t starts = c.monoMarkers[kMonoBlocks - 1].tracksBegun;
    for (int i = 0; i < kMonoBlocks; ++i) {
      if (c.monoMarkers[i].tracksBegun == starts && markerTracks(c.monoMarkers[i], length, monoBlockAt(i), t)) return 0;
    }
    if (separatedStreams(c, length, kFrameBytes, choice, t)) return 0;
    if (flaggedStreams(c, length, t)) return 0;
    if (!c.monoMarkers[kMonoBlocks - 1].cuts.places.empty()) t.confidence = kUnsureOfPauses;
    // A mono block size whose pairs fill the sound exactly loses nothing at its end.
    while (t.commandBlock > kFrameBytes && length % (2 * t.commandBlock) != 0) t.commandBlock /= 2;
  }
  return 0;
}
