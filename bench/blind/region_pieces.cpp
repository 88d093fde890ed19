#include "region_pieces.h"

#include <algorithm>
#include <string>

#include "fillers.h"
#include "sound_kit.h"

namespace blind {
namespace {

constexpr size_t kVagHeaderBytes = 48;
constexpr size_t kVagVersionAt = 4;
constexpr size_t kVagDataSizeAt = 12;
constexpr size_t kVagRateAt = 16;
constexpr size_t kVagNameAt = 32;
constexpr size_t kVagNameBytes = 16;
constexpr uint32_t kVagVersions[] = {0x02, 0x03, 0x20};
constexpr uint64_t kSmallestEffectBytes = 0x2000;  // two pairs of the truth command's mono blocks and more

double secondsOfStereo(uint64_t bytes, double rate) { return static_cast<double>(bytes) / 2.0 / channelBytesPerSecond(rate); }

double secondsOfMono(uint64_t bytes, double rate) { return static_cast<double>(bytes) / channelBytesPerSecond(rate); }

void setCommand(RegionPiece& piece, size_t block, int channels, ArchiveType type) {
  piece.command.block = block;
  piece.command.channels = channels;
  piece.command.type = type;
  piece.command.start = piece.soundStart;
  piece.command.end = piece.soundEnd;
  piece.command.rate = piece.rate;
}

Signal monoContent(double seconds, double rate, Rng& rng) {
  const double draw = rng.unit();
  if (draw < 0.4) return speech(speaker(rng.chance(0.5) ? 0.0 : rng.uniform(0.002, 0.01), true, rng), seconds, rate, rng);
  if (draw < 0.7) return melodyPiece(seconds, rate, rng);
  Signal out;
  while (static_cast<double>(out.size()) < seconds * rate) {
    const Signal effect = soundEffect(rate, rng);
    out.insert(out.end(), effect.begin(), effect.end());
  }
  return out;
}

std::string clipName(Rng& rng) {
  static const std::vector<std::string> stems = {"voice", "door", "step", "shot", "menu", "jump", "wind", "bell", "hit", "talk"};
  const std::string stem = rng.pick(stems);
  return stem + "_" + std::to_string(rng.between(0, 999));
}

Bytes vagHeader(uint32_t dataBytes, uint32_t rate, Rng& rng) {
  Bytes header(kVagHeaderBytes, 0);
  const std::string magic = "VAGp";
  std::copy(magic.begin(), magic.end(), header.begin());
  putBe32(header, kVagVersionAt, kVagVersions[rng.index(std::size(kVagVersions))]);
  putBe32(header, kVagDataSizeAt, dataBytes);
  putBe32(header, kVagRateAt, rate);
  const std::string name = clipName(rng);
  std::copy_n(name.begin(), std::min(name.size(), kVagNameBytes), header.begin() + kVagNameAt);
  return header;
}

}  // namespace

RegionPiece stereoMusic(size_t block, uint64_t bytes, bool severalTracks, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const int tracks = severalTracks ? static_cast<int>(rng.between(2, 5)) : 1;
  RegionPiece piece;
  for (int n = 0; n < tracks; ++n) {
    const double seconds = std::max(secondsOfStereo(bytes / static_cast<uint64_t>(tracks), rate), secondsFor(1.0, 2 * block, rate));
    const bool marker = severalTracks || rng.chance(0.5);
    const Stereo song = relatedSong(seconds, rate, rng);
    append(piece.bytes, stereoStream(song, pickPeak(rng), block, shapeOf(marker, 0, block), log));
  }
  piece.soundEnd = piece.bytes.size();
  piece.block = block;
  piece.tracks = tracks;
  setCommand(piece, block, 2, severalTracks ? ArchiveType::Marker : ArchiveType::None);
  return piece;
}

RegionPiece monoVoice(uint64_t bytes, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const Signal voice = speech(hissingSpeaker(rng), secondsOfMono(bytes, rate), rate, rng);
  const double peak = pickPeak(rng);
  RegionPiece piece;
  piece.bytes = monoStream(voice, peak, shapeOf(false, 0, rng.chance(0.5) ? kSector : 0), log);
  piece.soundEnd = piece.bytes.size();
  piece.channels = 1;
  setCommand(piece, kMonoCommandBlock, 1, ArchiveType::None);
  return piece;
}

RegionPiece effectBank(int effects, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const bool flagged = rng.chance(0.5);
  RegionPiece piece;
  for (int n = 0; n < effects; ++n) {
    Signal effect = soundEffect(rate, rng);
    effect.resize(std::max(effect.size(), samplesOf(secondsOfMono(kSmallestEffectBytes, rate), rate) + 1), 0.0f);
    ChannelShape shape = shapeOf(false, 1, 0);
    shape.flaggedEnd = flagged;
    append(piece.bytes, monoStream(effect, pickPeak(rng), shape, log));
  }
  piece.soundEnd = piece.bytes.size();
  piece.channels = 1;
  piece.tracks = effects;
  setCommand(piece, kMonoCommandBlock, 1, ArchiveType::EmptyFrame);
  return piece;
}

RegionPiece vagClip(uint64_t bytes, Rng& rng, CodecLog& log) {
  const double rate = pickRate(rng);
  const Signal sound = monoContent(secondsOfMono(std::max<uint64_t>(bytes, 2 * kSector), rate), rate, rng);
  ChannelShape shape = shapeOf(false, rng.chance(0.6) ? 1 : 0, 0);
  shape.flaggedEnd = rng.chance(0.5);
  const Bytes data = monoStream(sound, pickPeak(rng), shape, log);
  RegionPiece piece;
  piece.rate = static_cast<int>(rate);
  piece.bytes = vagHeader(static_cast<uint32_t>(data.size()), static_cast<uint32_t>(rate), rng);
  append(piece.bytes, data);
  piece.soundStart = kVagHeaderBytes;
  piece.soundEnd = piece.bytes.size();
  piece.channels = 1;
  setCommand(piece, kMonoCommandBlock, 1, ArchiveType::None);
  return piece;
}

}  // namespace blind
