// Test support: a scratch directory, runs of the built talvimo binary in it, and WAV parsing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct RunResult {
  std::string out;  // everything printed on standard output
  int status;       // exit status (255 for the result -1)
};

// How a run's surroundings differ from a plain run's.
struct RunSurroundings {
  uint64_t fileSizeLimit = 0;        // RLIMIT_FSIZE (SIGXFSZ ignored): writes past it fail like a full disk
  const char* stdoutPath = nullptr;  // standard output goes to this file instead of the result's `out`
  bool closeStdinAndStdout = false;  // the binary starts with descriptors 0 and 1 closed
  const char* binary = nullptr;      // another built program to run instead of talvimo
  const char* preload = nullptr;     // a library loaded into the run first (LD_PRELOAD)
};

class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path path(const std::string& name) const { return dir_ / name; }
  void write(const std::string& name, const Bytes& bytes) const;
  Bytes read(const std::string& name) const;
  bool exists(const std::string& name) const;
  // Names of the regular files in the directory (not recursive), sorted.
  std::vector<std::string> files() const;

  // Runs the built binary with these arguments, in the scratch directory. A run that
  // has not ended after two minutes is killed (SIGALRM), so that a hang fails the test.
  RunResult run(const std::vector<std::string>& args, const RunSurroundings& surroundings = {}) const;
  // Writes the input as in.raw and runs "in.raw blockSize switches...".
  RunResult convert(const Bytes& input, const std::string& blockSize, const std::vector<std::string>& switches) const;

 private:
  std::filesystem::path dir_;
};

// A WAV file's header fields and samples.
struct Wav {
  uint32_t riffSize, fmtSize;
  uint16_t format, channels;
  uint32_t rate, byteRate;
  uint16_t blockAlign, bits;
  uint32_t dataSize;
  std::string riff, wave, fmt, data;
  std::vector<int16_t> samples;  // everything after the 44-byte header
};
Wav parseWav(const Bytes& bytes);
