// Writes a stereo benchmark archive: blocks of 0x800 bytes of encoded music, from
// whispering to clipping loud, with bursts of noise, so that every filter 0..4 and
// every shift 0..12 occurs; or, with "music", the music alone, as users' archives hold
// it (almost no frames of filter 0). A few MiB are encoded and then repeated to the
// size asked. The filter and shift histogram goes to standard error.
//   make_bench_archive OUTPUT MIB [music]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "encode/adpcm_encoder.h"
#include "encode/signals.h"

namespace {

constexpr size_t kBlockSize = 0x800;
constexpr size_t kUniqueBytes = 4u << 20;

std::vector<int16_t> channelSignal(uint32_t seed, size_t samples, bool musicOnly) {
  std::vector<int16_t> out;
  uint32_t noise = seed * 747796405u + 1u;
  // Music alone is played at ordinary levels: at the quietest ones the noise floor of
  // the synthesis would dominate, as it does in the mixed archive.
  const double mixed[] = {30.0, 300.0, 3000.0, 12000.0, 28000.0};
  const double music[] = {2000.0, 5000.0, 9000.0, 14000.0, 20000.0};
  const double* amplitudes = musicOnly ? music : mixed;
  for (size_t part = 0; out.size() < samples; ++part) {
    std::vector<int16_t> piece = synthesizeMusic(seed + static_cast<uint32_t>(part), 48000 / 2, 48000, amplitudes[part % 5]);
    if (part % 6 == 5 && !musicOnly) {  // a whisper: a few steps of the smallest shifts
      for (int16_t& s : piece) s = static_cast<int16_t>(s / 64);
    }
    if (part % 7 == 6 && !musicOnly) {  // a burst of full-scale noise
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
  const bool musicOnly = argc == 4 && std::string(argv[3]) == "music";
  if (argc != 3 && !musicOnly) {
    std::fputs("usage: make_bench_archive OUTPUT MIB [music]\n", stderr);
    return 1;
  }
  const size_t total = static_cast<size_t>(std::atol(argv[2])) << 20;
  const size_t framesPerChannel = kUniqueBytes / 2 / kFrameBytes;
  const std::vector<uint8_t> left = encodeStream(channelSignal(1, framesPerChannel * kSamplesPerFrame, musicOnly));
  const std::vector<uint8_t> right = encodeStream(channelSignal(2, framesPerChannel * kSamplesPerFrame, musicOnly));
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
  const double frames = static_cast<double>(unique.size() / kFrameBytes);
  int filter0 = 0;
  for (int shift = 0; shift < 16; ++shift) filter0 += histogram[0][shift];
  std::fprintf(stderr, "filter 0 frames: %.2f %%\nfilters x shifts in the unique part:\n", 100.0 * filter0 / frames);
  for (int f = 0; f < 5; ++f) {
    for (int s = 0; s < 13; ++s) std::fprintf(stderr, "%7d", histogram[f][s]);
    std::fputc('\n', stderr);
  }
  return 0;
}
