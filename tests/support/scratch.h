// Test support: a scratch directory, and runs of talvimo in it, as a process or in process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/run_state.h"

using Bytes = std::vector<uint8_t>;

struct RunResult {
  std::string out;  // everything printed on standard output
  int status;       // exit status (255 for the result -1)
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

  // Runs the built binary with these arguments, in the scratch directory.
  RunResult run(const std::vector<std::string>& args) const;
  // The same run in this process: reset, parse, then configure() sets RunState fields
  // that no switch reaches, then the rest of the run.
  RunResult runInProcess(const std::vector<std::string>& args,
                         const std::function<void(RunState&)>& configure = nullptr) const;

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
