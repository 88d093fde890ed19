#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isSameFile(FILE* input, const char* name) {
  struct stat target;
  struct stat opened;
  if (input == nullptr || stat(name, &target) != 0) return false;
  if (fstat(fileno(input), &opened) != 0) return false;
  return target.st_dev == opened.st_dev && target.st_ino == opened.st_ino;
}

}  // namespace

FILE* openInputFile(const char* name, int64_t* length) {
  // Opening without blocking keeps a FIFO from hanging the run before it is refused.
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
  std::setvbuf(file, nullptr, _IONBF, 0);
  *length = info.st_size;
  return file;
}

FILE* createOutputFile(const char* name, FILE* input) {
  if (isSameFile(input, name)) return nullptr;
  return std::fopen(name, "wb");
}

int seekFile(FILE* file, int64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 ? 0 : -1; }

int truncateFile(FILE* file, int64_t length) {
  if (std::fflush(file) != 0) return -1;
  return ftruncate(fileno(file), static_cast<off_t>(length)) == 0 ? 0 : -1;
}

int measureFile(const char* name, int64_t* length) {
  struct stat info;
  if (stat(name, &info) != 0) return -1;
  *length = info.st_size;
  return 0;
}
