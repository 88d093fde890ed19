#include "run/input_reader.h"

#include <cstring>

#include "platform/files.h"

void resetInputReader(InputReader& reader, int64_t offset) {
  reader.start = offset;
  reader.used = 0;
  reader.size = 0;
  reader.failed = false;
}

size_t refillInput(InputReader& reader, FILE* input) {
  const size_t left = reader.size - reader.used;
  std::memmove(reader.data, reader.data + reader.used, left);
  reader.start += static_cast<int64_t>(reader.used);
  reader.used = 0;
  reader.size = left;
  if (reader.failed) return reader.size;
  reader.size += std::fread(reader.data + left, 1, kInputChunk - left, input);
  reader.failed = std::ferror(input) != 0;
  return reader.size;
}

const uint8_t* peekInputFrame(InputReader& reader, FILE* input) {
  if (reader.size - reader.used < kFrameBytes && refillInput(reader, input) < kFrameBytes) return nullptr;
  return reader.data + reader.used;
}

int seekInput(InputReader& reader, FILE* input, int64_t offset) {
  // Within the window (and forward only, as skips are): no need to touch the file.
  if (offset >= reader.start + static_cast<int64_t>(reader.used) && offset <= reader.start + static_cast<int64_t>(reader.size)) {
    reader.used = static_cast<size_t>(offset - reader.start);
    return 0;
  }
  // A failed read is not forgotten by moving on past it.
  if (reader.failed || seekFile(input, offset) != 0) return -1;
  resetInputReader(reader, offset);
  return 0;
}
