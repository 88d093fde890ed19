#include "probe/probe_input.h"

#include "platform/files.h"

int readRange(FILE* file, int64_t offset, uint8_t* bytes, size_t count) {
  if (seekFile(file, offset) != 0) return -1;
  return std::fread(bytes, 1, count, file) == count ? 0 : -1;
}

int readProbeInput(ProbeInput& in) {
  in.file = openInputFile(in.name, &in.length);
  if (in.file == nullptr) return -1;
  const int64_t headLength = std::min(in.length, kMaxHeaderBytes + kLayoutBytes);
  in.head.resize(static_cast<size_t>(headLength));
  if (readRange(in.file, 0, in.head.data(), in.head.size()) != 0) return -1;
  in.tailStart = std::max<int64_t>(0, in.length - kTailBytes);
  in.tail.resize(static_cast<size_t>(in.length - in.tailStart));
  return readRange(in.file, in.tailStart, in.tail.data(), in.tail.size());
}

void closeProbeInput(ProbeInput& in) {
  if (in.file != nullptr) std::fclose(in.file);
  in.file = nullptr;
}
