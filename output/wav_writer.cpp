#include "output/wav_writer.h"

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
  const auto put = [&out](int32_t sample) {
    put16(out, static_cast<uint32_t>(sample) & 0xFFFF);
    out += 2;
  };
  if (s.channelCount == 2) {
    for (int32_t i = 0; i < count; ++i) {
      put(earlier(a[i]));
      put(earlier(b[i]));
      put(a[i]);
      put(b[i]);
    }
  } else {
    for (int32_t i = 0; i < count; ++i) {
      put(earlier(a[i]));
      put(a[i]);
    }
    for (int32_t i = 0; i < count; ++i) {
      put(earlier(b[i]));
      put(b[i]);
    }
  }
  const size_t bytes = static_cast<size_t>(out - s.pcm);  // four samples of two bytes per entry pair
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
