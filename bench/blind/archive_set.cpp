#include "archive_set.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "archive_kinds.h"
#include "surroundings.h"
#include "truth_lines.h"

namespace blind {
namespace {

constexpr int kAttempts = 12;  // fresh draws for an archive whose tracks come out other than planned
constexpr uint64_t kArchiveSalt = 0xA5C417E5;

// The set's make-up: about sixty archives in five roughly equal shares, the fifth
// (the ordinary kinds) split three ways.
const std::vector<std::pair<Kind, size_t>>& plan() {
  static const std::vector<std::pair<Kind, size_t>> counts = {
      {Kind::Pauses, 12}, {Kind::Unrelated, 12}, {Kind::EmptySeparated, 12}, {Kind::Clips, 12},
      {Kind::Music, 4},   {Kind::Markers, 4},    {Kind::Mono, 4},
  };
  return counts;
}

bool isOrdinary(Kind kind) { return kind == Kind::Music || kind == Kind::Markers || kind == Kind::Mono; }

struct Archive {
  Bytes bytes;
  Body body;
  uint64_t start = 0;
  uint64_t end = 0;
};

std::vector<uint64_t> shifted(const std::vector<uint64_t>& offsets, uint64_t by) {
  std::vector<uint64_t> out;
  for (uint64_t o : offsets) out.push_back(o + by);
  return out;
}

// Header, sound, trailer; the command's offsets become offsets in the file.
Archive assemble(Body body, Kind kind, Rng& rng) {
  const double chance = isOrdinary(kind) ? 0.7 : 0.4;
  const HeaderPlan header = planHeader(chance, body.leadInEmptyFrames || body.endsWithEmptyFrames, rng);
  Archive a;
  a.start = header.size;
  a.end = a.start + body.soundEnd;
  a.bytes = makeHeader(header, shifted(body.trackStarts, a.start), a.end, rng);
  append(a.bytes, body.bytes);
  append(a.bytes, makeTrailer(chance, !body.endsWithEmptyFrames, a.bytes.size(), rng));
  body.command.start = a.start;
  body.command.end = a.end;
  a.body = std::move(body);
  return a;
}

// Builds the archive again from fresh draws until talvimo's rules give the planned
// tracks (a song may, rarely, fall silent where a cut would follow).
Archive buildChecked(Kind kind, size_t variant, uint64_t seed, size_t index, CodecLog& log, int& retries) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    Rng rng(mixSeed(mixSeed(seed, kArchiveSalt), index * kAttempts + static_cast<size_t>(attempt)));
    Archive a = assemble(buildBody(kind, variant, rng, log), kind, rng);
    if (countWavFiles(a.bytes, a.body.command) == a.body.tracks) return a;
    ++retries;
  }
  throw std::runtime_error("no draw of " + kindWord(kind) + " archive " + std::to_string(index) + " gave its planned tracks");
}

std::string nameOf(Kind kind, size_t number) {
  std::ostringstream name;
  name << kindWord(kind) << '_' << std::setw(2) << std::setfill('0') << number;
  return name.str();
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int writeArchiveSet(const std::string& dir, uint64_t seed) {
  const auto began = std::chrono::steady_clock::now();
  std::filesystem::create_directories(dir);
  std::ofstream manifest(std::filesystem::path(dir) / "manifest.txt");
  std::ofstream commands(std::filesystem::path(dir) / "truth_commands.txt");
  CodecLog log;
  int retries = 0;
  uint64_t totalBytes = 0;
  size_t index = 0;
  try {
    for (const auto& [kind, count] : plan()) {
      for (size_t variant = 0; variant < count; ++variant, ++index) {
        const Archive a = buildChecked(kind, variant, seed, index, log, retries);
        const std::string name = nameOf(kind, index + 1);
        writeBytes(std::filesystem::path(dir) / (name + ".raw"), a.bytes);
        manifest << name << ' ' << a.body.channels << ' ' << a.body.block << ' ' << a.start << ' ' << a.end << ' ' << a.body.tracks << '\n';
        writeCommandLine(commands, name + ".raw", a.body.tracks, 0, a.body.command);
        totalBytes += a.bytes.size();
      }
      std::cout << kindWord(kind) << ": " << count << " archives\n";
    }
  } catch (const std::exception& e) {
    std::cerr << "make_blind_set: " << e.what() << '\n';
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::cout << index << " archives, " << totalBytes / 1024 << " KiB, " << retries << " redrawn, " << std::fixed << std::setprecision(1) << seconds << " s\n"
            << log.report() << '\n';
  return 0;
}

}  // namespace blind
