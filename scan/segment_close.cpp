#include "scan/segment_close.h"

#include <cstring>

#include "app/numbers.h"
#include "output/list_file.h"
#include "output/wav_writer.h"
#include "scan/pending_decode.h"

namespace {

int finaliseSegment(RunState& s, int64_t start) {
  s.outputOpen = 0;
  if (writeWavHeader(s) != 0) return -1;
  if (s.checkMode && writeListLine(s, start) != 0) return -1;
  echoText(s.console, s.outputName.c_str());
  if (s.verbose) {
    echoText(s.console, " : ");
    echoNumber(s.console, start, 8, kEchoHex);
    echoText(s.console, " : ");
    echoNumber(s.console, s.readPosition - 16, 8, kEchoHex);
  }
  echoText(s.console, "\n");
  s.fileNumber += 1;
  return 0;
}

}  // namespace

int closeSegment(RunState& s, int64_t size, int64_t start) {
  decodePending(s);  // frames of an unfinished pair still land in the buffers first
  if (size <= s.FileMinimunSize) {
    // Too small: keep the file open and write the next segment over this one.
    if (s.outputOpen && !s.checkMode && std::fseek(s.output, kWavHeaderBytes, SEEK_SET) != 0) {
      reportOutputFailure(s);
      return -1;
    }
  } else if (s.outputOpen && finaliseSegment(s, start) != 0) {
    return -1;
  }
  if (s.fileNumber >= kFileNumberLimit) {
    echoText(s.console, "numberling over\n");
    return -1;
  }
  s.dataBytes = 0;
  if (!s.checkMode) {
    s.writeCursor = s.buffers.first;
    s.history[0] = ChannelHistory{};
    s.history[1] = ChannelHistory{};
    const size_t cleared = static_cast<size_t>(s.BlockSize) * sizeof(int32_t);
    std::memset(s.buffers.first, 0, cleared);
    std::memset(s.buffers.second, 0, cleared);
  }
  return 0;
}
