// Helpers shared by the archive kinds and the region pieces: sample rates, block
// sizes and loudness drawn at random, and the steps from a signal to stream bytes.
#pragma once

#include <cstddef>

#include "pieces.h"
#include "rng.h"
#include "streams.h"
#include "voice.h"

namespace blind {

constexpr size_t kSmallestBlock = 0x100;
constexpr size_t kLargestBlock = 0x8000;  // the largest block talvimo reads
constexpr size_t kSector = 0x800;         // CD sector: archives align and pad to it
constexpr size_t kMonoCommandBlock = 0x800;  // mono reads with any block; the truth commands use this one

double pickRate(Rng& rng);

// Bytes per second of one channel.
double channelBytesPerSecond(double rate);

// At least `low` seconds, and long enough for `bytes` of one channel.
double secondsFor(double low, uint64_t bytes, double rate);

// A block size from a log-uniform position 0..1 over 0x100..0x8000, a multiple of
// 16, snapped to a power of two with the given chance.
size_t blockAt(double position, double powerOfTwoChance, Rng& rng);

// A block size anywhere in the range, 0x800 more often than others.
size_t pickBlock(Rng& rng);

// Peak level as a fraction of full scale, between -26.5 and -1.4 dB.
double pickPeak(Rng& rng);

size_t samplesOf(double seconds, double rate);

Signal withLeadingSilence(const Signal& s, double seconds, double rate);

// A mono signal placed in stereo: panned, and delayed on the right by `delayRight` samples.
Stereo panned(const Signal& mono, double position, size_t delayRight);

void scaleToUnitRms(Signal& s);

ChannelShape shapeOf(bool markerLead, size_t emptyLeadFrames, size_t padUnit);

Bytes stereoStream(const Stereo& s, double peak, size_t block, const ChannelShape& shape, CodecLog& log);

Bytes monoStream(const Signal& s, double peak, const ChannelShape& shape, CodecLog& log);

// A speaker of random pitch and pauses; hiss 0 makes the pauses digital silence.
SpeechStyle speaker(double hissLevel, bool soundFirst, Rng& rng);

// A speaker recorded with a hiss floor, who mostly starts at once.
SpeechStyle hissingSpeaker(Rng& rng);

}  // namespace blind
