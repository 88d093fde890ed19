// The file system calls on POSIX systems.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isSameFile(FILE* input, const struct stat& target) {
  struct stat opened;
  if (input == nullptr || fstat(fileno(input), &opened) != 0) return false;
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
  // Opened without truncating and without blocking (a FIFO with no reader would wait
  // for one), then looked at: only a new file or an existing regular file other than
  // the input is truncated and written. An empty one is left as it is: truncating it
  // changes nothing, yet on ext4 it makes the close wait until every block of what was
  // written since has been allocated (which nearly doubled the time of a large run).
  const int fd = open(name, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || isSameFile(input, info) ||
      (info.st_size != 0 && ftruncate(fd, 0) != 0) || fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    return nullptr;
  }
  FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

void reopenClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower descriptors are open, so this one is the lowest free and open takes it.
    const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

int64_t dataFrom(FILE* file, int64_t offset, int64_t length) {
#ifdef SEEK_DATA
  const int fd = fileno(file);
  const off_t position = lseek(fd, 0, SEEK_CUR);
  if (position < 0) return offset;
  const off_t data = lseek(fd, static_cast<off_t>(offset), SEEK_DATA);
  const int64_t found = data >= 0 ? static_cast<int64_t>(data) : errno == ENXIO ? length : offset;
  return lseek(fd, position, SEEK_SET) == position ? found : offset;
#else
  (void)file, (void)length;
  return offset;
#endif
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
