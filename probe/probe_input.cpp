#include "probe/probe_input.h"

#include "platform/files.h"

int readRange(FILE* file, int64_t offset, uint8_t* bytes, size_t count) {
  if (seekFile(file, offset) != 0) return -1;
  return std::fread(bytes, 1, count, file) == count ? 0 : -1;
}

int openProbeInput(ProbeInput& in) {
  in.file = openInputFile(in.name, &in.length);
  return in.file == nullptr ? -1 : 0;
}

void closeProbeInput(ProbeInput& in) {
  if (in.file != nullptr) std::fclose(in.file);
  in.file = nullptr;
}

int readRegionSample(const ProbeInput& in, const AudioExtent& extent, int64_t bytes, RegionSample& sample) {
  sample.offset = std::max<int64_t>(0, extent.start - kLeadInBytes);
  const int64_t end = std::min(extent.end, extent.start + bytes);
  sample.bytes.resize(static_cast<size_t>(std::max<int64_t>(0, end - sample.offset)));
  return readRange(in.file, sample.offset, sample.bytes.data(), sample.bytes.size());
}

int64_t afterHole(const ProbeInput& in, int64_t at, int64_t to) {
  const int64_t data = std::min(dataFrom(in.file, at, in.length), to);
  if (data - at < 2 * kHoleBytesRead) return at;
  return at + (data - at) / kFrameBytes * kFrameBytes;
}
