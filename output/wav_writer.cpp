#include "output/wav_writer.h"

#include <emmintrin.h>
#include <unistd.h>

#include <cstring>

#include "app/numbers.h"
#include "app/output_name.h"
#include "output/output_file.h"

namespace {

constexpr uint64_t kMaxRiffSize = 0xFFFFFFFF;

void put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
  put16(at, value & 0xFFFF);
  put16(at + 2, value >> 16);
}

// RIFF sizes are 32 bits: a longer segment saturates them instead of wrapping.
uint32_t clampedSize(uint64_t bytes) {
  return static_cast<uint32_t>(bytes > kMaxRiffSize ? kMaxRiffSize : bytes);
}

void buildHeader(const RunState& s, uint8_t header[kWavHeaderBytes]) {
  const uint32_t channels = static_cast<uint16_t>(s.channelCount);
  const uint32_t frequency = static_cast<uint32_t>(s.frequency);
  std::memcpy(header, "RIFF", 4);
  put32(header + 4, clampedSize(s.dataBytes + 36));
  std::memcpy(header + 8, "WAVEfmt ", 8);
  put32(header + 16, 16);
  put16(header + 20, 1);
  put16(header + 22, channels);
  put32(header + 24, frequency);
  put32(header + 28, channels * frequency * 2);
  put16(header + 32, channels * 2);
  put16(header + 34, 16);
  std::memcpy(header + 36, "data", 4);
  put32(header + 40, clampedSize(s.dataBytes));
}

int32_t earlier(int32_t entry) { return static_cast<int32_t>(static_cast<uint32_t>(entry) >> 16); }

// Stereo: each entry pair (A, B) gives A's earlier sample, B's earlier, A's later, B's
// later. An entry holds the earlier sample in its high 16 bits, so on this little-endian
// machine interleaving the 16-bit halves of A and B and swapping each pair of 32-bit
// words gives exactly that order. Four entries a step.
uint8_t* packStereo(const int32_t* a, const int32_t* b, int32_t count, uint8_t* out) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i low = _mm_shuffle_epi32(_mm_unpacklo_epi16(va, vb), _MM_SHUFFLE(2, 3, 0, 1));
    const __m128i high = _mm_shuffle_epi32(_mm_unpackhi_epi16(va, vb), _MM_SHUFFLE(2, 3, 0, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
    out += 32;
  }
  for (; i < count; ++i) {
    put16(out, static_cast<uint32_t>(earlier(a[i])));
    put16(out + 2, static_cast<uint32_t>(earlier(b[i])));
    put16(out + 4, static_cast<uint32_t>(a[i]));
    put16(out + 6, static_cast<uint32_t>(b[i]));
    out += 8;
  }
  return out;
}

// Mono: each entry's earlier sample, then its later one: the 16-bit halves swapped.
uint8_t* packMono(const int32_t* a, int32_t count, uint8_t* out) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    out += 16;
  }
  for (; i < count; ++i) {
    put16(out, static_cast<uint32_t>(earlier(a[i])));
    put16(out + 2, static_cast<uint32_t>(a[i]));
    out += 4;
  }
  return out;
}

}  // namespace


void reportOutputFailure(RunState& s) {
  echoText(s.console, s.outputName.c_str());
  echoText(s.console, "\n");
  echoText(s.console, "not write output file\n");
  s.outputFailed = 1;
}

int openSegmentOutput(RunState& s) {
  if (s.archiveType != kNoValue) setFileNumberDigits(s);
  if (s.checkMode) return 0;
  s.output = createOutputFile(s, s.outputName.c_str());
  if (s.output != nullptr) std::setvbuf(s.output, s.outputBuffer, _IOFBF, sizeof s.outputBuffer);
  if (s.output == nullptr || std::fseek(s.output, kWavHeaderBytes, SEEK_SET) != 0) {
    reportOutputFailure(s);
    return -1;
  }
  s.outputCreated = 1;
  return 0;
}

int flushPair(RunState& s, int32_t count) {
  const int32_t* a = s.LRChange ? s.buffers.second : s.buffers.first;
  const int32_t* b = s.LRChange ? s.buffers.first : s.buffers.second;
  uint8_t* out = s.pcm;
  if (s.channelCount == 2) {
    out = packStereo(a, b, count, out);
  } else {
    out = packMono(b, count, packMono(a, count, out));
  }
  const size_t bytes = static_cast<size_t>(out - s.pcm);  // eight bytes per entry pair
  s.dataBytes += bytes;
  if (std::fwrite(s.pcm, 1, bytes, s.output) != bytes) {
    reportOutputFailure(s);
    return -1;
  }
  return 0;
}

int writeWavHeader(RunState& s) {
  if (s.checkMode) return 0;
  uint8_t header[kWavHeaderBytes];
  buildHeader(s, header);
  FILE* out = s.output;
  s.output = nullptr;
  bool ok = std::fseek(out, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, out) == sizeof header &&
            std::fflush(out) == 0 &&
            ftruncate(fileno(out), static_cast<off_t>(kWavHeaderBytes + s.dataBytes)) == 0;
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    reportOutputFailure(s);
    return -1;
  }
  return 0;
}
