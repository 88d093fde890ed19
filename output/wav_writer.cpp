#include "output/wav_writer.h"

#include <bit>
#include <cstring>

#include "output/wav_header.h"
#include "platform/files.h"
#include "run/failures.h"

namespace {

// Samples are 16-bit little-endian. On a little-endian machine a 32- or 64-bit word of
// them is stored as it stands, which compilers turn into vector stores; elsewhere byte
// by byte.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

template <typename Word>
void putWord(uint8_t* at, Word word) {
  if constexpr (kLittleEndian) {
    std::memcpy(at, &word, sizeof word);
  } else {
    for (size_t i = 0; i < sizeof word; ++i) at[i] = static_cast<uint8_t>(word >> (8 * i));
  }
}

uint32_t low16(int32_t value) { return static_cast<uint32_t>(value) & 0xFFFF; }
uint32_t earlier(int32_t entry) { return static_cast<uint32_t>(entry) >> 16; }

// Stereo from two blocks' samples: one of each in turn.
uint8_t* interleaveSamples(const int16_t* a, const int16_t* b, int32_t samples, uint8_t* out) {
  for (int32_t i = 0; i < samples; ++i, out += 4) {
    putWord(out, static_cast<uint32_t>(static_cast<uint16_t>(a[i])) | static_cast<uint32_t>(static_cast<uint16_t>(b[i])) << 16);
  }
  return out;
}

// Mono from a block's samples (an even number of them: two per entry).
uint8_t* copySamples(const int16_t* a, int32_t samples, uint8_t* out) {
  for (int32_t i = 0; i < samples; i += 2, out += 4) {
    putWord(out, static_cast<uint32_t>(static_cast<uint16_t>(a[i])) | static_cast<uint32_t>(static_cast<uint16_t>(a[i + 1])) << 16);
  }
  return out;
}

// Stereo from entries: each entry pair (A, B) gives A's earlier sample, B's earlier, A's
// later, B's later.
uint8_t* interleaveEntries(const int32_t* a, const int32_t* b, int32_t count, uint8_t* out) {
  for (int32_t i = 0; i < count; ++i, out += 8) {
    putWord(out, static_cast<uint64_t>(earlier(a[i])) | static_cast<uint64_t>(earlier(b[i])) << 16 |
                     static_cast<uint64_t>(low16(a[i])) << 32 | static_cast<uint64_t>(low16(b[i])) << 48);
  }
  return out;
}

// Mono from entries: each entry's earlier sample, then its later one.
uint8_t* copyEntries(const int32_t* a, int32_t count, uint8_t* out) {
  for (int32_t i = 0; i < count; ++i, out += 4) putWord(out, earlier(a[i]) | low16(a[i]) << 16);
  return out;
}

// Appends the bytes packed in s.pcm up to `end`.
int appendPcm(RunState& s, const uint8_t* end) {
  const size_t bytes = static_cast<size_t>(end - s.pcm);
  s.run.dataBytes += bytes;
  if (std::fwrite(s.pcm, 1, bytes, s.run.output) != bytes) return reportOutputFailure(s);
  return 0;
}

}  // namespace

int createWav(RunState& s) {
  s.run.output = createOutputFile(s.run.outputName.c_str(), s.run.input);
  if (s.run.output == nullptr) return reportOutputFailure(s);
  std::setvbuf(s.run.output, s.outputBuffer, _IOFBF, sizeof s.outputBuffer);
  if (seekFile(s.run.output, kWavHeaderSize) != 0) return reportOutputFailure(s);
  s.run.outputCreated = true;
  return 0;
}

int appendPairSamples(RunState& s, const int16_t* first, const int16_t* second, int32_t entries) {
  const int16_t* a = s.settings.LRChange ? second : first;
  const int16_t* b = s.settings.LRChange ? first : second;
  const int32_t samples = 2 * entries;
  uint8_t* out = s.pcm;
  if (s.settings.channelCount == 2) {
    out = interleaveSamples(a, b, samples, out);
  } else {
    out = copySamples(b, samples, copySamples(a, samples, out));
  }
  return appendPcm(s, out);
}

int appendPairEntries(RunState& s, const PairBuffers& buffers, int32_t entries) {
  const int32_t* a = buffers.entry[s.settings.LRChange ? 1 : 0];
  const int32_t* b = buffers.entry[s.settings.LRChange ? 0 : 1];
  uint8_t* out = s.pcm;
  if (s.settings.channelCount == 2) {
    out = interleaveEntries(a, b, entries, out);
  } else {
    out = copyEntries(b, entries, copyEntries(a, entries, out));
  }
  return appendPcm(s, out);
}

int rewindWav(RunState& s) { return seekFile(s.run.output, kWavHeaderSize) == 0 ? 0 : reportOutputFailure(s); }

int finishWav(RunState& s) {
  uint8_t header[kWavHeaderSize];
  buildWavHeader(header, s.run.dataBytes, static_cast<uint16_t>(s.settings.channelCount),
                 static_cast<uint32_t>(s.settings.frequency));
  FILE* out = s.run.output;
  s.run.output = nullptr;
  bool ok = seekFile(out, 0) == 0 && std::fwrite(header, 1, sizeof header, out) == sizeof header &&
            truncateFile(out, static_cast<int64_t>(kWavHeaderSize + s.run.dataBytes)) == 0;
  ok = std::fclose(out) == 0 && ok;
  return ok ? 0 : reportOutputFailure(s);
}
