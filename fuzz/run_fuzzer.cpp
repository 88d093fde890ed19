// libFuzzer target: one whole talvimo run per input, in process, in a scratch directory.
//
// The fuzzed bytes choose the command line (input name, block size, switches valid and
// invalid) and the rest is the input file. After each run the harness checks what must
// always hold: the result is 0 or -1; every WAV left has a 44-byte header whose sizes
// match the file; the input is unchanged; nothing was written outside the scratch
// directory; check mode leaves no WAV; a FIFO laid where an output goes is left as it
// is (and never waited on: a hang is a finding too). Some inputs run twice, the second
// time with a fresh run whose worker threads cannot be started (as on a system with
// none left): the console and every file written must be the same.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/driver.h"
#include "fuzz/fuzz_input.h"
#include "schedule/worker_pool.h"

namespace {

std::string g_root;     // holds only the scratch directory
std::string g_scratch;  // the run's working directory
std::string g_home;     // the fuzzer's own working directory (artifacts go there)

[[noreturn]] void violated(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant violated: %s (%s)\n", what, detail.c_str());
  std::abort();
}

std::vector<std::string> listDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(d);
  }
  return names;
}

void removeTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    for (const std::string& name : listDir(path)) removeTree(path + "/" + name);
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
  }
  return bytes;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Every WAV below dir but the input: a valid header that describes the file exactly.
void checkOutputs(const std::string& dir, bool checkMode, const std::string& input) {
  for (const std::string& name : listDir(dir)) {
    const std::string path = dir + "/" + name;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      checkOutputs(path, checkMode, input);
      continue;
    }
    if (!S_ISREG(info.st_mode)) continue;  // the FIFO laid in the run's way
    if (path == input || name.size() < 4 || name.compare(name.size() - 4, 4, ".WAV") != 0) continue;
    if (checkMode) violated("check mode wrote a WAV", path);
    const std::vector<uint8_t> wav = readFile(path);
    if (wav.size() < 44) violated("WAV shorter than its header", path);
    if (std::memcmp(wav.data(), "RIFF", 4) != 0 || std::memcmp(wav.data() + 8, "WAVEfmt ", 8) != 0 ||
        std::memcmp(wav.data() + 36, "data", 4) != 0) {
      violated("WAV without a valid header", path);
    }
    if (le32(wav, 4) != wav.size() - 8 || le32(wav, 40) != wav.size() - 44) violated("WAV sizes do not match", path);
  }
}

void removeScratch() { removeTree(g_root); }

// The scratch directory as the run is given it: the input, a FIFO where the input asks
// for one, and two directories.
void prepare(const std::string& scratch, const FuzzRun& run) {
  removeTree(scratch);
  mkdir(scratch.c_str(), 0700);
  mkdir((scratch + "/sub").c_str(), 0700);
  mkdir((scratch + "/dir").c_str(), 0700);
  if (FILE* f = std::fopen((scratch + "/" + run.inputFile).c_str(), "wb")) {
    std::fwrite(run.input.data(), 1, run.input.size(), f);
    std::fclose(f);
  }
  if (!run.fifo.empty()) mkfifo((scratch + "/" + run.fifo).c_str(), 0600);
}

// One run in the scratch directory; what it printed goes to *console.
int runIn(const std::string& scratch, RunState& state, const FuzzRun& run, std::string* console) {
  std::vector<std::string> args = run.arguments;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  char* text = nullptr;
  size_t length = 0;
  state.console = open_memstream(&text, &length);
  if (state.console == nullptr || chdir(scratch.c_str()) != 0) std::abort();
  const int result = runTalvimo(state, static_cast<int>(argv.size()) - 1, argv.data());
  if (chdir(g_home.c_str()) != 0) std::abort();
  std::fclose(state.console);
  state.console = stdout;
  *console = std::string(text, length);
  std::free(text);
  return result;
}

// Every regular file below dir, by name, with its bytes.
void collect(const std::string& dir, const std::string& name, std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
  for (const std::string& entry : listDir(dir)) {
    const std::string path = dir + "/" + entry;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) collect(path, name + entry + "/", files);
    if (S_ISREG(info.st_mode)) files.emplace_back(name + entry, readFile(path));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/talvimo-fuzz-XXXXXX";
  if (mkdtemp(pattern) == nullptr) std::abort();
  g_root = pattern;
  g_scratch = g_root + "/scratch";
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) std::abort();
  g_home = cwd;
  std::atexit(removeScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static RunState state;
  const FuzzRun run = decodeFuzzInput(data, size);
  prepare(g_scratch, run);
  const std::string inputPath = g_scratch + "/" + run.inputFile;
  const std::string fifoPath = run.fifo.empty() ? "" : g_scratch + "/" + run.fifo;
  std::string console;
  const int result = runIn(g_scratch, state, run, &console);

  if (result != 0 && result != -1) violated("result neither 0 nor -1", std::to_string(result));
  if (readFile(inputPath) != run.input) violated("input changed", run.inputFile);
  struct stat fifoInfo;
  if (!fifoPath.empty() && (lstat(fifoPath.c_str(), &fifoInfo) != 0 || !S_ISFIFO(fifoInfo.st_mode))) {
    violated("the FIFO in the way was replaced", run.fifo);
  }
  const std::vector<std::string> rootNames = listDir(g_root);
  if (rootNames.size() != 1 || rootNames[0] != "scratch") violated("file written outside the scratch directory", g_root);
  bool checkMode = false;
  for (const std::string& a : run.arguments) checkMode |= a.size() >= 2 && a[0] == '-' && (a[1] == 'c' || a[1] == 'C');
  checkOutputs(g_scratch, checkMode, inputPath);

  // One input in eight again, on a fresh run whose worker threads cannot all be started.
  if (size == 0 || data[size - 1] % 8 != 0) return 0;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> first, second;
  collect(g_scratch, "", first);
  prepare(g_scratch, run);
  auto* fresh = new RunState;
  failThreadStartsAfter(data[size - 1] / 8 % 2);  // no thread, or one
  std::string again;
  const int secondResult = runIn(g_scratch, *fresh, run, &again);
  delete fresh;
  failThreadStartsAfter(-1);
  collect(g_scratch, "", second);
  if (secondResult != result) violated("another result without threads", std::to_string(secondResult));
  if (again != console) violated("another console without threads", again);
  if (second != first) violated("other files without threads", run.inputFile);
  return 0;
}
