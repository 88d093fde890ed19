#include "app/driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/numbers.h"
#include "app/output_name.h"
#include "app/switches.h"
#include "output/list_file.h"
#include "output/wav_writer.h"
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

// The run needs the input's length and seeks in it, so only a regular file will do.
// Opening without blocking keeps a FIFO from hanging the run before it is refused.
FILE* openRegularFile(const char* name, int64_t* length) {
  const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    return nullptr;
  }
  FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IONBF, 0);  // the scan reads in large chunks of its own
  *length = info.st_size;
  return file;
}

void closeFile(FILE*& file) {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
}

// Prints the output name and, when the file holds no more than FileMinimunSize input
// bytes' worth of samples (16 input bytes make 56 PCM bytes), removes it.
void removeIfTooSmall(RunState& s) {
  struct stat info;
  if (stat(s.outputName.c_str(), &info) != 0) return;
  const int64_t length = info.st_size;
  echoText(s.console, s.outputName.c_str());
  if ((length - kWavHeaderBytes) * 2 / 7 <= s.FileMinimunSize) {
    echoText(s.console, "remove\n");
    std::remove(s.outputName.c_str());
    echoText(s.console, s.outputName.c_str());
  }
}

}  // namespace

void printUsage(const RunState& s) {
  for (const char* line : kUsage) {
    echoText(s.console, line);
    echoText(s.console, "\n");
  }
}

int parseArguments(RunState& s, char** argv, int argc) {
  if (argv[2][0] == '-') return -1;
  s.BlockSize = readOptionValue(argv[2]);
  echoText(s.console, "BlockSize:");
  echoNumber(s.console, s.BlockSize, 8, kEchoDecimal);
  echoText(s.console, "\n");
  if (s.BlockSize > kMaxBlockSize || s.BlockSize <= 0) return -1;
  return parseOptions(s, argv, 3, argc);
}

int openInput(RunState& s, char** argv) {
  s.inputName = argv[1];
  s.input = openRegularFile(s.inputName, &s.inputLength);
  if (s.input == nullptr || fseeko(s.input, s.HeadSkipSize, SEEK_SET) != 0) {
    echoText(s.console, s.inputName);
    echoText(s.console, "\nnot read src file\n");
    return -1;
  }
  s.readPosition = s.HeadSkipSize;
  resetInputReader(s.reader, s.HeadSkipSize);
  buildOutputNames(s, s.inputName);
  if (s.checkMode) return openListFile(s);
  return 0;
}

int finishRun(RunState& s) {
  if (s.checkMode) return terminateList(s);
  // The last segment was dropped while its file was open: that file holds no kept
  // data and has no header yet.
  const bool leftOpen = s.outputOpen && s.output != nullptr;
  if (s.archiveType == kNoValue && !leftOpen) return 0;
  closeFile(s.input);
  if (leftOpen) {
    s.outputOpen = 0;
    if (writeWavHeader(s) != 0) return -1;
  }
  // Only a file this run created is measured or removed, never an older one that
  // merely has the placeholder name.
  if (s.outputCreated) removeIfTooSmall(s);
  return 0;
}

int runParsed(RunState& s, char** argv) {
  if (openInput(s, argv) != 0) return -1;
  if (scanInput(s) != 0) return -1;
  return finishRun(s);
}

void closeRunFiles(RunState& s) {
  closeFile(s.input);
  closeFile(s.output);
  closeFile(s.list);
}

int runTalvimo(RunState& s, int argc, char** argv) {
  if (argc < 3) {
    printUsage(s);
    std::fflush(s.console);
    return -1;
  }
  resetState(s);
  const int result = parseArguments(s, argv, argc) == 0 ? runParsed(s, argv) : -1;
  closeRunFiles(s);
  std::fflush(s.console);
  return result;
}
