// make_blind_set: test sets for talvimo-probe, made apart from the probe's own.
//
//   make_blind_set archives DIR SEED        about 60 archives, DIR/manifest.txt
//   make_blind_set files DIR SEED           about 30 files of many regions, DIR/regions.txt
//   make_blind_set big FILE SIZE_MIB SEED   one large file of regions, FILE.regions.txt
//
// Every set also gets truth_commands.txt: the talvimo command that cuts each
// archive or region right, and the files it must write (see check_truth.py).
#include <cstdint>
#include <iostream>
#include <string>

#include "archive_set.h"
#include "region_files.h"

namespace {

int usage() {
  std::cerr << "usage: make_blind_set archives DIR SEED\n"
               "       make_blind_set files DIR SEED\n"
               "       make_blind_set big FILE SIZE_MIB SEED\n";
  return 2;
}

bool readNumber(const std::string& text, uint64_t& value) {
  try {
    size_t used = 0;
    value = std::stoull(text, &used, 0);
    return used == text.size();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  uint64_t seed = 0;
  uint64_t size = 0;
  if (mode == "archives" && argc == 4 && readNumber(argv[3], seed)) return blind::writeArchiveSet(argv[2], seed);
  if (mode == "files" && argc == 4 && readNumber(argv[3], seed)) return blind::writeRegionFiles(argv[2], seed);
  if (mode == "big" && argc == 5 && readNumber(argv[3], size) && readNumber(argv[4], seed) && size > 0) {
    return blind::writeBigFile(argv[2], size, seed);
  }
  return usage();
}
