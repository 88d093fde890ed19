#include "sound_kit.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace blind {
namespace {

const std::vector<int64_t> kRates = {22050, 24000, 32000, 37800, 44100, 48000};

size_t toBlock(double size) {
  const size_t rounded = static_cast<size_t>(std::lround(size / kFrameBytes)) * kFrameBytes;
  return std::clamp(rounded, kSmallestBlock, kLargestBlock);
}

size_t nearestPowerOfTwo(size_t size) { return size_t{1} << static_cast<size_t>(std::lround(std::log2(static_cast<double>(size)))); }

}  // namespace

double pickRate(Rng& rng) { return static_cast<double>(rng.pick(kRates)); }

double channelBytesPerSecond(double rate) { return rate * kFrameBytes / kSamplesPerFrame; }

double secondsFor(double low, uint64_t bytes, double rate) { return std::max(low, 1.1 * static_cast<double>(bytes) / channelBytesPerSecond(rate)); }

size_t blockAt(double position, double powerOfTwoChance, Rng& rng) {
  const double octaves = std::log2(static_cast<double>(kLargestBlock) / kSmallestBlock);
  const size_t size = toBlock(kSmallestBlock * std::pow(2.0, octaves * position));
  return rng.chance(powerOfTwoChance) ? std::clamp(nearestPowerOfTwo(size), kSmallestBlock, kLargestBlock) : size;
}

size_t pickBlock(Rng& rng) { return rng.chance(0.15) ? kSector : blockAt(rng.unit(), 0.4, rng); }

double pickPeak(Rng& rng) { return kLoudestPeak * rng.decibels(-26.0, -0.5); }

size_t samplesOf(double seconds, double rate) { return static_cast<size_t>(seconds * rate); }

Signal withLeadingSilence(const Signal& s, double seconds, double rate) {
  Signal out(samplesOf(seconds, rate), 0.0f);
  out.insert(out.end(), s.begin(), s.end());
  return out;
}

Stereo panned(const Signal& mono, double position, size_t delayRight) {
  const double angle = (position + 1.0) * std::numbers::pi / 4.0;
  Stereo out{Signal(mono.size(), 0.0f), Signal(mono.size(), 0.0f)};
  mixInto(out.left, mono, 0, std::cos(angle));
  mixInto(out.right, mono, delayRight, std::sin(angle));
  normalisePeak(out);
  return out;
}

void scaleToUnitRms(Signal& s) {
  const double rms = rmsOfSound(s);
  if (rms > 0.0)
    for (float& v : s) v = static_cast<float>(v / rms);
}

ChannelShape shapeOf(bool markerLead, size_t emptyLeadFrames, size_t padUnit) {
  ChannelShape shape;
  shape.markerLead = markerLead;
  shape.emptyLeadFrames = emptyLeadFrames;
  shape.padUnit = padUnit;
  return shape;
}

Bytes stereoStream(const Stereo& s, double peak, size_t block, const ChannelShape& shape, CodecLog& log) {
  return interleave(encodeChannel(toPcm(s.left, peak), shape, log), encodeChannel(toPcm(s.right, peak), shape, log), block);
}

Bytes monoStream(const Signal& s, double peak, const ChannelShape& shape, CodecLog& log) { return encodeChannel(toPcm(s, peak), shape, log); }

SpeechStyle speaker(double hissLevel, bool soundFirst, Rng& rng) {
  SpeechStyle style;
  style.pitchHz = rng.uniform(85.0, 260.0);
  style.pauseMin = rng.uniform(0.15, 0.4);
  style.pauseMax = style.pauseMin + rng.uniform(0.3, 1.5);
  style.hissLevel = hissLevel;
  style.startsWithSound = soundFirst;
  return style;
}

SpeechStyle hissingSpeaker(Rng& rng) {
  const double hiss = rng.uniform(0.002, 0.02);
  const bool soundFirst = rng.chance(0.7);
  return speaker(hiss, soundFirst, rng);
}

}  // namespace blind
