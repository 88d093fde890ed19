#include "file_writer.h"

#include <stdexcept>

#include "fillers.h"
#include "truth_lines.h"

namespace blind {
namespace {

constexpr uint64_t kZeroChunk = 1 << 16;

}  // namespace

FileWriter::FileWriter(const std::string& path, const std::string& name, std::ostream& regions, std::ostream& commands)
    : out_(path, std::ios::binary), name_(name), regions_(regions), commands_(commands) {
  if (!out_) throw std::runtime_error("cannot create " + path);
}

void FileWriter::write(const Bytes& bytes) {
  out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  offset_ += bytes.size();
}

void FileWriter::zeros(uint64_t count) {
  const Bytes chunk(kZeroChunk, 0);
  while (count > 0) {
    const uint64_t take = std::min(count, kZeroChunk);
    out_.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(take));
    offset_ += take;
    count -= take;
  }
}

void FileWriter::padTo(size_t alignment) { zeros(paddingTo(offset_, alignment)); }

void FileWriter::writeRegion(const RegionPiece& piece) {
  const uint64_t base = offset_;
  write(piece.bytes);
  regions_ << name_ << ' ' << base + piece.soundStart << ' ' << base + piece.soundEnd << ' ' << piece.channels << ' ' << piece.block << ' '
           << piece.tracks << ' ' << piece.rate << '\n';
  CutCommand command = piece.command;
  command.start += base;
  command.end += base;
  writeCommandLine(commands_, name_, piece.tracks, piece.rate, command);
  ++regionCount_;
}

void FileWriter::close() {
  out_.close();
  if (!out_) throw std::runtime_error("cannot write " + name_);
}

}  // namespace blind
