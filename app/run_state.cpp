#include "app/run_state.h"

#include <cstring>

void resetState(RunState& s) {
  s.input = nullptr;
  s.output = nullptr;
  s.list = nullptr;
  s.inputLength = 0;
  s.BlockSize = 0;
  s.dataBytes = 0;
  s.frequency = 48000;
  s.readPosition = 0;
  s.SkipSize = 0;
  s.HeadSkipSize = 0;
  std::memset(s.ChkStrings, 0, sizeof s.ChkStrings);
  s.checkCount = 0;
  s.FileMinimunSize = 0;
  s.channelCount = 2;
  s.BottomSize = 0x7FFFFFFF;
  s.archiveType = kNoValue;
  s.Num = 0;
  s.checkMode = 0;
  s.DumpMode = 0;
  s.verbose = 0;
  s.NonDecodeType = kNoValue;
  s.ProcEndType = kNoValue;
  s.LRChange = 0;
  s.outputOpen = 0;
  s.fileNumber = 0;
  s.writeCursor = s.buffers.first;
  s.digitIndex = 0;
  s.history[0] = ChannelHistory{};
  s.history[1] = ChannelHistory{};
  std::memset(&s.buffers, 0, sizeof s.buffers);
  s.inputName = "";
  s.outputName.clear();
  s.listName.clear();
  s.outputCreated = 0;
  s.outputFailed = 0;
  resetInputReader(s.reader, 0);
  s.pending.count[0] = 0;
  s.pending.count[1] = 0;
}
