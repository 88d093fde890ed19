#include "archive_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace apart {

namespace {

constexpr std::size_t kFrameBytes = 16;

Frame markerFrame()
{
    Frame marker{};
    marker[0] = 0x0C;
    return marker;
}

void appendFrames(Bytes& target, const std::vector<Frame>& frames, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i) target.insert(target.end(), frames[i].begin(), frames[i].end());
}

void putWord(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putText(Bytes& bytes, std::size_t at, const std::string& text)
{
    for (std::size_t i = 0; i < text.size() && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<std::uint8_t>(text[i]);
}

// A directory: a magic word, an entry count, then offset, size and rate per entry.
void fillTable(Random& random, Bytes& header)
{
    const std::array<const char*, 5> magics = {"SNDB", "BGMT", "PACK", "STRM", "VBDT"};
    putText(header, 0, magics[static_cast<std::size_t>(random.integer(0, 4))]);
    std::size_t entries = std::min<std::size_t>((header.size() - 8) / 12, static_cast<std::size_t>(random.integer(2, 40)));
    putWord(header, 4, static_cast<std::uint32_t>(entries));
    std::uint32_t offset = static_cast<std::uint32_t>(header.size());
    for (std::size_t e = 0; e < entries; ++e) {
        auto size = static_cast<std::uint32_t>(random.integer(1, 400) * 0x800);
        putWord(header, 8 + 12 * e, offset);
        putWord(header, 12 + 12 * e, size);
        putWord(header, 16 + 12 * e, static_cast<std::uint32_t>(random.chance(0.5) ? 22050 : 44100));
        offset += size;
    }
}

void fillText(Random& random, Bytes& header)
{
    const std::array<const char*, 6> words = {"STAGE", "FIELD", "BATTLE", "TOWN", "VOICE", "SE"};
    std::string text = "SOUND DATA  VER 1." + std::to_string(random.integer(0, 9)) + "  (C)199" + std::to_string(random.integer(5, 9)) + "\n";
    for (int i = 0; text.size() < header.size() && i < 64; ++i)
        text += std::string(words[static_cast<std::size_t>(random.integer(0, 5))]) + "_" + std::to_string(i) + ".VAG\n";
    putText(header, 0, text.substr(0, header.size() * 3 / 4));
}

}  // namespace

Bytes interleaveStereo(std::vector<Frame> left, std::vector<Frame> right, std::size_t blockBytes)
{
    std::size_t perBlock = blockBytes / kFrameBytes;
    std::size_t count = std::max(left.size(), right.size());
    count = (count + perBlock - 1) / perBlock * perBlock;
    left.resize(count, markerFrame());
    right.resize(count, markerFrame());
    Bytes out;
    out.reserve(count * 2 * kFrameBytes);
    for (std::size_t at = 0; at < count; at += perBlock) {
        appendFrames(out, left, at, perBlock);
        appendFrames(out, right, at, perBlock);
    }
    return out;
}

Bytes joinMono(std::vector<Frame> frames)
{
    if (frames.size() % 2 != 0) frames.push_back(markerFrame());
    Bytes out;
    appendFrames(out, frames, 0, frames.size());
    return out;
}

void appendBytes(Bytes& target, const Bytes& more) { target.insert(target.end(), more.begin(), more.end()); }

void appendEmptyFrames(Bytes& target, std::size_t count) { target.resize(target.size() + count * kFrameBytes, 0); }

Bytes makeHeader(Random& random, std::size_t size, HeaderStyle style)
{
    Bytes header(size, 0);
    if (size < 16) return header;
    if (style == HeaderStyle::Table) fillTable(random, header);
    if (style == HeaderStyle::Text) fillText(random, header);
    return header;
}

std::size_t pickHeaderSize(Random& random)
{
    double roll = random.uniform();
    if (roll < 0.3) return 0;
    if (roll < 0.6) return kFrameBytes * static_cast<std::size_t>(2 * random.integer(0, 60) + 1);
    if (roll < 0.8) return static_cast<std::size_t>(random.integer(1, 4)) * 0x800;
    return kFrameBytes * static_cast<std::size_t>(random.integer(0x80, 0x400));
}

HeaderStyle pickHeaderStyle(Random& random)
{
    int roll = random.integer(0, 2);
    return roll == 0 ? HeaderStyle::Table : roll == 1 ? HeaderStyle::Text : HeaderStyle::Zeros;
}

Bytes makeTrailer(Random& random)
{
    int roll = random.integer(0, 2);
    if (roll == 0) return {};
    Bytes trailer(kFrameBytes * static_cast<std::size_t>(random.integer(1, 160)), 0);
    if (roll == 2)
        for (std::uint8_t& b : trailer) b = static_cast<std::uint8_t>(random.next());
    return trailer;
}

std::size_t pickBlockBytes(Random& random, std::size_t smallest, std::size_t largest)
{
    const std::array<std::size_t, 7> common = {0x100, 0x200, 0x800, 0x1000, 0x2000, 0x4000, 0x8000};
    if (random.chance(0.4)) {
        std::vector<std::size_t> fitting;
        for (std::size_t c : common)
            if (c >= smallest && c <= largest) fitting.push_back(c);
        if (!fitting.empty()) return fitting[static_cast<std::size_t>(random.integer(0, static_cast<int>(fitting.size()) - 1))];
    }
    // Spread evenly over the octaves, so that short blocks come as often as long ones.
    double frames = static_cast<double>(smallest / kFrameBytes) *
                    std::pow(static_cast<double>(largest) / static_cast<double>(smallest), random.uniform());
    std::size_t whole = static_cast<std::size_t>(std::lround(frames)) * kFrameBytes;
    return std::clamp(whole, smallest, largest);
}

std::string hex(std::size_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%zX", value);
    return text;
}

}  // namespace apart
