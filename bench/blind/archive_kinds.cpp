#include "archive_kinds.h"

#include <algorithm>
#include <cmath>

#include "sound_kit.h"

namespace blind {
namespace {

constexpr double kSoundStartFraction = 0.05;  // of the peak: the first frame then holds sound
constexpr size_t kUnrelatedStrata = 12;       // block sizes of the unrelated kind, one per stratum

// One block size per stratum of the range, the top stratum being exactly 0x8000.
size_t stratifiedBlock(size_t variant, Rng& rng) {
  const size_t stratum = variant % kUnrelatedStrata;
  if (stratum == kUnrelatedStrata - 1) return kLargestBlock;
  return blockAt((static_cast<double>(stratum) + rng.unit()) / kUnrelatedStrata, 0.3, rng);
}

// A mono signal with gaps of digital silence: a drum loop, speech with pauses, or
// sound effects one after another.
Signal pausingSignal(double seconds, double rate, bool soundFirst, Rng& rng) {
  const double draw = rng.unit();
  if (draw < 0.45) return drumLoopWithGaps(seconds, rate, rng);
  if (draw < 0.9) return speech(speaker(0.0, soundFirst, rng), seconds, rate, rng);
  Signal out;
  while (static_cast<double>(out.size()) < seconds * rate) {
    Signal effect = soundEffect(rate, rng);
    out.insert(out.end(), effect.begin(), effect.end());
    out.resize(out.size() + samplesOf(rng.uniform(0.1, 0.8), rate), 0.0f);
  }
  return out;
}

// Begins with sound in the first frame, or (when not) with a little digital silence.
Signal startedSignal(Signal s, bool soundFirst, double rate, Rng& rng) {
  if (soundFirst) {
    trimQuietStart(s, kSoundStartFraction);
    return s;
  }
  return withLeadingSilence(s, rng.uniform(0.05, 0.6), rate);
}

void finishStereo(Body& body, size_t block, ArchiveType type) {
  body.channels = 2;
  body.block = block;
  body.command.block = block;
  body.command.channels = 2;
  body.command.type = type;
}

void finishMono(Body& body, size_t commandBlock, ArchiveType type) {
  body.channels = 1;
  body.block = 0;
  body.command.block = commandBlock;
  body.command.channels = 1;
  body.command.type = type;
}

void appendTrack(Body& body, const Bytes& track) {
  body.trackStarts.push_back(body.bytes.size());
  append(body.bytes, track);
  body.soundEnd = body.bytes.size();
}

// Empty frames after a stream belong to the layout: the sound ends after them.
void appendSeparator(Body& body, size_t frames) {
  append(body.bytes, emptyFrames(frames));
  body.soundEnd = body.bytes.size();
  body.endsWithEmptyFrames = true;
}

Body pausesBody(size_t variant, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const bool soundFirst = rng.chance(0.75);
  const Signal mono = startedSignal(pausingSignal(rng.uniform(4.0, 30.0), rate, soundFirst, rng), soundFirst, rate, rng);
  const double peak = pickPeak(rng);
  Body body;
  if (variant % 2 == 0) {
    const size_t block = pickBlock(rng);
    const size_t delay = rng.chance(0.3) ? samplesOf(rng.uniform(0.001, 0.02), rate) : 0;
    appendTrack(body, stereoStream(panned(mono, rng.uniform(-0.6, 0.6), delay), peak, block, shapeOf(false, 0, block), log));
    finishStereo(body, block, ArchiveType::None);
  } else {
    appendTrack(body, monoStream(mono, peak, shapeOf(false, 0, rng.chance(0.5) ? kSector : 0), log));
    finishMono(body, kMonoCommandBlock, ArchiveType::None);
  }
  return body;
}

Body unrelatedBody(size_t variant, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const size_t block = stratifiedBlock(variant, rng);
  const double seconds = std::min(12.0, secondsFor(rng.uniform(3.0, 12.0), 4 * block, rate));
  Stereo s{melodyPiece(seconds, rate, rng), Signal()};
  const double draw = rng.unit();
  if (draw < 0.5) s.right = rhythmPiece(seconds, rate, rng);
  else if (draw < 0.8) s.right = melodyPiece(seconds, rate, rng);
  else s.right = speech(speaker(rng.uniform(0.002, 0.01), true, rng), seconds, rate, rng);
  s.right.resize(s.left.size(), 0.0f);
  scaleToUnitRms(s.left);
  scaleToUnitRms(s.right);
  if (rng.chance(0.5)) std::swap(s.left, s.right);
  normalisePeak(s);
  Body body;
  appendTrack(body, stereoStream(s, pickPeak(rng), block, shapeOf(false, 0, block), log));
  finishStereo(body, block, ArchiveType::None);
  return body;
}

// A stereo stream for the empty-frame kind: a song, speech with pauses, or two unrelated lines.
Stereo separatedStream(double seconds, double rate, Rng& rng) {
  const double draw = rng.unit();
  if (draw < 0.5) return relatedSong(seconds, rate, rng);
  if (draw < 0.75) {
    const bool soundFirst = rng.chance(0.7);
    const Signal voice = startedSignal(pausingSignal(seconds, rate, soundFirst, rng), soundFirst, rate, rng);
    return panned(voice, rng.uniform(-0.5, 0.5), 0);
  }
  Stereo s{melodyPiece(seconds, rate, rng), rhythmPiece(seconds, rate, rng)};
  normalisePeak(s);
  return s;
}

Body emptySeparatedBody(Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const size_t block = pickBlock(rng);
  const int streams = static_cast<int>(rng.between(3, 4));
  Body body;
  for (int n = 0; n < streams; ++n) {
    const double seconds = secondsFor(rng.uniform(2.5, 14.0), 3 * block, rate);
    const Stereo stream = separatedStream(seconds, rate, rng);
    const double peak = pickPeak(rng);
    appendTrack(body, stereoStream(stream, peak, block, shapeOf(rng.chance(0.3), 0, 0), log));
    appendSeparator(body, 1);
  }
  body.tracks = streams;
  finishStereo(body, block, ArchiveType::EmptyFrame);
  return body;
}

Body clipsBody(Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const int clips = static_cast<int>(rng.between(3, 5));
  const size_t separator = rng.chance(0.6) ? 1 : static_cast<size_t>(rng.between(2, 3));
  Body body;
  for (int n = 0; n < clips; ++n) {
    const bool soundFirst = rng.chance(0.7);
    const double seconds = secondsFor(rng.uniform(1.5, 6.0), 3 * kMonoCommandBlock, rate);
    const Signal clip = startedSignal(pausingSignal(seconds, rate, soundFirst, rng), soundFirst, rate, rng);
    appendTrack(body, monoStream(clip, pickPeak(rng), shapeOf(false, 0, 0), log));
    appendSeparator(body, separator);
  }
  body.tracks = clips;
  finishMono(body, kMonoCommandBlock, ArchiveType::EmptyFrame);
  return body;
}

Body musicBody(Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const size_t block = pickBlock(rng);
  const double seconds = secondsFor(rng.uniform(3.0, 60.0), 2 * block, rate);
  const size_t leadIn = rng.chance(0.35) ? static_cast<size_t>(rng.between(1, 6)) : 0;
  Body body;
  const Stereo song = relatedSong(seconds, rate, rng);
  const double peak = pickPeak(rng);
  appendTrack(body, stereoStream(song, peak, block, shapeOf(rng.chance(0.5), leadIn, block), log));
  body.leadInEmptyFrames = leadIn > 0;
  finishStereo(body, block, ArchiveType::None);
  return body;
}

Body markersBody(Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const size_t block = pickBlock(rng);
  const int tracks = static_cast<int>(rng.between(3, 5));
  Body body;
  for (int n = 0; n < tracks; ++n) {
    const double seconds = secondsFor(rng.uniform(3.0, 20.0), 2 * block, rate);
    const Stereo song = relatedSong(seconds, rate, rng);
    appendTrack(body, stereoStream(song, pickPeak(rng), block, shapeOf(true, 0, block), log));
  }
  body.tracks = tracks;
  finishStereo(body, block, ArchiveType::Marker);
  return body;
}

Body monoBody(size_t variant, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  Body body;
  if (variant % 2 == 0) {  // one voice or one instrument
    const double seconds = rng.uniform(3.0, 60.0);
    const Signal sound = rng.chance(0.5) ? speech(hissingSpeaker(rng), seconds, rate, rng) : melodyPiece(seconds, rate, rng);
    const size_t leadIn = rng.chance(0.3) ? static_cast<size_t>(rng.between(1, 6)) : 0;
    const double peak = pickPeak(rng);
    appendTrack(body, monoStream(sound, peak, shapeOf(false, leadIn, rng.chance(0.5) ? kSector : 0), log));
    body.leadInEmptyFrames = leadIn > 0;
    finishMono(body, kMonoCommandBlock, ArchiveType::None);
    return body;
  }
  // Several instrument tracks, each opening with a marker frame and padded to a unit:
  // talvimo cuts them with -t1 when a pair of blocks is that unit.
  const size_t unit = static_cast<size_t>(rng.pick(std::vector<int64_t>{0x400, 0x800, 0x1000}));
  const int tracks = static_cast<int>(rng.between(3, 5));
  for (int n = 0; n < tracks; ++n) {
    const Signal melody = melodyPiece(rng.uniform(3.0, 15.0), rate, rng);
    appendTrack(body, monoStream(melody, pickPeak(rng), shapeOf(true, 0, unit), log));
  }
  body.tracks = tracks;
  finishMono(body, unit / 2, ArchiveType::Marker);
  return body;
}

}  // namespace

std::string kindWord(Kind kind) {
  switch (kind) {
    case Kind::Pauses: return "pauses";
    case Kind::Unrelated: return "unrelated";
    case Kind::EmptySeparated: return "emptysep";
    case Kind::Clips: return "clips";
    case Kind::Music: return "music";
    case Kind::Markers: return "markers";
    case Kind::Mono: return "mono";
  }
  return "unknown";
}

Body buildBody(Kind kind, size_t variant, Rng& rng, CodecLog& log) {
  switch (kind) {
    case Kind::Pauses: return pausesBody(variant, rng, log);
    case Kind::Unrelated: return unrelatedBody(variant, rng, log);
    case Kind::EmptySeparated: return emptySeparatedBody(rng, log);
    case Kind::Clips: return clipsBody(rng, log);
    case Kind::Music: return musicBody(rng, log);
    case Kind::Markers: return markersBody(rng, log);
    case Kind::Mono: return monoBody(variant, rng, log);
  }
  return {};
}

}  // namespace blind
