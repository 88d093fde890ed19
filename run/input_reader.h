// Reading the input in large chunks while the scan sees it byte by byte or frame by frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "decode/adpcm_decoder.h"

constexpr size_t kInputChunk = 1 << 16;

// A window on the input file: data[0] lies at file offset start; bytes before `used`
// have been consumed.
struct InputReader {
  uint8_t data[kInputChunk];
  int64_t start;  // file offset of data[0]
  size_t used;    // bytes of data consumed
  size_t size;    // bytes of data valid
  bool failed;    // a read failed (not the end of the file): nothing more is read
};

// Forgets the window; the next read starts at the stream's current position, offset.
void resetInputReader(InputReader& reader, int64_t offset);

// The next byte, or -1 when the input is exhausted or a read failed (then `failed` is set).
inline int readInputByte(InputReader& reader, FILE* input);

// The next 16 bytes when the input still holds them, else nullptr. Does not consume them.
const uint8_t* peekInputFrame(InputReader& reader, FILE* input);

// Continues reading at the given file offset. 0, or -1 when the stream cannot seek or
// an earlier read failed.
int seekInput(InputReader& reader, FILE* input, int64_t offset);

// Refills the window after what was consumed; the number of bytes now available. After a
// failed read it reads nothing more.
size_t refillInput(InputReader& reader, FILE* input);

inline int readInputByte(InputReader& reader, FILE* input) {
  if (reader.used == reader.size && refillInput(reader, input) == 0) return -1;
  return reader.data[reader.used++];
}
