// Writes the probe's test set into a directory: one archive per case and a manifest,
// one line per archive: name channels block_size start end tracks. Another first seed
// gives another set of the same kinds; "hard" the set of what the probe finds hard.
//   make_probe_set DIR [FIRST_SEED [hard]]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "encode/probe_set.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fputs("usage: make_probe_set DIR [FIRST_SEED [hard]]\n", stderr);
    return 1;
  }
  const std::string dir = argv[1];
  FILE* manifest = std::fopen((dir + "/manifest.txt").c_str(), "w");
  if (manifest == nullptr) {
    std::fprintf(stderr, "make_probe_set: cannot write into %s\n", argv[1]);
    return 1;
  }
  const uint32_t firstSeed = argc >= 3 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 1;
  const bool hard = argc == 4 && std::string(argv[3]) == "hard";
  for (const ProbeCase& c : hard ? probeHardSet(firstSeed) : probeTestSet(firstSeed)) {
    const std::vector<uint8_t> archive = buildProbeArchive(c);
    const std::string path = dir + "/" + c.name + ".raw";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(archive.data(), 1, archive.size(), out) != archive.size() ||
        std::fclose(out) != 0) {
      std::fprintf(stderr, "make_probe_set: cannot write %s\n", path.c_str());
      return 1;
    }
    std::fprintf(manifest, "%s %d %u %u %zu %d\n", c.name.c_str(), probeChannels(c), c.blockSize, c.headerSize,
                 archive.size() - c.trailerSize, c.tracks);
  }
  return std::fclose(manifest) == 0 ? 0 : 1;
}
