// JSON read by a real parser: Python's json module, run on the text. Each value of the
// object, nested ones included, under its path ("channels", "command.0",
// "regions.1.start"): strings as they are, everything else (numbers, null, true,
// arrays and objects whole) as compact JSON text.
#pragma once

#include <map>
#include <string>

#include "support/scratch.h"

struct JsonValues {
  bool parsed = false;  // the text was one valid JSON object
  std::map<std::string, std::string> at;
  std::string operator[](const std::string& path) const {
    const auto found = at.find(path);
    return found == at.end() ? "" : found->second;
  }
  // The strings of an array at `path`.
  std::vector<std::string> strings(const std::string& path) const;
};

// False when python3 cannot be run here (the caller skips).
bool pythonAvailable();

JsonValues readJson(const Scratch& dir, const std::string& text);
