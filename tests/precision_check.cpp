// Converts an input twice in one process, the second time with the x87 set to round to
// a 53-bit significand in the thread that starts the run (as Windows starts its
// threads, and as worker threads then copy it on Linux): the WAV must be the same bytes.
// Runs where the tests cannot (under wine).
//   x87_precision_check PATH INPUT BLOCKSIZE [SWITCHES...]
// PATH names the decode path the windows take (x87, say), or is "auto".
#include <cstdio>
#include <vector>

#include <cstring>

#include "app/driver.h"
#include "decode/decode_path.h"
#include "decode/x87_control.h"

namespace {

std::vector<unsigned char> readAll(const char* name) {
  std::vector<unsigned char> bytes;
  if (FILE* file = std::fopen(name, "rb")) {
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
  }
  return bytes;
}

// One whole run on a fresh run record, its windows decoded by `path` (when it is not
// negative); the bytes of the WAV it wrote.
std::vector<unsigned char> convert(int argc, char** argv, int path, int* result) {
  static FILE* quiet = std::fopen("precision_check.log", "w");
  auto* state = new RunState;
  state->console = quiet != nullptr ? quiet : stdout;
  *result = runTalvimo(*state, argc, argv, path < 0 ? chosenDecodePath() : decodePathAt(path));
  const std::vector<unsigned char> wav = readAll(state->run.outputName.c_str());
  std::remove(state->run.outputName.c_str());
  delete state;
  return wav;
}

}  // namespace

int main(int argc, char** argv) {
  int path = -1;
  for (int i = 0; argc >= 4 && i < kDecodePaths; ++i) path = std::strcmp(argv[1], kDecodePathNames[i]) == 0 ? i : path;
  if (argc < 4 || (path < 0 && std::strcmp(argv[1], "auto") != 0) || (path >= 0 && !decodePathAvailable(decodePathAt(path)))) {
    std::puts("usage: x87_precision_check PATH INPUT BLOCKSIZE [SWITCHES...] (PATH: auto or an available decode path)");
    return 2;
  }
  argv[1] = argv[0];  // the run's arguments: a program name, then the rest
  int plainResult = 0, shortResult = 0;
  const std::vector<unsigned char> plain = convert(argc - 1, argv + 1, path, &plainResult);
  setShortPrecisionForTests();
  const std::vector<unsigned char> shortened = convert(argc - 1, argv + 1, path, &shortResult);
  const bool same = plainResult == 0 && shortResult == 0 && !plain.empty() && plain == shortened;
  std::printf("%s: %zu bytes of WAV, %s with 53-bit x87 precision in the thread that starts the run\n",
              same ? "same" : "DIFFERENT", plain.size(), same ? "the same" : "not the same");
  return same ? 0 : 1;
}
