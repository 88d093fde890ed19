#include "scan/scan_loop.h"

#include <cstring>

#include "output/pair_output.h"
#include "run/console.h"
#include "run/failures.h"
#include "run/input_reader.h"
#include "scan/detectors.h"
#include "scan/frame_scan.h"
#include "scan/segment_close.h"

namespace {

constexpr int64_t kProgressStep = 0x100000;

// Verbose runs tell every MiB how far they have read (the console holds the line until
// the pairs read before it are written).
void reportProgress(RunState& s, int value) {
  char text[40];
  char* end = putNumber(text, s.run.readPosition, 8, kEchoHex);
  std::memcpy(end, " / ", 3);
  end = putNumber(end + 3, s.run.inputLength, 8, kEchoHex);
  end = putNumber(end, value, 2, kEchoHex);  // -1 (no byte) shows as FF
  *end++ = '\r';
  echoText(s, std::string_view(text, static_cast<size_t>(end - text)));
}

// Reads up to 16 bytes into scan.frame one at a time, stopping at the byte that ends the
// input: its end, the byte at BottomSize, or a first byte equal to ProcEndType. A byte
// that could not be read is kept as 0xFF (the dump shows FF).
void readFrameBytewise(RunState& s, FrameScan& scan) {
  scan.endFlag = false;
  scan.zeroCount = 0;
  for (int i = 0; i < kFrameBytes; ++i) {
    const int value = readInputByte(s.reader, s.run.input);
    scan.frame.value[i] = static_cast<uint8_t>(value);
    s.run.readPosition += 1;
    scan.blockBytes += 1;
    if (s.settings.verbose && s.run.readPosition % kProgressStep == 0) reportProgress(s, value);
    if (value < 0 || s.run.readPosition > s.settings.BottomSize ||
        (s.settings.ProcEndType != kNoValue && i == 0 && value == s.settings.ProcEndType)) {
      scan.endFlag = true;
      scan.readFailed = value < 0 && s.reader.failed;
      return;
    }
    if (value == 0) scan.zeroCount += 1;
  }
}

// Reads the next frame. A whole frame in which nothing can end the input or call for a
// progress line is taken at once; any other goes byte by byte.
void readFrame(RunState& s, FrameScan& scan) {
  const int64_t at = s.run.readPosition;
  const uint8_t* bytes = peekInputFrame(s.reader, s.run.input);
  const bool quiet = !s.settings.verbose || (at + kFrameBytes) / kProgressStep == at / kProgressStep;
  if (bytes == nullptr || at + kFrameBytes > s.settings.BottomSize || !quiet ||
      (s.settings.ProcEndType != kNoValue && bytes[0] == s.settings.ProcEndType)) {
    readFrameBytewise(s, scan);
    return;
  }
  std::memcpy(scan.frame.value, bytes, kFrameBytes);
  s.reader.used += kFrameBytes;
  s.run.readPosition += kFrameBytes;
  scan.blockBytes += kFrameBytes;
  scan.endFlag = false;
  if (s.settings.archiveType != kNoValue) scan.zeroCount = zeroBytes(scan.frame.value);  // only detectors ask
}

bool skipsDecoding(const RunState& s, const FrameScan& scan) {
  return s.settings.checkMode || (s.settings.NonDecodeType != kNoValue && scan.frame.value[0] == s.settings.NonDecodeType);
}

// The second block of a pair is complete: open the segment's output if it has none yet,
// write the pair, and skip. The pair is written before the skip's seek, so that a seek
// that fails loses none of the pairs read before it.
int completePair(RunState& s, const FrameScan& scan) {
  if (!s.run.outputOpen) {
    s.run.outputOpen = true;
    if (openSegmentOutput(s) != 0) return -1;
  }
  if (!s.settings.checkMode && flushPair(s, scan.entries) != 0) return -1;
  if (s.settings.SkipSize != 0) {
    s.run.readPosition += s.settings.SkipSize;
    if (seekInput(s.reader, s.run.input, s.run.readPosition) != 0) return reportInputFailure(s);
  }
  return 0;
}

int completeBlock(RunState& s, FrameScan& scan) {
  if (scan.channel == 0) {
    scan.channel = 1;
    s.run.writeCursor = EntryPlace{1, 0};
    // A mono stream cut into blocks decodes as one continuous stream.
    if (s.settings.channelCount == 1) carryHistory(s.decode, 1);
  } else {
    scan.channel = 0;
    s.run.writeCursor = EntryPlace{0, 0};
    if (s.settings.channelCount == 1) carryHistory(s.decode, 0);
    if (completePair(s, scan) != 0) return -1;
  }
  scan.blockBytes = 0;
  scan.entries = 0;
  return 0;
}

int closeAndEnd(RunState& s, const FrameScan& scan) {
  closeSegment(s, static_cast<int64_t>(scan.frameCount) * kFrameBytes, scan.segmentStart);
  return scanEndResult(s);
}

// Prints the frame's 16 values as two hex digits and a blank each, then a line end.
void dumpFrame(RunState& s, const AdpcmFrame& frame) {
  for (uint8_t value : frame.value) {
    echoNumber(s, value, 2, kEchoBareHex);
    echoText(s, " ");
  }
  echoText(s, "\n");
}

}  // namespace

int scanInput(RunState& s) {
  // Settings the buffers and the forward-only read rely on; the switches reject others.
  const Settings& set = s.settings;
  if (set.BlockSize <= 0 || set.BlockSize > kMaxBlockSize || set.SkipSize < 0 || set.HeadSkipSize < 0) return -1;
  FrameScan scan;
  scan.segmentStart = s.run.readPosition;
  while (s.run.fileNumber < kFileNumberLimit) {
    scan.channel = 0;
    scan.entries = 0;
    scan.blockBytes = 0;
    scan.frameCount = 0;
    for (;;) {
      readFrame(s, scan);
      if (s.settings.DumpMode) dumpFrame(s, scan.frame);
      if (scan.readFailed) return reportInputFailure(s);
      if (scan.endFlag) {
        s.run.readPosition += kFrameBytes - 1;  // the segment ends at the byte whose read ended the input
        return closeAndEnd(s, scan);
      }
      if (s.settings.archiveType != kNoValue) {
        scan.stopFlag = false;
        if (runDetector(s, scan) != 0) return scanEndResult(s);
        if (scan.stopFlag) break;
      }
      if (!skipsDecoding(s, scan)) {
        queueFrame(s.decode, scan.channel, scan.frame, s.run.writeCursor);
        s.run.writeCursor.entry += kEntriesPerFrame;
        scan.entries += kEntriesPerFrame;
      }
      if (scan.blockBytes >= s.settings.BlockSize && completeBlock(s, scan) != 0) return -1;
      scan.frameCount += 1;
    }
    // Cut: the stopping frame and any incomplete pair are dropped; the next segment
    // starts after the frame, at channel 0.
    if (closeSegment(s, static_cast<int64_t>(scan.frameCount) * kFrameBytes, scan.segmentStart) != 0) {
      return scanEndResult(s);
    }
    scan.segmentStart = s.run.readPosition;
  }
  return 0;
}
