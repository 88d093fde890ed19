#include "probe/sound_regions.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/files.h"

namespace {

constexpr int64_t kMinRegionFrames = 64;     // sound frames in a row that make a region
constexpr int64_t kMinShortInputFrames = 8;  // in an input shorter than that, as many as it holds, but this many
constexpr int64_t kLoudFrames = 8;           // frames not empty that begin and end a region
constexpr size_t kScanChunk = 1 << 20;       // bytes read at a time
constexpr int kAlignments = kFrameBytes;     // a region's frames may begin at any byte of 16

// A VAGp clip: a 48-byte header, its fields big-endian, the clip's data right after it.
constexpr char kVagMagic[] = {'V', 'A', 'G', 'p'};
constexpr int64_t kVagHeaderBytes = 48;
constexpr int kVagSizeAt = 12;   // bytes of data
constexpr int kVagRateAt = 16;   // samples per second
constexpr int32_t kMaxVagRate = 192000;

// Sound that a table of small numbers or a flat image is not: a frame of encoded sound
// that is not quiet has codes of every size (on the test sets at most 0.7 of its 14 code
// bytes are 0, on average; a table of 32-bit numbers below 65536 has 5), and differs
// from the frame before it.
constexpr int64_t kMaxZeroCodeBytesTimes2 = 5;  // zero code bytes per frame, on average, at most 2.5
// Nor does an encoder need filter 0 with a shift of 0..3 (the loudest frames, with no
// prediction) for most of its frames (on the test sets at most a fifth), while a table
// of 32-bit numbers read across has headers of its numbers' high bytes: 0..3.
constexpr uint8_t kLoudestHeaders = 4;

// --- Which of the 16 frames that begin in a row of 16 bytes are frames of sound. ---
// Eight bytes at a time: the top bit of each byte of a word says something of that byte.

constexpr uint64_t kTopBits = 0x8080808080808080ULL;
constexpr uint64_t kLowNibbles = 0x0F0F0F0F0F0F0F0FULL;
constexpr uint64_t everyByte(uint8_t b) { return 0x0101010101010101ULL * b; }

// The bytes below n (n at most 0x80): no borrow crosses a byte when each byte has its
// top bit set first.
uint64_t below(uint64_t x, uint8_t n) { return ~((x | kTopBits) - everyByte(n)) & ~x & kTopBits; }

// The top bits of the eight bytes, gathered into the low eight bits.
uint32_t gather(uint64_t topBits) { return static_cast<uint32_t>(((topBits >> 7) * 0x0102040810204080ULL) >> 56); }

uint64_t word(const uint8_t* at) {
  uint64_t w = 0;
  for (int i = 7; i >= 0; --i) w = w << 8 | at[i];  // little-endian, whatever the machine
  return w;
}

// Bit a: a frame beginning at row[a] has a header of sound (filter 0..4, shift 0..12)
// and its flag byte row[a + 1] is 0..7. Reads row[0 .. 16].
uint32_t soundFrameMask(const uint8_t* row) {
  uint32_t mask = 0;
  for (int half = 0; half < 2; ++half) {
    const uint64_t x = word(row + 8 * half);
    const uint64_t next = word(row + 8 * half + 1);  // the byte after each
    const uint64_t header = below(x, kFilters << 4) & below(x & kLowNibbles, kMaxSoundShift + 1);  // filter: the high nibble
    const uint64_t flag = below(next, kMaxSoundFlag + 1);
    mask |= gather(header & flag) << (8 * half);
  }
  return mask;
}

// A run of sound frames at one alignment, as the scan found it.
struct Run {
  int64_t start, end;
};

// The scan's state: for each alignment the run going on, and the runs found.
struct Scan {
  std::array<int64_t, kAlignments> runStart{};
  uint32_t alive = 0;          // alignments with a run going on
  int64_t lastNonZero = -1;    // the last offset of a row that is not all zero
  int64_t minFrames = kMinRegionFrames;
  std::vector<Run> runs;
  std::vector<int64_t> vagHeaders;

  int64_t length = 0;          // of the input: frames end within it

  void close(int a, int64_t end) {
    const int64_t start = runStart[static_cast<size_t>(a)];
    end = start + (std::min(end, length) - start) / kFrameBytes * kFrameBytes;
    if ((end - start) / kFrameBytes >= minFrames && lastNonZero >= start) runs.push_back(Run{start, end});
  }
  // A row of 16 bytes at `offset` (and the byte after it).
  void row(const uint8_t* bytes, int64_t offset) {
    const uint32_t sound = soundFrameMask(bytes);
    const uint32_t ended = alive & ~sound, started = sound & ~alive;
    for (uint32_t m = ended; m != 0; m &= m - 1) close(__builtin_ctz(m), offset + __builtin_ctz(m));
    for (uint32_t m = started; m != 0; m &= m - 1) runStart[static_cast<size_t>(__builtin_ctz(m))] = offset + __builtin_ctz(m);
    alive = sound;
    if (word(bytes) != 0 || word(bytes + 8) != 0) lastNonZero = offset + kFrameBytes - 1;
  }
};

// The VAGp headers in a chunk of bytes at `offset`.
void findVagHeaders(const uint8_t* bytes, size_t count, int64_t offset, std::vector<int64_t>& headers) {
  for (size_t at = 0; at + sizeof kVagMagic <= count; ++at) {
    const void* found = std::memchr(bytes + at, kVagMagic[0], count - at);
    if (found == nullptr) return;
    at = static_cast<size_t>(static_cast<const uint8_t*>(found) - bytes);
    if (at + sizeof kVagMagic <= count && std::memcmp(bytes + at, kVagMagic, sizeof kVagMagic) == 0) {
      headers.push_back(offset + static_cast<int64_t>(at));
    }
  }
}

uint32_t bigEndian32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 | static_cast<uint32_t>(at[2]) << 8 | at[3];
}

// One read of the input: the runs of sound frames at every alignment, and the VAGp
// headers. At its end the input is followed by bytes that begin no frame, so that every
// run ends; a frame that does not fit is no frame.
int scanInput(const ProbeInput& in, Scan& scan) {
  constexpr size_t kEndBytes = 2 * kFrameBytes;
  std::vector<uint8_t> buffer(kScanChunk + kEndBytes + kFrameBytes);
  size_t kept = 0;  // bytes carried over from the chunk before
  int64_t at = 0;   // offset of buffer[0]
  if (seekFile(in.file, 0) != 0) return -1;
  for (;;) {
    // A hole is scanned as its first kHoleBytesRead zeros, after which every alignment's
    // run goes on and nothing else changes: the scan goes on near its end, with the
    // bytes kept (zeros) standing for the hole's last ones.
    const int64_t position = at + static_cast<int64_t>(kept);
    const int64_t skipTo = afterHole(in, position, in.length);
    size_t got;
    if (skipTo > position) {
      std::memset(buffer.data() + kept, 0, kHoleBytesRead);
      got = kHoleBytesRead;
    } else {
      got = std::fread(buffer.data() + kept, 1, kScanChunk, in.file);
      if (std::ferror(in.file)) return -1;
    }
    size_t size = kept + got;
    findVagHeaders(buffer.data(), size, at, scan.vagHeaders);
    const bool last = at + static_cast<int64_t>(size) >= in.length || got == 0;
    if (last) {
      std::memset(buffer.data() + size, 0xFF, kEndBytes);  // header 0xFF: filter 15, no frame of sound
      size += kEndBytes;
    }
    size_t row = 0;
    for (; row + kFrameBytes + 1 <= size; row += kFrameBytes) scan.row(buffer.data() + row, at + static_cast<int64_t>(row));
    if (last) return 0;
    kept = size - row;  // the row not yet scanned, and any VAGp magic's first bytes
    std::memmove(buffer.data(), buffer.data() + row, kept);
    at += static_cast<int64_t>(row);
    if (skipTo > position) {
      at = skipTo - static_cast<int64_t>(kept);
      if (seekFile(in.file, skipTo) != 0) return -1;
    }
  }
}

// What a run of sound frames holds: the stretches that begin with kLoudFrames frames
// that are not empty, parted by long runs of empty frames, and that look like encoded
// sound. A stretch ends where the run ends (a last block padded with empty frames
// belongs to it), or before a long run of empty frames.
struct Pieces {
  int64_t openedAt = -1;    // the current piece's start, or -1
  int64_t loudEnd = 0;      // after the last frame that ends kLoudFrames frames not empty
  int64_t loudRun = 0, emptyRun = 0;
  int64_t soundFrames = 0, zeroCodeBytes = 0, repeated = 0, loudest = 0;
  uint8_t previous[kFrameBytes] = {};
  std::vector<AudioExtent> found;

  void close(int64_t end) {
    if (openedAt >= 0 && soundFrames >= kMinShortInputFrames && zeroCodeBytes * 2 <= kMaxZeroCodeBytesTimes2 * soundFrames &&
        repeated * 2 <= soundFrames && loudest * 2 <= soundFrames) {
      found.push_back(AudioExtent{openedAt, end});
    }
    openedAt = -1;
    soundFrames = zeroCodeBytes = repeated = loudest = 0;
  }
  void frame(const uint8_t* bytes, int64_t offset) {
    const int zeros = zeroBytes(bytes);
    if (isEmptyFrame(zeros)) {
      loudRun = 0;
      if (++emptyRun == kRegionGapFrames) close(loudEnd);
      return;
    }
    emptyRun = 0;
    // Nearly all zeros under a shift below 12 (codes of thousands beside zeros) is no
    // frame an encoder writes, but the end of a header padded with zeros may read so:
    // it begins no region.
    if (isQuietFrame(zeros) && frameShift(bytes[kHeaderByte]) < kMaxSoundShift) {
      loudRun = 0;
    } else if (++loudRun >= kLoudFrames) {
      if (openedAt < 0) openedAt = offset - (kLoudFrames - 1) * kFrameBytes;
      loudEnd = offset + kFrameBytes;
    }
    if (!isQuietFrame(zeros)) {
      soundFrames += 1;
      zeroCodeBytes += zeros - (bytes[kHeaderByte] == 0) - (bytes[kFlagByte] == 0);
      repeated += std::memcmp(bytes, previous, kFrameBytes) == 0;
      loudest += bytes[kHeaderByte] < kLoudestHeaders;
    }
    std::memcpy(previous, bytes, kFrameBytes);
  }
  // The run ends at `end`.
  void finish(int64_t end) { close(emptyRun >= kRegionGapFrames ? loudEnd : end); }
};

bool overlaps(const AudioExtent& a, const AudioExtent& b) { return a.start < b.end && b.start < a.end; }

}  // namespace

int64_t wholeFramesEnd(const ProbeInput& in, int64_t start) { return start + (in.length - start) / kFrameBytes * kFrameBytes; }

int findSoundRegions(const ProbeInput& in, std::vector<SoundRegion>& regions) {
  regions.clear();
  Scan scan;
  scan.minFrames = std::clamp(in.length / kFrameBytes, kMinShortInputFrames, kMinRegionFrames);
  scan.length = in.length;
  if (scanInput(in, scan) != 0) return -1;

  // Clips announced by a VAGp header: from the frame after the header, as long as it says.
  std::sort(scan.vagHeaders.begin(), scan.vagHeaders.end());
  scan.vagHeaders.erase(std::unique(scan.vagHeaders.begin(), scan.vagHeaders.end()), scan.vagHeaders.end());
  for (int64_t header : scan.vagHeaders) {
    uint8_t bytes[kVagHeaderBytes];
    if (header + kVagHeaderBytes > in.length || readRange(in.file, header, bytes, sizeof bytes) != 0) continue;
    const int64_t size = bigEndian32(bytes + kVagSizeAt);
    const int64_t rate = bigEndian32(bytes + kVagRateAt);
    const int64_t start = header + kVagHeaderBytes;
    const int64_t end = std::min(in.length, start + size);
    if (size < kFrameBytes || rate <= 0 || rate > kMaxVagRate || end - start < kFrameBytes) continue;
    regions.push_back(SoundRegion{AudioExtent{start, start + (end - start) / kFrameBytes * kFrameBytes}, static_cast<int32_t>(rate)});
  }

  // The runs of sound frames, each read again to see what it holds.
  std::sort(scan.runs.begin(), scan.runs.end(), [](const Run& a, const Run& b) { return a.start < b.start; });
  const size_t clips = regions.size();
  for (const Run& run : scan.runs) {
    Pieces pieces;
    const auto frames = [&](const uint8_t* bytes, size_t count, int64_t offset) {
      for (size_t at = 0; at + kFrameBytes <= count; at += kFrameBytes) pieces.frame(bytes + at, offset + static_cast<int64_t>(at));
    };
    if (readFrames(in, run.start, run.end, frames, Holes::kSkip) != 0) {
      return -1;
    }
    pieces.finish(run.end);
    for (const AudioExtent& piece : pieces.found) {
      bool taken = false;
      for (size_t c = 0; c < clips && !taken; ++c) taken = overlaps(piece, regions[c].extent);
      for (size_t r = clips; r < regions.size() && !taken; ++r) taken = overlaps(piece, regions[r].extent);
      if (!taken) regions.push_back(SoundRegion{piece, 0});
    }
  }
  std::sort(regions.begin(), regions.end(), [](const SoundRegion& a, const SoundRegion& b) { return a.extent.start < b.extent.start; });
  return 0;
}
