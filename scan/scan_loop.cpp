#include "scan/scan_loop.h"

#include <emmintrin.h>

#include <cstring>

#include "app/numbers.h"
#include "output/wav_writer.h"
#include "scan/detectors.h"
#include "scan/frame_scan.h"
#include "scan/input_reader.h"
#include "scan/pending_decode.h"
#include "scan/segment_close.h"

namespace {

constexpr int64_t kProgressStep = 0x100000;

void reportProgress(const RunState& s, int value) {
  echoNumber(s.console, s.readPosition, 8, kEchoHex);
  echoText(s.console, " / ");
  echoNumber(s.console, s.inputLength, 8, kEchoHex);
  echoNumber(s.console, value, 2, kEchoHex);  // -1 (no byte) shows as FF
  echoText(s.console, "\r");
}

// Reads up to 16 bytes into scan.frame one at a time, stopping at the byte that ends the
// input: its end, the byte at BottomSize, or a first byte equal to ProcEndType. A byte
// that could not be read is kept as 0xFF (the dump shows FF).
void readFrameBytewise(RunState& s, FrameScan& scan) {
  scan.endFlag = 0;
  scan.zeroCount = 0;
  for (int i = 0; i < kFrameBytes; ++i) {
    const int value = readInputByte(s.reader, s.input);
    scan.frame.value[i] = static_cast<uint8_t>(value);
    s.readPosition += 1;
    scan.blockBytes += 1;
    if (s.verbose && s.readPosition % kProgressStep == 0) reportProgress(s, value);
    if (value < 0 || s.readPosition > s.BottomSize ||
        (s.ProcEndType != kNoValue && i == 0 && value == s.ProcEndType)) {
      scan.endFlag = 1;
      return;
    }
    if (value == 0) scan.zeroCount += 1;
  }
}

int zeroBytes(const uint8_t bytes[kFrameBytes]) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  uint32_t zero = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
  // Bit count of the 16-bit mask in a few operations (baseline x86-64 has no popcnt).
  zero = zero - ((zero >> 1) & 0x5555);
  zero = (zero & 0x3333) + ((zero >> 2) & 0x3333);
  zero = (zero + (zero >> 4)) & 0x0F0F;
  return static_cast<int>((zero + (zero >> 8)) & 0x1F);
}

// Reads the next frame. A whole frame in which nothing can end the input or call for a
// progress line is taken at once; any other goes byte by byte.
void readFrame(RunState& s, FrameScan& scan) {
  const int64_t at = s.readPosition;
  const uint8_t* bytes = peekInputFrame(s.reader, s.input);
  const bool quiet = !s.verbose || (at + kFrameBytes) / kProgressStep == at / kProgressStep;
  if (bytes == nullptr || at + kFrameBytes > s.BottomSize || !quiet ||
      (s.ProcEndType != kNoValue && bytes[0] == s.ProcEndType)) {
    readFrameBytewise(s, scan);
    return;
  }
  std::memcpy(scan.frame.value, bytes, kFrameBytes);
  s.reader.used += kFrameBytes;
  s.readPosition += kFrameBytes;
  scan.blockBytes += kFrameBytes;
  scan.endFlag = 0;
  if (s.archiveType != kNoValue) scan.zeroCount = zeroBytes(scan.frame.value);  // only detectors ask
}

bool skipsDecoding(const RunState& s, const FrameScan& scan) {
  return s.checkMode || (s.NonDecodeType != kNoValue && scan.frame.value[0] == s.NonDecodeType);
}

// The second block of a pair is complete: skip, open the segment's output if it has
// none yet, and write the pair.
int completePair(RunState& s, const FrameScan& scan) {
  if (s.SkipSize != 0) {
    s.readPosition += s.SkipSize;
    if (seekInput(s.reader, s.input, s.readPosition) != 0) {
      echoText(s.console, s.inputName);
      echoText(s.console, "\nnot read src file\n");
      return -1;
    }
  }
  if (s.outputOpen == 0) {
    s.outputOpen = 1;
    if (openSegmentOutput(s) != 0) return -1;
  }
  if (s.checkMode) return 0;
  decodePending(s);
  return flushPair(s, scan.entries);
}

int completeBlock(RunState& s, FrameScan& scan) {
  if (scan.channel == 0) {
    scan.channel = 1;
    s.writeCursor = s.buffers.second;
    // A mono stream cut into blocks decodes as one continuous stream.
    if (s.channelCount == 1) {
      decodePending(s);
      s.history[1] = s.history[0];
    }
  } else {
    scan.channel = 0;
    s.writeCursor = s.buffers.first;
    if (s.channelCount == 1) {
      decodePending(s);
      s.history[0] = s.history[1];
    }
    if (completePair(s, scan) != 0) return -1;
  }
  scan.blockBytes = 0;
  scan.entries = 0;
  return 0;
}

int closeAndEnd(RunState& s, const FrameScan& scan) {
  closeSegment(s, static_cast<int64_t>(scan.frameCount) * 16, scan.segmentStart);
  return s.outputFailed ? -1 : 0;
}

}  // namespace

void dumpFrame(const RunState& s, const AdpcmFrame& frame) {
  for (uint8_t value : frame.value) {
    echoNumber(s.console, value, 2, kEchoBareHex);
    echoText(s.console, " ");
  }
  echoText(s.console, "\n");
}

int scanInput(RunState& s) {
  // Settings the buffers and the forward-only read rely on; the switches reject others.
  if (s.BlockSize <= 0 || s.BlockSize > kMaxBlockSize || s.SkipSize < 0 || s.HeadSkipSize < 0) return -1;
  FrameScan scan;
  scan.segmentStart = s.readPosition;
  while (s.fileNumber < kFileNumberLimit) {
    scan.channel = 0;
    scan.entries = 0;
    scan.blockBytes = 0;
    scan.frameCount = 0;
    for (;;) {
      readFrame(s, scan);
      if (s.DumpMode) dumpFrame(s, scan.frame);
      if (scan.endFlag) {
        s.readPosition += 15;  // the segment ends at the byte whose read ended the input
        return closeAndEnd(s, scan);
      }
      if (s.archiveType != kNoValue) {
        scan.stopFlag = 0;
        if (runDetector(s, scan) != 0) return s.outputFailed ? -1 : 0;
        if (scan.stopFlag) break;
      }
      if (!skipsDecoding(s, scan)) {
        queueFrame(s, scan.channel, scan.frame);
        scan.entries += kSamplesPerFrame / 2;
      }
      if (scan.blockBytes >= s.BlockSize && completeBlock(s, scan) != 0) return -1;
      scan.frameCount += 1;
    }
    // Cut: the stopping frame and any incomplete pair are dropped; the next segment
    // starts after the frame, at channel 0.
    if (closeSegment(s, static_cast<int64_t>(scan.frameCount) * 16, scan.segmentStart) != 0) {
      return s.outputFailed ? -1 : 0;
    }
    scan.segmentStart = s.readPosition;
  }
  return 0;
}
