#include "cut_count.h"

#include <algorithm>
#include <sstream>

namespace blind {
namespace {

constexpr size_t kQuietZeroBytes = 14;  // a frame with this many zero bytes or more is quiet

std::string hex(uint64_t value) {
  std::ostringstream out;
  out << "0x" << std::uppercase << std::hex << value;
  return out.str();
}

size_t zeroBytes(const uint8_t* frame) { return static_cast<size_t>(std::count(frame, frame + kFrameBytes, uint8_t{0})); }

bool isMarker(const uint8_t* frame) { return frame[kHeaderByte] == kSilenceHeader && zeroBytes(frame) >= kQuietZeroBytes; }

bool isEmpty(const uint8_t* frame) { return zeroBytes(frame) == kFrameBytes; }

// Segment bookkeeping while frames are fed in order.
class Segmenter {
 public:
  explicit Segmenter(const CutCommand& command) : command_(command) {}

  void feed(const uint8_t* frame) {
    if (command_.type == ArchiveType::EmptyFrame && isEmpty(frame)) {
      close();
      channel_ = 0;
      blockBytes_ = 0;
      return;  // the frame is dropped and the next segment starts after it
    }
    if (command_.type == ArchiveType::Marker && isMarker(frame) && (segmentFrames_ * kFrameBytes) % (2 * command_.block) == 0) close();
    blockBytes_ += kFrameBytes;
    if (blockBytes_ >= command_.block) {
      blockBytes_ = 0;
      if (channel_ == 1) pairWritten_ = true;
      channel_ ^= 1;
    }
    ++segmentFrames_;
  }

  int finish() {
    close();
    return files_;
  }

 private:
  void close() {
    if (pairWritten_) ++files_;
    pairWritten_ = false;
    segmentFrames_ = 0;
  }

  const CutCommand& command_;
  int files_ = 0;
  bool pairWritten_ = false;
  int channel_ = 0;
  size_t blockBytes_ = 0;
  uint64_t segmentFrames_ = 0;
};

}  // namespace

std::vector<std::string> CutCommand::arguments() const {
  std::vector<std::string> args = {hex(block), "-h" + hex(start), "-b" + hex(end)};
  if (type != ArchiveType::None) args.push_back("-t" + std::to_string(static_cast<int>(type)));
  if (channels == 1) args.push_back("-o1");
  if (rate > 0) args.push_back("-f" + std::to_string(rate));
  return args;
}

int countWavFiles(const Bytes& archive, const CutCommand& command) {
  Segmenter segmenter(command);
  const uint64_t stop = std::min<uint64_t>(command.end, archive.size());
  for (uint64_t at = command.start; at + kFrameBytes <= stop; at += kFrameBytes) segmenter.feed(archive.data() + at);
  return segmenter.finish();
}

}  // namespace blind
