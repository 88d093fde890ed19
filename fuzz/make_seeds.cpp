// Writes the fuzzer's seed corpus: small archives from the project's encoder under the
// command lines the tests use.
//   make_fuzz_seeds DIR
#include <cstdio>
#include <string>
#include <vector>

#include "encode/archive.h"
#include "fuzz/fuzz_input.h"

namespace {

bool writeSeed(const std::string& path, const std::vector<uint8_t>& seed) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out != nullptr && std::fwrite(seed.data(), 1, seed.size(), out) == seed.size() && std::fclose(out) == 0) return true;
  std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_fuzz_seeds DIR\n", stderr);
    return 1;
  }
  // Two marked tracks and one plain one, blocks of 0x40 bytes (block choice 2).
  std::vector<uint8_t> archive = buildArchive({makeTrack(1, 2, 0x40, 48000, true), makeTrack(2, 1, 0x40, 48000, true),
                                               makeTrack(3, 2, 0x40, 48000, false)},
                                              0x40);
  std::vector<uint8_t> withCuts = archive;
  withCuts.insert(withCuts.begin() + 0x100, 16, 0);  // an empty frame between tracks
  const std::vector<std::vector<std::string>> commandLines = {
      {},         {"-t1", "-v"},         {"-t0", "-m0x80"},    {"-t2", "-m64"},         {"-t3,3", "-v"},
      {"-t4,0x0C,0"}, {"-t5,0"},         {"-c", "-t1"},        {"-o1", "-r", "-f22050"}, {"-d", "-t2"},
      {"-x00", "-e07"}, {"-s0x20", "-h0x10", "-b0x100"}, {"-n0xFFFF", "-t2"}, {"-t4,1,2,3", "-t5,1"},
  };
  int written = 0;
  for (size_t i = 0; i < commandLines.size(); ++i) {
    for (const std::vector<uint8_t>* input : {&archive, &withCuts}) {
      const std::vector<uint8_t> seed = encodeFuzzInput(static_cast<int>(i % 10), 2, commandLines[i], *input);
      if (!writeSeed(std::string(argv[1]) + "/seed" + std::to_string(written++), seed)) return 1;
    }
  }
  // FIFOs where the run writes: the output, the second numbered output, the list file.
  const std::vector<std::pair<std::vector<std::string>, int>> blocked = {{{}, 0}, {{"-t2"}, 2}, {{"-c"}, 4}};
  for (const auto& [switches, fifo] : blocked) {
    const std::vector<uint8_t> seed = encodeFuzzInput(0, 2, switches, withCuts, fifo);
    if (!writeSeed(std::string(argv[1]) + "/seed" + std::to_string(written++), seed)) return 1;
  }
  return 0;
}
