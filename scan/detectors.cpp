#include "scan/detectors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "run/console.h"
#include "scan/segment_close.h"

namespace {

bool isQuiet(const FrameScan& scan) { return isQuietFrame(scan.zeroCount); }

bool isMarker(const FrameScan& scan) { return isMarkerFrame(scan.frame.value, scan.zeroCount); }

// Offset of the current frame within a pair, counted from the segment start with the
// block size as given: for sizes that are not multiples of 16 it drifts from the pairs
// the scan loop actually reads, and users' archives rely on that.
// (A segment holds fewer than 2^27 frames: reading ends at offset 2^31.)
int64_t pairPhase(const RunState& s, const FrameScan& scan) {
  return (static_cast<uint32_t>(scan.frameCount) * kFrameBytes) % (2u * static_cast<uint32_t>(s.settings.BlockSize));
}

// Ends the segment before the current frame, which then begins the next segment.
int split(RunState& s, FrameScan& scan) {
  if (closeSegment(s, static_cast<int64_t>(scan.frameCount) * kFrameBytes, scan.segmentStart) != 0) return -1;
  scan.segmentStart = s.run.readPosition - kFrameBytes;
  scan.frameCount = 0;
  return 0;
}

// Type 0: a pair boundary whose first frame is quiet, or that follows a first block
// ending in a quiet frame.
int detectQuietPair(RunState& s, FrameScan& scan) {
  if (pairPhase(s, scan) == 0 && (isQuiet(scan) || scan.silenceFlag) && split(s, scan) != 0) return -1;
  if (pairPhase(s, scan) == s.settings.BlockSize - kFrameBytes) {
    if (!isQuiet(scan)) {
      scan.silenceFlag = false;
    } else if (scan.channel == 0) {
      scan.silenceFlag = true;
    }
  }
  return 0;
}

// Type 1: a marker frame at a pair boundary.
int detectMarkerPair(RunState& s, FrameScan& scan) {
  if (isMarker(scan) && pairPhase(s, scan) == 0) return split(s, scan);
  return 0;
}

// Type 3: both blocks of the pair ended in runs of more than Num marker frames.
int detectSilenceRuns(RunState& s, FrameScan& scan) {
  if (pairPhase(s, scan) == 0 && scan.firstBlockRun > s.settings.Num && scan.secondBlockRun > s.settings.Num &&
      scan.silenceFlag) {
    if (s.settings.verbose) {
      char line[48];
      std::snprintf(line, sizeof line, "  zerocnt R 0x%4x: zerocnt L 0x%4x\n", static_cast<unsigned>(scan.firstBlockRun),
                    static_cast<unsigned>(scan.secondBlockRun));
      echoText(s, line);
    }
    scan.firstBlockRun = 0;
    scan.secondBlockRun = 0;
    scan.silenceFlag = false;
    if (split(s, scan) != 0) return -1;
  }
  if (scan.blockBytes == kFrameBytes && scan.channel == 0) {
    scan.firstBlockRun = 0;
    scan.secondBlockRun = 0;
  }
  if (isMarker(scan)) {
    int32_t& run = scan.channel == 0 ? scan.firstBlockRun : scan.secondBlockRun;
    if (!scan.silenceFlag) run = 0;
    run += 1;
    scan.silenceFlag = true;
  } else {
    scan.silenceFlag = false;
  }
  return 0;
}

// Type 4: the ChkStrings signature at any start position that fits in the frame. (An
// empty signature is found everywhere.)
bool hasSignature(const RunState& s, const FrameScan& scan) {
  const int n = std::clamp(s.settings.checkCount, 0, kSignatureBytes);
  if (n == 0) return true;
  const uint8_t* frame = scan.frame.value;
  const uint8_t* signature = s.settings.ChkStrings;
  for (int i = 0; i + n <= kFrameBytes; ++i) {
    if (frame[i] == signature[0] && std::memcmp(frame + i + 1, signature + 1, static_cast<size_t>(n - 1)) == 0) return true;
  }
  return false;
}

}  // namespace

int runDetector(RunState& s, FrameScan& scan) {
  switch (s.settings.archiveType) {
    case 0:
      return detectQuietPair(s, scan);
    case 1:
      return detectMarkerPair(s, scan);
    case 2:
      if (isEmptyFrame(scan.zeroCount)) scan.stopFlag = true;
      return 0;
    case 3:
      return detectSilenceRuns(s, scan);
    case 4:
      if (hasSignature(s, scan)) scan.stopFlag = true;
      return 0;
    case 5:
      if (scan.frame.value[1] != s.settings.ChkStrings[0]) scan.stopFlag = true;
      return 0;
    default:
      return 0;
  }
}
