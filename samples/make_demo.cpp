// Rebuilds the sample archive: three stereo tracks of synthesized music, 48000 Hz,
// blocks of 0x800 bytes, each track marked by a leading marker frame in both channels
// (so that archive type 1 cuts it into three files). The channels of each track are the
// two sides of one piece, as in stereo music.
//   make_demo samples/demo.raw
#include <cstdio>

#include "encode/archive.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_demo OUTPUT\n", stderr);
    return 1;
  }
  constexpr size_t kBlockSize = 0x800;
  constexpr int kRate = 48000;
  // 3584 samples per channel and pair: 27 pairs are about two seconds.
  const std::vector<StereoTrack> tracks = {
      makeTrack(1, 27, kBlockSize, kRate, true, true),
      makeTrack(2, 20, kBlockSize, kRate, true, true),
      makeTrack(3, 34, kBlockSize, kRate, true, true),
  };
  const std::vector<uint8_t> archive = buildArchive(tracks, kBlockSize);
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr || std::fwrite(archive.data(), 1, archive.size(), out) != archive.size() ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "make_demo: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
