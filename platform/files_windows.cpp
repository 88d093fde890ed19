// The file system calls on Windows (MinGW-w64): handles looked at before they become C
// streams, 64-bit offsets, binary mode throughout.
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Volume and file index name a file whatever path reaches it.
bool sameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

// A disk file, not a directory: what Windows calls a regular file.
bool isRegular(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

FILE* stream(HANDLE h, int flags, const char* mode) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  FILE* file = _fdopen(fd, mode);
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace

FILE* openInputFile(const char* name, int64_t* length) {
  const HANDLE h = CreateFileA(name, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  if (!isRegular(h) || !GetFileSizeEx(h, &size)) {
    CloseHandle(h);
    return nullptr;
  }
  FILE* file = stream(h, _O_RDONLY, "rb");
  if (file == nullptr) return nullptr;
  std::setvbuf(file, nullptr, _IONBF, 0);
  *length = size.QuadPart;
  return file;
}

FILE* createOutputFile(const char* name, FILE* input) {
  // Opened without truncating, then looked at: only a new file or an existing regular
  // file other than the input is cut to nothing and written.
  const HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  const HANDLE in = input == nullptr ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(input)));
  LARGE_INTEGER start{};
  if (!isRegular(h) || (in != INVALID_HANDLE_VALUE && sameFile(h, in)) || !SetFilePointerEx(h, start, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(h)) {
    CloseHandle(h);
    return nullptr;
  }
  return stream(h, _O_WRONLY, "wb");
}

// Holes are not looked for: they are read as the zeros they hold.
int64_t dataFrom(FILE*, int64_t offset, int64_t) { return offset; }

int seekFile(FILE* file, int64_t offset) { return _fseeki64(file, offset, SEEK_SET) == 0 ? 0 : -1; }

int truncateFile(FILE* file, int64_t length) {
  if (std::fflush(file) != 0) return -1;
  return _chsize_s(_fileno(file), length) == 0 ? 0 : -1;
}

int measureFile(const char* name, int64_t* length) {
  struct _stat64 info;
  if (_stat64(name, &info) != 0) return -1;
  *length = info.st_size;
  return 0;
}

void reopenClosedStandardStreams() {
  // A process started without a standard handle has none to look up: asking the C
  // runtime about the descriptor could trip its invalid-parameter handler instead.
  const DWORD handles[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  FILE* const streams[3] = {stdin, stdout, stderr};
  for (int i = 0; i < 3; ++i) {
    const HANDLE h = GetStdHandle(handles[i]);
    if (h != nullptr && h != INVALID_HANDLE_VALUE) continue;
    std::freopen("NUL", i == 0 ? "r" : "w", streams[i]);
  }
}
