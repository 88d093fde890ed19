// Writes a stereo benchmark archive: blocks of 0x800 bytes of encoded music, from
// whispering to clipping loud, with bursts of noise, so that every filter 0..4 and
// every shift 0..12 occurs. A few MiB are encoded and then repeated to the size asked.
//   make_bench_archive OUTPUT MIB
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "encode/adpcm_encoder.h"
#include "encode/signals.h"

namespace {

constexpr size_t kBlockSize = 0x800;
constexpr size_t kUniqueBytes = 4u << 20;

std::vector<int16_t> channelSignal(uint32_t seed, size_t samples) {
  std::vector<int16_t> out;
  uint32_t noise = seed * 747796405u + 1u;
  const double amplitudes[] = {30.0, 300.0, 3000.0, 12000.0, 28000.0};
  for (size_t part = 0; out.size() < samples; ++part) {
    std::vector<int16_t> piece = synthesizeMusic(seed + static_cast<uint32_t>(part), 48000 / 2, 48000, amplitudes[part % 5]);
    if (part % 6 == 5) {  // a whisper: a few steps of the smallest shifts
      for (int16_t& s : piece) s = static_cast<int16_t>(s / 64);
    }
    if (part % 7 == 6) {  // a burst of full-scale noise
      for (int16_t& s : piece) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        s = static_cast<int16_t>(noise & 0xFFFF);
      }
    }
    out.insert(out.end(), piece.begin(), piece.end());
  }
  out.resize(samples);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: make_bench_archive OUTPUT MIB\n", stderr);
    return 1;
  }
  const size_t total = static_cast<size_t>(std::atol(argv[2])) << 20;
  const size_t framesPerChannel = kUniqueBytes / 2 / kFrameBytes;
  const std::vector<uint8_t> left = encodeStream(channelSignal(1, framesPerChannel * kSamplesPerFrame));
  const std::vector<uint8_t> right = encodeStream(channelSignal(2, framesPerChannel * kSamplesPerFrame));
  const std::vector<uint8_t> unique = interleaveBlocks(left, right, kBlockSize);
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 1;
  for (size_t written = 0; written < total; written += unique.size()) {
    const size_t n = std::min(unique.size(), total - written);
    if (std::fwrite(unique.data(), 1, n, out) != n) return 1;
  }
  if (std::fclose(out) != 0) return 1;
  int histogram[16][16] = {};
  for (size_t at = 0; at < unique.size(); at += kFrameBytes) histogram[unique[at] >> 4][unique[at] & 15] += 1;
  std::fprintf(stderr, "filters x shifts in the unique part:\n");
  for (int f = 0; f < 5; ++f) {
    for (int s = 0; s < 13; ++s) std::fprintf(stderr, "%7d", histogram[f][s]);
    std::fputc('\n', stderr);
  }
  return 0;
}
