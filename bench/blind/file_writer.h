// Writes one region file as it is made, and the truth about the regions in it.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "region_pieces.h"

namespace blind {

class FileWriter {
 public:
  // `regions` and `commands` receive one line per region (regions.txt, truth_commands.txt).
  FileWriter(const std::string& path, const std::string& name, std::ostream& regions, std::ostream& commands);

  uint64_t offset() const { return offset_; }
  int regionCount() const { return regionCount_; }

  void write(const Bytes& bytes);
  void zeros(uint64_t count);
  void padTo(size_t alignment);
  // Writes the piece where the file stands and records its region in file offsets.
  void writeRegion(const RegionPiece& piece);
  // Throws std::runtime_error when the file could not be written.
  void close();

 private:
  std::ofstream out_;
  std::string name_;
  std::ostream& regions_;
  std::ostream& commands_;
  uint64_t offset_ = 0;
  int regionCount_ = 0;
};

}  // namespace blind
