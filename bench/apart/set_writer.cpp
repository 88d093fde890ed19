#include "set_writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "archive_kinds.h"

namespace apart {

namespace {

std::string archiveName(const char* kind, int number)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s_%02d", kind, number);
    return text;
}

bool writeBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string manifestLine(const std::string& name, const Archive& a)
{
    return name + " " + std::to_string(a.channels) + " " + std::to_string(a.blockBytes) + " " + std::to_string(a.start) + " " +
           std::to_string(a.end) + " " + std::to_string(a.tracks) + "\n";
}

std::string truthLine(const std::string& name, const Archive& a)
{
    std::string line = name + ".raw " + std::to_string(a.tracks) + " " + std::to_string(a.rate);
    for (const std::string& argument : a.arguments) line += " " + argument;
    return line + "\n";
}

// Each archive draws from its own stream, so changing one kind leaves the others be.
std::uint64_t archiveSeed(std::uint64_t seed, std::size_t kind, int number)
{
    return seed * 1000003ull + kind * 1009ull + static_cast<std::uint64_t>(number);
}

}  // namespace

int writeSet(const std::string& folder, std::uint64_t seed)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ofstream manifest(std::filesystem::path(folder) / "manifest.txt", std::ios::binary);
    std::ofstream truth(std::filesystem::path(folder) / "truth_commands.txt", std::ios::binary);
    if (error || !manifest || !truth) {
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
        return -1;
    }
    const std::vector<KindPlan>& plans = kindPlans();
    for (std::size_t k = 0; k < plans.size(); ++k) {
        for (int n = 0; n < plans[k].count; ++n) {
            Random random(archiveSeed(seed, k, n));
            Archive archive = plans[k].build(random, n);
            std::string name = archiveName(plans[k].name, n);
            if (!writeBytes(std::filesystem::path(folder) / (name + ".raw"), archive.bytes)) {
                std::fprintf(stderr, "cannot write %s.raw\n", name.c_str());
                return -1;
            }
            manifest << manifestLine(name, archive);
            truth << truthLine(name, archive);
        }
    }
    manifest.flush();
    truth.flush();
    return manifest && truth ? 0 : -1;
}

}  // namespace apart
