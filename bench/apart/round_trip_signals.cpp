#include "round_trip_signals.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <system_error>
#include <vector>

#include "adpcm_encoder.h"
#include "archive_layout.h"
#include "dsp.h"

namespace apart {

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kLength = kRate / 2;

using Pcm = std::vector<std::int16_t>;

Pcm sine(double hz, double level)
{
    Pcm out(kLength);
    for (std::size_t i = 0; i < kLength; ++i)
        out[i] = static_cast<std::int16_t>(std::lround(level * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate)));
    return out;
}

Pcm fullScaleSquare()
{
    Pcm out(kLength);
    for (std::size_t i = 0; i < kLength; ++i) out[i] = (i / 50) % 2 == 0 ? 32767 : -32768;
    return out;
}

Pcm whiteNoise()
{
    Random random(7);
    Pcm out(kLength);
    for (std::int16_t& x : out) x = static_cast<std::int16_t>(std::lround(random.noise() * 8000.0));
    return out;
}

Pcm whisper()
{
    Random random(11);
    Pcm out(kLength);
    for (std::int16_t& x : out) x = static_cast<std::int16_t>(random.integer(-3, 3));
    return out;
}

// Sound, then a stretch of exact zeros not aligned to frames, then sound again.
Pcm gapped()
{
    Pcm out = sine(330.0, 0.4);
    for (std::size_t i = kLength / 3 + 5; i < kLength * 2 / 3; ++i) out[i] = 0;
    return out;
}

struct NamedSignal {
    const char* name;
    Pcm samples;
};

struct NamedRule {
    const char* name;
    EncoderRule rule;
};

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> pcmBytes(const Pcm& samples)
{
    std::vector<std::uint8_t> bytes;
    for (std::int16_t x : samples) {
        auto u = static_cast<std::uint16_t>(x);
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

}  // namespace

int writeRoundTripSignals(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ofstream list(std::filesystem::path(folder) / "round_trip.txt", std::ios::binary);
    if (error || !list) return -1;
    const std::vector<NamedSignal> signals = {{"sine440", sine(440.0, 0.5)}, {"bass55", sine(55.0, 0.9)},
                                              {"square", fullScaleSquare()},  {"noise", whiteNoise()},
                                              {"whisper", whisper()},         {"gapped", gapped()}};
    const std::vector<NamedRule> rules = {{"plain", {}},
                                          {"lastties", {true, true, false, ErrorMeasure::Squared}},
                                          {"truncating", {false, false, true, ErrorMeasure::Largest}},
                                          {"shaped", {false, true, false, ErrorMeasure::LowBand}}};
    for (const NamedSignal& s : signals) {
        for (const NamedRule& r : rules) {
            std::string base = std::string(s.name) + "_" + r.name;
            Bytes encoded = joinMono(encodeChannel(s.samples, r.rule));
            if (!writeFile(std::filesystem::path(folder) / (base + ".raw"), encoded) ||
                !writeFile(std::filesystem::path(folder) / (base + ".pcm"), pcmBytes(s.samples)))
                return -1;
            list << base << "\n";
        }
    }
    list.flush();
    return list ? 0 : -1;
}

}  // namespace apart
