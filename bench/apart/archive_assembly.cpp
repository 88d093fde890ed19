#include "archive_assembly.h"

#include <algorithm>
#include <array>

namespace apart {

namespace {

constexpr std::size_t kMonoBlock = 0x10;
constexpr float kCeiling = 0.97f;
constexpr std::size_t kFrameBytes = 16;

bool beginsEmpty(const Bytes& body)
{
    return body.size() >= kFrameBytes && std::all_of(body.begin(), body.begin() + kFrameBytes, [](std::uint8_t b) { return b == 0; });
}

bool endsEmpty(const Bytes& body)
{
    return body.size() >= kFrameBytes && std::all_of(body.end() - kFrameBytes, body.end(), [](std::uint8_t b) { return b == 0; });
}

// Sixteen bytes of 0xFF where `bytes` meets the sound: zeros of a header or trailer
// would otherwise run on into the empty frames that belong to the sound, and no one
// could tell where the one ends and the other begins.
void markEdge(Bytes& bytes, std::size_t at)
{
    if (bytes.size() >= at + kFrameBytes) std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), kFrameBytes, std::uint8_t{0xFF});
}

}  // namespace

int pickRate(Random& random)
{
    const std::array<int, 7> rates = {22050, 24000, 32000, 37800, 44100, 48000, 0};
    int rate = rates[static_cast<std::size_t>(random.integer(0, 6))];
    return rate != 0 ? rate : random.integer(22050, 48000);
}

EncoderRule pickRule(Random& random, double seconds)
{
    double roll = random.uniform();
    EncoderRule rule;
    if (roll < 0.6) return rule;
    if (roll < 0.75) {
        rule.tiesToLastFilter = true;
        rule.everyShift = seconds < 20;
    } else if (roll < 0.9) {
        rule.truncatingCodes = true;
        rule.measure = ErrorMeasure::Largest;
    } else {
        rule.everyShift = seconds < 20;
        rule.measure = ErrorMeasure::LowBand;
    }
    return rule;
}

std::size_t stereoBlock(Random& random)
{
    return random.chance(0.1) ? pickBlockBytes(random, 0x20, 0x80) : pickBlockBytes(random, 0x100, 0x8000);
}

Bytes encodeStereoAsIs(const Stereo& sound, const EncoderRule& rule, std::size_t blockBytes)
{
    return interleaveStereo(encodeChannel(toPcm(sound.left), rule), encodeChannel(toPcm(sound.right), rule), blockBytes);
}

Bytes encodeStereo(Stereo sound, const EncoderRule& rule, std::size_t blockBytes)
{
    limitPeak({&sound.left, &sound.right}, kCeiling);
    return encodeStereoAsIs(sound, rule, blockBytes);
}

Bytes encodeMono(Signal sound, const EncoderRule& rule)
{
    limitPeak({&sound}, kCeiling);
    return joinMono(encodeChannel(toPcm(sound), rule));
}

Archive assemble(Random& random, Bytes body, int channels, std::size_t blockBytes, int rate, int tracks,
                 std::vector<std::string> cutArguments)
{
    Archive a;
    a.bytes = makeHeader(random, pickHeaderSize(random), pickHeaderStyle(random));
    if (beginsEmpty(body) && !a.bytes.empty()) markEdge(a.bytes, a.bytes.size() - kFrameBytes);
    a.start = a.bytes.size();
    appendBytes(a.bytes, body);
    a.end = a.bytes.size();
    Bytes trailer = makeTrailer(random);
    if (endsEmpty(body)) markEdge(trailer, 0);
    appendBytes(a.bytes, trailer);
    a.channels = channels;
    a.blockBytes = channels == 2 ? blockBytes : 0;
    a.rate = rate;
    a.tracks = tracks;
    a.arguments.push_back(hex(channels == 2 ? blockBytes : kMonoBlock));
    if (channels == 1) a.arguments.push_back("-o1");
    a.arguments.insert(a.arguments.end(), cutArguments.begin(), cutArguments.end());
    if (a.start != 0) a.arguments.push_back("-h" + std::to_string(a.start));
    a.arguments.push_back("-b" + std::to_string(a.end));
    a.arguments.push_back("-f" + std::to_string(rate));
    return a;
}

}  // namespace apart
