// From synthesized signals to the bytes of ADPCM channels and interleaved streams.
#pragma once

#include <cstddef>
#include <string>

#include "adpcm_codec.h"
#include "dsp.h"

namespace blind {

constexpr double kLoudestPeak = 0.9;  // of full scale: keeps the encoder's reconstruction inside 16 bits

// 16-bit samples whose peak is `peak` of full scale (for a signal whose peak is 1);
// exact zeros stay zero.
Pcm toPcm(const Signal& s, double peak);

// What surrounds the encoded sound of one channel.
struct ChannelShape {
  bool markerLead = false;      // one frame of digital silence first: the 0C marker frame
  size_t emptyLeadFrames = 0;   // all-zero frames before everything (lead-in of an empty frame or more)
  size_t padUnit = 0;           // bytes; the channel is completed with silence to a multiple of it (0: not)
  bool flaggedEnd = false;      // the last frame carries the end flag of a one-shot sample
};

// Tally of the encoder's self-check: every channel is decoded back and compared.
struct CodecLog {
  size_t channels = 0;
  size_t frames = 0;
  size_t silentFrames = 0;       // frames of digital silence, each checked to be 0C 00 00 ... 00
  double worstSnrDb = 1e9;
  std::string report() const;
};

// Encodes one channel and checks the encoding (signal-to-noise ratio, silence
// frames); throws std::runtime_error when the check fails.
Bytes encodeChannel(const Pcm& pcm, const ChannelShape& shape, CodecLog& log);

// Samples held by one block of `block` bytes.
size_t samplesPerBlock(size_t block);

// Stereo interleaving: a block of the left channel, then one of the right, and so
// on; when the channels are not whole blocks, the last pair is short (the rest of
// the left channel, then the rest of the right).
Bytes interleave(const Bytes& left, const Bytes& right, size_t block);

Bytes emptyFrames(size_t count);

void append(Bytes& to, const Bytes& from);

}  // namespace blind
