#include "probe/probe_input.h"

#include <algorithm>

#include "platform/files.h"

int readRange(FILE* input, int64_t offset, uint8_t* bytes, size_t count) {
  if (seekFile(input, offset) != 0) return -1;
  return std::fread(bytes, 1, count, input) == count ? 0 : -1;
}

int readProbeInput(ProbeState& p, FILE** input) {
  *input = openInputFile(p.inputName, &p.inputLength);
  if (*input == nullptr) return -1;
  const int64_t headLength = std::min(p.inputLength, kMaxHeaderBytes + kLayoutBytes);
  p.head.resize(static_cast<size_t>(headLength));
  if (readRange(*input, 0, p.head.data(), p.head.size()) != 0) return -1;
  p.tailStart = std::max<int64_t>(0, p.inputLength - kTailBytes);
  p.tail.resize(static_cast<size_t>(p.inputLength - p.tailStart));
  return readRange(*input, p.tailStart, p.tail.data(), p.tail.size());
}
