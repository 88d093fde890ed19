#include "fillers.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace blind {
namespace {

constexpr size_t kDirectoryEntryBytes = 32;
constexpr size_t kDirectoryNameBytes = 20;

Bytes randomBytes(size_t bytes, Rng& rng) {
  Bytes out(bytes);
  for (size_t i = 0; i < bytes; i += 8) {
    const uint64_t word = rng.bits();
    for (size_t k = 0; k < 8 && i + k < bytes; ++k) out[i + k] = static_cast<uint8_t>(word >> (8 * k));
  }
  return out;
}

// Increasing 32-bit offsets with sizes between them, as a file table.
Bytes offsetTable(size_t bytes, Rng& rng) {
  Bytes out(bytes, 0);
  uint32_t offset = static_cast<uint32_t>(rng.between(0x800, 0x10000));
  const bool sectors = rng.chance(0.5);
  const bool withSizes = rng.chance(0.5);
  const size_t stride = withSizes ? 8 : 4;
  for (size_t at = 0; at + stride <= bytes; at += stride) {
    const uint32_t size = static_cast<uint32_t>(rng.between(0x100, 0x40000));
    putLe32(out, at, sectors ? offset / 0x800 : offset);
    if (withSizes) putLe32(out, at + 4, size);
    offset += sectors ? (size + 0x7FF) / 0x800 * 0x800 : size;
  }
  return out;
}

std::string randomWord(Rng& rng) {
  static const std::vector<std::string> syllables = {"ka", "ri", "to", "mo", "ne", "sa", "lu", "vin", "dor", "el", "ta", "gro", "bel", "stu", "ph", "an"};
  std::string word;
  const int count = static_cast<int>(rng.between(1, 4));
  for (int i = 0; i < count; ++i) word += rng.pick(syllables);
  return word;
}

Bytes text(size_t bytes, Rng& rng) {
  static const std::vector<std::string> openers = {"STAGE", "Sound", "MUSIC", "Voice", "Programmer", "Director", "// table", "LOAD", "Copyright", "SE"};
  std::string out;
  while (out.size() < bytes) {
    std::string line = rng.pick(openers) + " ";
    const int words = static_cast<int>(rng.between(2, 9));
    for (int w = 0; w < words; ++w) {
      line += randomWord(rng);
      if (rng.chance(0.2)) line += std::to_string(rng.between(0, 999));
      line += " ";
    }
    line += rng.chance(0.5) ? "\r\n" : "\n";
    out += line;
  }
  out.resize(bytes);
  return Bytes(out.begin(), out.end());
}

// Pixels of a picture: gradients, flat rectangles and a little noise.
double pixel(size_t x, size_t y, size_t width, size_t height, const std::vector<uint64_t>& rects, Rng& rng) {
  double v = 0.5 * static_cast<double>(x) / static_cast<double>(width) + 0.5 * static_cast<double>(y) / static_cast<double>(height);
  for (uint64_t r : rects) {
    const size_t x0 = (r & 0xFFFF) % width, y0 = ((r >> 16) & 0xFFFF) % height;
    const size_t w = ((r >> 32) & 0xFF) + 4, h = ((r >> 40) & 0xFF) + 4;
    if (x >= x0 && x < x0 + w && y >= y0 && y < y0 + h) v = static_cast<double>((r >> 48) & 0xFF) / 255.0;
  }
  return std::clamp(v + (rng.chance(0.2) ? 0.02 * rng.gauss() : 0.0), 0.0, 1.0);
}

Bytes picture(size_t bytes, size_t bytesPerPixel, Rng& rng) {
  const size_t width = static_cast<size_t>(rng.pick(std::vector<int64_t>{64, 128, 256, 320, 512}));
  const size_t height = std::max<size_t>(1, bytes / (width * bytesPerPixel) + 1);
  std::vector<uint64_t> rects(static_cast<size_t>(rng.between(2, 12)));
  for (uint64_t& r : rects) r = rng.bits();
  Bytes out;
  out.reserve(bytes);
  for (size_t y = 0; out.size() < bytes; ++y) {
    for (size_t x = 0; x < width && out.size() < bytes; ++x) {
      const double v = pixel(x, y % height, width, height, rects, rng);
      if (bytesPerPixel == 1) {
        out.push_back(static_cast<uint8_t>(v * 255.0));
      } else {  // 15-bit colour, five bits per component, little-endian
        const uint16_t c = static_cast<uint16_t>(static_cast<unsigned>(v * 31) | (static_cast<unsigned>((1 - v) * 31) << 5) | (static_cast<unsigned>(v * 20) << 10));
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        if (out.size() < bytes) out.push_back(static_cast<uint8_t>(c >> 8));
      }
    }
  }
  return out;
}

// 32-bit instruction-like words: a few opcodes, registers, small immediates.
Bytes machineCode(size_t bytes, Rng& rng) {
  static const std::vector<uint32_t> opcodes = {0x09, 0x23, 0x2B, 0x0F, 0x00, 0x04, 0x05, 0x03, 0x0C, 0x0D};
  Bytes out(bytes, 0);
  for (size_t at = 0; at + 4 <= bytes; at += 4) {
    const uint32_t op = rng.pick(opcodes);
    const uint32_t rs = static_cast<uint32_t>(rng.between(0, 31)), rt = static_cast<uint32_t>(rng.between(0, 31));
    const uint32_t imm = static_cast<uint32_t>(rng.chance(0.7) ? rng.between(0, 0x100) : rng.between(0, 0xFFFF));
    putLe32(out, at, (op << 26) | (rs << 21) | (rt << 16) | imm);
  }
  return out;
}

}  // namespace

Bytes directory(size_t bytes, Rng& rng) {
  static const std::vector<std::string> folders = {"bgm/", "se/", "voice/", "tex/", "map/", "obj/", "scr/"};
  static const std::vector<std::string> suffixes = {".seq", ".vb", ".tim", ".bin", ".dat", ".vh", ".str", ".mdl"};
  Bytes out(bytes, 0);
  uint32_t offset = static_cast<uint32_t>(bytes + paddingTo(bytes, 0x800));
  for (size_t at = 0; at + kDirectoryEntryBytes <= bytes; at += kDirectoryEntryBytes) {
    std::string name = rng.pick(folders);
    name += randomWord(rng);
    name += std::to_string(rng.between(0, 99));
    name += rng.pick(suffixes);
    name.resize(std::min(name.size(), kDirectoryNameBytes - 1));
    std::copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
    const uint32_t size = static_cast<uint32_t>(rng.between(0x80, 0x30000));
    putLe32(out, at + kDirectoryNameBytes, offset);
    putLe32(out, at + kDirectoryNameBytes + 4, size);
    putLe32(out, at + kDirectoryNameBytes + 8, static_cast<uint32_t>(rng.between(0, 7)));
    offset += size + static_cast<uint32_t>(paddingTo(size, 0x10));
  }
  return out;
}

Bytes makeFiller(Filler kind, size_t bytes, Rng& rng) {
  switch (kind) {
    case Filler::Zeros: return Bytes(bytes, 0);
    case Filler::Random: return randomBytes(bytes, rng);
    case Filler::OffsetTable: return offsetTable(bytes, rng);
    case Filler::Directory: return directory(bytes, rng);
    case Filler::Text: return text(bytes, rng);
    case Filler::Picture8: return picture(bytes, 1, rng);
    case Filler::Picture16: return picture(bytes, 2, rng);
    case Filler::MachineCode: return machineCode(bytes, rng);
  }
  return Bytes(bytes, 0);
}

Bytes someFiller(size_t bytes, Rng& rng) {
  static const std::vector<Filler> kinds = {Filler::Random, Filler::OffsetTable, Filler::Directory, Filler::Text, Filler::Picture8, Filler::Picture16, Filler::MachineCode};
  return makeFiller(rng.pick(kinds), bytes, rng);
}

void putLe32(Bytes& to, size_t at, uint32_t value) {
  for (size_t k = 0; k < 4; ++k) to[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

void putBe32(Bytes& to, size_t at, uint32_t value) {
  for (size_t k = 0; k < 4; ++k) to[at + k] = static_cast<uint8_t>(value >> (24 - 8 * k));
}

size_t paddingTo(uint64_t size, size_t alignment) { return static_cast<size_t>((alignment - size % alignment) % alignment); }

}  // namespace blind
