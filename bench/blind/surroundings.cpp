#include "surroundings.h"

#include <algorithm>
#include <string>

#include "fillers.h"
#include "streams.h"

namespace blind {
namespace {

constexpr size_t kLargestHeader = 0x1000;
constexpr size_t kLargestTrailer = 0xF000;
constexpr size_t kSector = 0x800;
constexpr size_t kTableCountAt = 4;     // after the magic
constexpr size_t kTableEntryBytes = 8;  // offset and size, 32-bit little-endian
constexpr size_t kTableFirstEntry = 8;  // after the magic and the count

size_t headerSize(Rng& rng) {
  const double draw = rng.unit();
  if (draw < 0.25) return static_cast<size_t>(rng.pick(std::vector<int64_t>{0x10, 0x20, 0x30, 0x40, 0x80}));
  if (draw < 0.45) return static_cast<size_t>(rng.pick(std::vector<int64_t>{0x800, 0x1000, 0x200, 0x400}));
  if (draw < 0.55) return static_cast<size_t>(rng.between(0x0B, 0x3FF)) * 4;  // word-aligned, seldom a frame multiple
  return static_cast<size_t>(rng.between(1, kLargestHeader / 16)) * 16;
}

Bytes table(size_t size, const std::vector<uint64_t>& trackStarts, uint64_t soundEnd, Rng& rng) {
  static const std::vector<std::string> magics = {"BGM0", "SNDP", "PACK", "VBNK", "STRM", "AUD1"};
  Bytes out(size, 0);
  const std::string magic = rng.pick(magics);
  std::copy_n(magic.begin(), std::min(size, magic.size()), out.begin());
  if (size >= kTableFirstEntry) putLe32(out, kTableCountAt, static_cast<uint32_t>(trackStarts.size()));
  for (size_t t = 0; t < trackStarts.size(); ++t) {
    const size_t at = kTableFirstEntry + t * kTableEntryBytes;
    if (at + kTableEntryBytes > size) break;
    const uint64_t next = t + 1 < trackStarts.size() ? trackStarts[t + 1] : soundEnd;
    putLe32(out, at, static_cast<uint32_t>(trackStarts[t]));
    putLe32(out, at + 4, static_cast<uint32_t>(next - trackStarts[t]));
  }
  return out;
}

Bytes filled(size_t size, const std::vector<uint64_t>& trackStarts, uint64_t soundEnd, Rng& rng) {
  const size_t tableBytes = std::min(size, kTableFirstEntry + trackStarts.size() * kTableEntryBytes);
  Bytes out = table(tableBytes, trackStarts, soundEnd, rng);
  append(out, someFiller(size - tableBytes, rng));
  if (!out.empty() && out.back() == 0) out.back() = 0xFF;
  return out;
}

}  // namespace

HeaderPlan planHeader(double probability, bool noZerosAtEnd, Rng& rng) {
  HeaderPlan plan;
  if (!rng.chance(probability)) return plan;
  plan.size = headerSize(rng);
  const double draw = rng.unit();
  plan.kind = noZerosAtEnd ? HeaderKind::Filled : (draw < 0.3 ? HeaderKind::Zeros : (draw < 0.7 ? HeaderKind::Table : HeaderKind::Filled));
  return plan;
}

Bytes makeHeader(const HeaderPlan& plan, const std::vector<uint64_t>& trackStarts, uint64_t soundEnd, Rng& rng) {
  switch (plan.kind) {
    case HeaderKind::None: return {};
    case HeaderKind::Zeros: return Bytes(plan.size, 0);
    case HeaderKind::Table: return table(plan.size, trackStarts, soundEnd, rng);
    case HeaderKind::Filled: return filled(plan.size, trackStarts, soundEnd, rng);
  }
  return {};
}

Bytes makeTrailer(double probability, bool zeroPadding, uint64_t end, Rng& rng) {
  if (!rng.chance(probability)) return {};
  const double draw = rng.unit();
  if (draw < 0.3 && zeroPadding) {  // padding to the end of the sector, and sometimes a whole sector more
    return Bytes(paddingTo(end, kSector) + (rng.chance(0.3) ? kSector : 0), 0);
  }
  Bytes trailer = someFiller(static_cast<size_t>(rng.between(0x10, kLargestTrailer)), rng);
  trailer.front() |= 1;  // never an empty frame right after the sound
  return trailer;
}

}  // namespace blind
