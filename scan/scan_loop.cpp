#include "scan/scan_loop.h"

#include "app/numbers.h"
#include "output/wav_writer.h"
#include "scan/detectors.h"
#include "scan/frame_scan.h"
#include "scan/segment_close.h"

namespace {

constexpr int64_t kProgressStep = 0x100000;

void reportProgress(const RunState& s, int32_t value) {
  echoNumber(s.console, s.readPosition, 8, kEchoHex);
  echoText(s.console, " / ");
  echoNumber(s.console, s.inputLength, 8, kEchoHex);
  echoNumber(s.console, value, 2, kEchoHex);
  echoText(s.console, "\r");
}

// Reads up to 16 bytes into scan.frame, stopping at the byte that ends the input: its
// end, the byte at BottomSize, or a first byte equal to ProcEndType.
void readFrame(RunState& s, FrameScan& scan) {
  scan.endFlag = 0;
  scan.zeroCount = 0;
  for (int i = 0; i < kFrameBytes; ++i) {
    const int value = std::getc(s.input);
    scan.frame.value[i] = static_cast<int16_t>(value == EOF ? -1 : value);
    s.readPosition += 1;
    scan.blockBytes += 1;
    if (s.verbose && s.readPosition % kProgressStep == 0) reportProgress(s, scan.frame.value[i]);
    if (value == EOF || s.readPosition > s.BottomSize ||
        (s.ProcEndType != kNoValue && i == 0 && value == s.ProcEndType)) {
      scan.endFlag = 1;
      return;
    }
    if (value == 0) scan.zeroCount += 1;
  }
}

bool skipsDecoding(const RunState& s, const FrameScan& scan) {
  return s.checkMode || (s.NonDecodeType != kNoValue && scan.frame.value[0] == s.NonDecodeType);
}

// Decodes the frame with its channel's history and packs its samples at the write cursor.
void decodeIntoBlock(RunState& s, FrameScan& scan) {
  int32_t samples[kSamplesPerFrame];
  decodeFrame(scan.frame, s.history[scan.channel], samples);
  for (int k = 0; k < kSamplesPerFrame / 2; ++k) {
    const uint32_t packed = (static_cast<uint32_t>(samples[2 * k]) << 16) |
                            (static_cast<uint32_t>(samples[2 * k + 1]) & 0xFFFF);
    s.writeCursor[k] = static_cast<int32_t>(packed);
  }
  s.writeCursor += kSamplesPerFrame / 2;
  scan.entries += kSamplesPerFrame / 2;
}

// The second block of a pair is complete: skip, open the segment's output if it has
// none yet, and write the pair.
int completePair(RunState& s, const FrameScan& scan) {
  if (s.SkipSize != 0) {
    s.readPosition += s.SkipSize;
    if (fseeko(s.input, static_cast<off_t>(s.readPosition), SEEK_SET) != 0) {
      echoText(s.console, s.inputName);
      echoText(s.console, "\nnot read src file\n");
      return -1;
    }
  }
  if (s.outputOpen == 0) {
    s.outputOpen = 1;
    if (openSegmentOutput(s) != 0) return -1;
  }
  if (!s.checkMode) return flushPair(s, scan.entries);
  return 0;
}

int completeBlock(RunState& s, FrameScan& scan) {
  if (scan.channel == 0) {
    scan.channel = 1;
    s.writeCursor = s.buffers.second;
    // A mono stream cut into blocks decodes as one continuous stream.
    if (s.channelCount == 1) s.history[1] = s.history[0];
  } else {
    scan.channel = 0;
    s.writeCursor = s.buffers.first;
    if (s.channelCount == 1) s.history[0] = s.history[1];
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
  for (int16_t value : frame.value) {
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
      if (!skipsDecoding(s, scan)) decodeIntoBlock(s, scan);
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
