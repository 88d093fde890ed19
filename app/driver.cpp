#include "app/driver.h"

#include <cstdio>

#include "app/option_value.h"
#include "app/switches.h"
#include "output/list_file.h"
#include "output/output_name.h"
#include "output/pair_output.h"
#include "output/wav_header.h"
#include "platform/cpus.h"
#include "platform/files.h"
#include "run/console.h"
#include "run/failures.h"
#include "scan/scan_loop.h"

namespace {

const char* const kUsage[] = {
    "Talvimo Ver 0.14",
    "Usage:[Input FileName] [Block Size (Max 0x8000)]",
    "Switch",
    "  -f\tfrequency\t\t(default 48000 hz)",
    "  -o\tch mode 1:mono 2:stereo\t(default stereo)",
    "  -s\tdata skip size",
    "  -h\tstart size",
    "  -b\tbottom size",
    "  -m\tout file minimum size",
    "  -t\t[archive type]",
    "  -n\tnumbering start no",
    "  -c\tfile check mode",
    "  -d\tdump mode",
    "  -x\tNon Decode Type",
    "  -e\tProc End Type",
    "  -r\tL <-> R Change",
    "  -v\tverbose mode",
};

void closeFile(FILE*& file) {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
}

// Prints the output name and, when the file holds no more than FileMinimunSize input
// bytes' worth of samples (16 input bytes make 56 PCM bytes), removes it.
void removeIfTooSmall(RunState& s) {
  int64_t length = 0;
  if (measureFile(s.run.outputName.c_str(), &length) != 0) return;
  echoText(s, s.run.outputName.c_str());
  if ((length - kWavHeaderSize) * 2 / 7 <= s.settings.FileMinimunSize) {
    echoText(s, "remove\n");
    std::remove(s.run.outputName.c_str());
    echoText(s, s.run.outputName.c_str());
  }
}

void printUsage(RunState& s) {
  for (const char* line : kUsage) {
    echoText(s, line);
    echoText(s, "\n");
  }
}

int runParsed(RunState& s, char** argv) {
  if (openInput(s, argv) != 0) return -1;
  const int scanned = scanInput(s);
  // Where the scan ends, for whatever reason, the pairs still waiting are written, and
  // with them what was printed after them (a failure the scan reported, say).
  if (writeWaitingPairs(s) != 0 || scanned != 0) return -1;
  return finishRun(s);
}

void closeRunFiles(RunState& s) {
  closeFile(s.run.input);
  closeFile(s.run.output);
  closeFile(s.run.list);
}

}  // namespace

int parseArguments(RunState& s, char** argv, int argc) {
  if (argv[2][0] == '-') return -1;
  s.settings.BlockSize = readOptionValue(argv[2]);
  echoText(s, "BlockSize:");
  echoNumber(s, s.settings.BlockSize, 8, kEchoDecimal);
  echoText(s, "\n");
  if (s.settings.BlockSize > kMaxBlockSize || s.settings.BlockSize <= 0) return -1;
  return parseOptions(s, argv, 3, argc);
}

int openInput(RunState& s, char** argv) {
  s.run.inputName = argv[1];
  s.run.input = openInputFile(s.run.inputName, &s.run.inputLength);
  if (s.run.input == nullptr || seekFile(s.run.input, s.settings.HeadSkipSize) != 0) return reportInputFailure(s);
  s.run.readPosition = s.settings.HeadSkipSize;
  s.run.fileNumber = s.settings.StartFileNo;
  resetInputReader(s.reader, s.settings.HeadSkipSize);
  buildOutputNames(s, s.run.inputName);
  if (s.settings.checkMode) return openListFile(s);
  return 0;
}

int finishRun(RunState& s) {
  if (s.settings.checkMode) return terminateList(s);
  // The last segment was dropped while its file was open: that file holds no kept
  // data and has no header yet.
  const bool leftOpen = s.run.outputOpen && s.run.output != nullptr;
  if (s.settings.archiveType == kNoValue && !leftOpen) return 0;
  closeFile(s.run.input);
  if (leftOpen) {
    s.run.outputOpen = false;
    if (writeWavHeader(s) != 0) return -1;
  }
  // Only a file this run created is measured or removed, never an older one that
  // merely has the placeholder name.
  if (s.run.outputCreated) removeIfTooSmall(s);
  return 0;
}

int runTalvimo(RunState& s, int argc, char** argv, DecodePath path) {
  resetState(s);
  if (argc < 3) {
    printUsage(s);
    std::fflush(s.console);
    return -1;
  }
  setDecodeThreads(s.decode, availableCpus());
  setDecodePath(s.decode, path);
  std::clearerr(s.console);
  int result = parseArguments(s, argv, argc) == 0 ? runParsed(s, argv) : -1;
  closeRunFiles(s);
  // A console that could not take what the run printed fails the run: there is
  // nowhere left to say why.
  if (std::fflush(s.console) != 0 || std::ferror(s.console)) result = -1;
  return result;
}
