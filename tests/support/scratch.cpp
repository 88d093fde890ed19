#include "support/scratch.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>


namespace fs = std::filesystem;

Scratch::Scratch() {
  static std::atomic<int> counter{0};
  dir_ = fs::temp_directory_path() /
         ("talvimo-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

Scratch::~Scratch() {
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

void Scratch::write(const std::string& name, const Bytes& bytes) const {
  fs::create_directories(path(name).parent_path());
  std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Scratch::read(const std::string& name) const {
  std::ifstream in(path(name), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path(name).string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Scratch::exists(const std::string& name) const { return fs::exists(path(name)); }

std::vector<std::string> Scratch::files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

RunResult Scratch::run(const std::vector<std::string>& args, const RunSurroundings& surroundings) const {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
  const pid_t child = fork();
  if (child == 0) {
    if (surroundings.stdoutPath == nullptr) {
      dup2(pipeFds[1], STDOUT_FILENO);
    } else {
      const int out = open(surroundings.stdoutPath, O_WRONLY);
      if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(127);
      close(out);
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (chdir(dir_.c_str()) != 0) _exit(127);
    if (surroundings.fileSizeLimit != 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{surroundings.fileSizeLimit, surroundings.fileSizeLimit};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    if (surroundings.closeStdinAndStdout) {
      close(STDIN_FILENO);
      close(STDOUT_FILENO);
    }
    if (surroundings.preload != nullptr) setenv("LD_PRELOAD", surroundings.preload, 1);
    alarm(120);
    // A cross build's binary runs under its emulator (words separated by blanks).
    std::vector<std::string> words;
    std::string emulator = TALVIMO_EMULATOR;
    for (size_t at = 0; at < emulator.size();) {
      const size_t end = std::min(emulator.find(' ', at), emulator.size());
      if (end > at) words.push_back(emulator.substr(at, end - at));
      at = end + 1;
    }
    words.push_back(surroundings.binary != nullptr ? surroundings.binary : TALVIMO_BINARY);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  RunResult result{"", -1};
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) result.out.append(buffer, static_cast<size_t>(got));
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  return result;
}

RunResult Scratch::convert(const Bytes& input, const std::string& blockSize,
                           const std::vector<std::string>& switches) const {
  write("in.raw", input);
  std::vector<std::string> args = {"in.raw", blockSize};
  args.insert(args.end(), switches.begin(), switches.end());
  return run(args);
}

namespace {
uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
}  // namespace

Wav parseWav(const Bytes& b) {
  if (b.size() < 44) throw std::runtime_error("WAV shorter than its header");
  Wav w{};
  w.riff.assign(b.begin(), b.begin() + 4);
  w.riffSize = le32(b, 4);
  w.wave.assign(b.begin() + 8, b.begin() + 12);
  w.fmt.assign(b.begin() + 12, b.begin() + 16);
  w.fmtSize = le32(b, 16);
  w.format = le16(b, 20);
  w.channels = le16(b, 22);
  w.rate = le32(b, 24);
  w.byteRate = le32(b, 28);
  w.blockAlign = le16(b, 32);
  w.bits = le16(b, 34);
  w.data.assign(b.begin() + 36, b.begin() + 40);
  w.dataSize = le32(b, 40);
  for (size_t at = 44; at + 1 < b.size(); at += 2) w.samples.push_back(static_cast<int16_t>(le16(b, at)));
  return w;
}
