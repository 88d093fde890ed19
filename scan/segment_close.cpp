#include "scan/segment_close.h"

#include "output/list_file.h"
#include "output/pair_output.h"
#include "run/console.h"

namespace {

int finaliseSegment(RunState& s, int64_t start) {
  s.run.outputOpen = false;
  if (writeWavHeader(s) != 0) return -1;
  if (s.settings.checkMode && writeListLine(s, start) != 0) return -1;
  echoText(s, s.run.outputName.c_str());
  if (s.settings.verbose) {
    echoText(s, " : ");
    echoNumber(s, start, 8, kEchoHex);
    echoText(s, " : ");
    echoNumber(s, s.run.readPosition - kFrameBytes, 8, kEchoHex);
  }
  echoText(s, "\n");
  s.run.fileNumber += 1;
  return 0;
}

}  // namespace

int closeSegment(RunState& s, int64_t size, int64_t start) {
  if (size <= s.settings.FileMinimunSize) {
    // Too small: keep the file open and write the next segment over this one.
    if (rewindOutput(s) != 0) return -1;
  } else if (s.run.outputOpen && finaliseSegment(s, start) != 0) {
    return -1;
  }
  if (s.run.fileNumber >= kFileNumberLimit) {
    echoText(s, "numberling over\n");
    return -1;
  }
  s.run.dataBytes = 0;
  if (!s.settings.checkMode) {
    s.run.writeCursor = EntryPlace{0, 0};
    restartDecoding(s.decode, s.settings.BlockSize);
  }
  return 0;
}

int scanEndResult(const RunState& s) { return s.run.outputFailed ? -1 : 0; }
