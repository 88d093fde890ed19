#include "output/output_file.h"

#include <sys/stat.h>

namespace {

bool isRunInput(const RunState& s, const char* name) {
  struct stat target;
  struct stat input;
  if (s.input == nullptr || stat(name, &target) != 0) return false;
  if (fstat(fileno(s.input), &input) != 0) return false;
  return target.st_dev == input.st_dev && target.st_ino == input.st_ino;
}

}  // namespace

FILE* createOutputFile(const RunState& s, const char* name) {
  if (isRunInput(s, name)) return nullptr;
  return std::fopen(name, "wb");
}
