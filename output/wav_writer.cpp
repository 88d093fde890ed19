#include "output/wav_writer.h"

// SSE2 packs four or eight samples a step; elsewhere (or built portable) plain C++ does.
#if defined(__SSE2__) && !defined(TALVIMO_PORTABLE)
#define TALVIMO_SSE2 1
#include <emmintrin.h>
#endif

#include "output/output_name.h"
#include "output/wav_header.h"
#include "platform/files.h"
#include "run/failures.h"

namespace {

void put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

int32_t earlier(int32_t entry) { return static_cast<int32_t>(static_cast<uint32_t>(entry) >> 16); }

// Stereo: each entry pair (A, B) gives A's earlier sample, B's earlier, A's later, B's
// later. An entry holds the earlier sample in its high 16 bits, so on this little-endian
// machine interleaving the 16-bit halves of A and B and swapping each pair of 32-bit
// words gives exactly that order. Four entries a step.
uint8_t* packStereo(const int32_t* a, const int32_t* b, int32_t count, uint8_t* out) {
  int32_t i = 0;
#ifdef TALVIMO_SSE2
  for (; i + 4 <= count; i += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i low = _mm_shuffle_epi32(_mm_unpacklo_epi16(va, vb), _MM_SHUFFLE(2, 3, 0, 1));
    const __m128i high = _mm_shuffle_epi32(_mm_unpackhi_epi16(va, vb), _MM_SHUFFLE(2, 3, 0, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
    out += 32;
  }
#endif
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
#ifdef TALVIMO_SSE2
  for (; i + 4 <= count; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    out += 16;
  }
#endif
  for (; i < count; ++i) {
    put16(out, static_cast<uint32_t>(earlier(a[i])));
    put16(out + 2, static_cast<uint32_t>(a[i]));
    out += 4;
  }
  return out;
}

// Stereo from two blocks' samples: one of each in turn.
uint8_t* interleaveSamples(const int16_t* a, const int16_t* b, int32_t samples, uint8_t* out) {
  int32_t i = 0;
#ifdef TALVIMO_SSE2
  for (; i + 8 <= samples; i += 8) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(va, vb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(va, vb));
    out += 32;
  }
#endif
  for (; i < samples; ++i) {
    put16(out, static_cast<uint16_t>(a[i]));
    put16(out + 2, static_cast<uint16_t>(b[i]));
    out += 4;
  }
  return out;
}

uint8_t* copySamples(const int16_t* a, int32_t samples, uint8_t* out) {
  for (int32_t i = 0; i < samples; ++i, out += 2) put16(out, static_cast<uint16_t>(a[i]));
  return out;
}

// Appends the bytes of one pair packed in s.pcm up to `end`. The progress lines that waited
// for it are printed then; if it cannot be written, none of those after it ever are.
int appendPcm(RunState& s, const uint8_t* end) {
  const size_t bytes = static_cast<size_t>(end - s.pcm);
  s.run.dataBytes += bytes;
  if (std::fwrite(s.pcm, 1, bytes, s.run.output) != bytes) {
    dropProgressLines(s.run.progress);
    return reportOutputFailure(s);
  }
  s.run.pairsWritten += 1;
  printProgressLines(s.run.progress, s.console, s.run.pairsWritten);
  return 0;
}

// Writes a pair from the pair buffers.
int writeFromBuffers(RunState& s, int32_t count) {
  const PairBuffers& buffers = settledBuffers(s.decode);
  const int32_t* a = buffers.entry[s.settings.LRChange ? 1 : 0];
  const int32_t* b = buffers.entry[s.settings.LRChange ? 0 : 1];
  uint8_t* out = s.pcm;
  if (s.settings.channelCount == 2) {
    out = packStereo(a, b, count, out);
  } else {
    out = packMono(b, count, packMono(a, count, out));
  }
  return appendPcm(s, out);
}

// Dump lines print every frame as it is read: nothing may wait then.
bool usesWindow(const RunState& s) { return !s.settings.DumpMode && !s.settings.checkMode; }

// Writes out the pairs of the window finishWindow returned, in order.
int writeFinishedWindow(RunState& s, int32_t pairs) {
  for (int32_t p = 0; p < pairs; ++p) {
    const WindowPair pair = finishedWindowPair(s.decode, p);
    const int16_t* a = s.settings.LRChange ? pair.second : pair.first;
    const int16_t* b = s.settings.LRChange ? pair.first : pair.second;
    uint8_t* out = s.pcm;
    if (s.settings.channelCount == 2) {
      out = interleaveSamples(a, b, 2 * pair.count, out);
    } else {
      out = copySamples(b, 2 * pair.count, copySamples(a, 2 * pair.count, out));
    }
    if (appendPcm(s, out) != 0) {
      releaseWindow(s.decode);
      return -1;
    }
  }
  releaseWindow(s.decode);
  return 0;
}

// Hands the filling window to the workers; the one they were decoding is then written
// out while they work (it must be done first: the new window goes on from its end).
int rotateWindows(RunState& s) {
  const int32_t pairs = windowIsDecoding(s.decode) ? finishWindow(s.decode) : -1;
  if (windowIsFilling(s.decode)) startWindow(s.decode);
  return pairs < 0 ? 0 : writeFinishedWindow(s, pairs);
}

}  // namespace

int drainWindow(RunState& s) {
  if (rotateWindows(s) != 0) return -1;
  if (windowIsDecoding(s.decode)) return writeFinishedWindow(s, finishWindow(s.decode));
  return 0;
}

int flushPair(RunState& s, int32_t count) {
  s.run.pairsHandedOver += 1;
  if (usesWindow(s)) {
    const bool mono = s.settings.channelCount == 1;
    if (takeIntoWindow(s.decode, count, mono)) return 0;
    if (windowIsFilling(s.decode)) {
      // The window is full: it starts to decode, and the pair goes into the other.
      if (rotateWindows(s) != 0) return -1;
      if (takeIntoWindow(s.decode, count, mono)) return 0;
    }
  }
  if (drainWindow(s) != 0) return -1;
  return writeFromBuffers(s, count);
}

int openSegmentOutput(RunState& s) {
  if (s.settings.archiveType != kNoValue) setFileNumberDigits(s);
  if (s.settings.checkMode) return 0;
  s.run.output = createOutputFile(s.run.outputName.c_str(), s.run.input);
  if (s.run.output == nullptr) return reportOutputFailure(s);
  std::setvbuf(s.run.output, s.outputBuffer, _IOFBF, sizeof s.outputBuffer);
  if (seekFile(s.run.output, kWavHeaderSize) != 0) return reportOutputFailure(s);
  s.run.outputCreated = true;
  return 0;
}

int rewindOutput(RunState& s) {
  if (!s.run.outputOpen || s.settings.checkMode) return 0;
  if (drainWindow(s) != 0) return -1;
  return seekFile(s.run.output, kWavHeaderSize) == 0 ? 0 : reportOutputFailure(s);
}

int writeWavHeader(RunState& s) {
  if (s.settings.checkMode) return 0;
  if (drainWindow(s) != 0) return -1;
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
