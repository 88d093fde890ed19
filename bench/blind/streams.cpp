#include "streams.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

namespace blind {
namespace {

constexpr double kFullScale = 32767.0;
constexpr double kLowestSnrDb = 10.0;  // below this the encoder is broken, not just coarse

Bytes silenceFrame() {
  Bytes frame(kFrameBytes, 0);
  frame[kHeaderByte] = kSilenceHeader;
  return frame;
}

// Every frame whose samples are all zero must be the silence frame, and decode to zeros.
size_t checkSilence(const Pcm& source, const Bytes& frames, const std::vector<int32_t>& decoded) {
  static const Bytes silence = silenceFrame();
  size_t silent = 0;
  for (size_t f = 0; f * kSamplesPerFrame < source.size(); ++f) {
    const auto begin = source.begin() + static_cast<std::ptrdiff_t>(f * kSamplesPerFrame);
    const auto end = source.begin() + static_cast<std::ptrdiff_t>(std::min(source.size(), (f + 1) * kSamplesPerFrame));
    if (!std::all_of(begin, end, [](int16_t v) { return v == 0; })) continue;
    ++silent;
    const bool frameRight = std::equal(silence.begin(), silence.end(), frames.begin() + static_cast<std::ptrdiff_t>(f * kFrameBytes));
    const auto played = decoded.begin() + static_cast<std::ptrdiff_t>(f * kSamplesPerFrame);
    const bool playsSilent = std::all_of(played, played + static_cast<std::ptrdiff_t>(kSamplesPerFrame), [](int32_t v) { return v == 0; });
    if (!frameRight || !playsSilent) throw std::runtime_error("encoder self-check: digital silence did not encode to 0C 00 00 ... 00");
  }
  return silent;
}

void checkEncoding(const Pcm& source, const Bytes& frames, CodecLog& log) {
  const std::vector<int32_t> decoded = decodeAdpcm(frames);
  const double snr = snrDb(source, decoded);
  if (snr < kLowestSnrDb) {
    std::ostringstream message;
    message << "encoder self-check: signal-to-noise ratio " << snr << " dB";
    throw std::runtime_error(message.str());
  }
  log.silentFrames += checkSilence(source, frames, decoded);
  log.worstSnrDb = std::min(log.worstSnrDb, snr);
  log.frames += frames.size() / kFrameBytes;
  ++log.channels;
}

size_t framesFor(size_t samples) { return (samples + kSamplesPerFrame - 1) / kSamplesPerFrame; }

}  // namespace

std::string CodecLog::report() const {
  std::ostringstream out;
  out << "encoder self-check: " << channels << " channels, " << frames << " frames decoded back, worst SNR " << worstSnrDb
      << " dB, " << silentFrames << " frames of digital silence all 0C 00 00 ... 00";
  return out.str();
}

Pcm toPcm(const Signal& s, double peak) {
  const double scale = std::min(peak, kLoudestPeak) * kFullScale;
  Pcm out(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const double v = std::clamp(std::round(s[i] * scale), -kFullScale, kFullScale);
    out[i] = static_cast<int16_t>(v);
  }
  return out;
}

Bytes encodeChannel(const Pcm& pcm, const ChannelShape& shape, CodecLog& log) {
  Pcm source;
  if (shape.markerLead) source.assign(kSamplesPerFrame, 0);
  source.insert(source.end(), pcm.begin(), pcm.end());
  size_t frames = framesFor(source.size());
  if (shape.padUnit > 0) {
    const size_t unitFrames = shape.padUnit / kFrameBytes;
    const size_t total = shape.emptyLeadFrames + frames;
    frames += (unitFrames - total % unitFrames) % unitFrames;
  }
  source.resize(frames * kSamplesPerFrame, 0);
  Bytes sound = encodeAdpcm(source);
  checkEncoding(source, sound, log);
  if (shape.flaggedEnd && !sound.empty()) sound[sound.size() - kFrameBytes + kFlagByte] = kEndFlag;
  Bytes out = emptyFrames(shape.emptyLeadFrames);
  append(out, sound);
  return out;
}

size_t samplesPerBlock(size_t block) { return block / kFrameBytes * kSamplesPerFrame; }

Bytes interleave(const Bytes& left, const Bytes& right, size_t block) {
  if (left.size() != right.size()) throw std::logic_error("interleave: channels of different lengths");
  Bytes out;
  out.reserve(left.size() + right.size());
  for (size_t at = 0; at < left.size(); at += block) {
    const size_t take = std::min(block, left.size() - at);
    out.insert(out.end(), left.begin() + static_cast<std::ptrdiff_t>(at), left.begin() + static_cast<std::ptrdiff_t>(at + take));
    out.insert(out.end(), right.begin() + static_cast<std::ptrdiff_t>(at), right.begin() + static_cast<std::ptrdiff_t>(at + take));
  }
  return out;
}

Bytes emptyFrames(size_t count) { return Bytes(count * kFrameBytes, 0); }

void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace blind
