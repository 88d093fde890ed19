#include "region_files.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

#include "file_writer.h"
#include "fillers.h"
#include "sound_kit.h"

namespace blind {
namespace {

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;
constexpr uint64_t kFillerChunk = kMiB;  // fillers are written a chunk at a time
constexpr size_t kTocCountAt = 4;          // of a table of contents: the magic, then the entry count
constexpr size_t kTocHeaderBytes = 16;
constexpr size_t kTocEntryBytes = 32;
constexpr uint64_t kTocBytes = 200 * kKiB;
constexpr size_t kBankHeaderBytes = 0x800;
constexpr size_t kBankCountAt = 8;      // of a bank header: the magic, a reserved word, the part count
constexpr size_t kBankPartsAt = 16;     // then offset and size of each part, 32-bit little-endian
constexpr size_t kBankPartBytes = 8;
constexpr size_t kSystemAreaSectors = 16;  // an ISO 9660 image leaves its first 16 sectors to the system
constexpr uint8_t kPrimaryDescriptor = 0x01;
constexpr uint8_t kTerminatorDescriptor = 0xFF;
constexpr size_t kDescriptorIdAt = 1;       // "CD001"
constexpr size_t kDescriptorVersionAt = 6;
constexpr size_t kVolumeNameAt = 40;
constexpr size_t kVolumeNameBytes = 32;
constexpr uint64_t kSalt = 0xF11E5;
constexpr uint64_t kBigReserve = 16 * kMiB;  // larger than any one item the big file writes

uint64_t logUniform(uint64_t low, uint64_t high, Rng& rng) {
  return static_cast<uint64_t>(std::exp(rng.uniform(std::log(static_cast<double>(low)), std::log(static_cast<double>(high)))));
}

void writeFiller(FileWriter& w, uint64_t bytes, Rng& rng) {
  static const std::vector<Filler> kinds = {Filler::Random, Filler::OffsetTable, Filler::Text, Filler::Picture8, Filler::Picture16, Filler::MachineCode, Filler::Zeros};
  const Filler kind = rng.pick(kinds);
  while (bytes > 0) {
    const uint64_t take = std::min(bytes, kFillerChunk);
    w.write(makeFiller(kind, static_cast<size_t>(take), rng));
    bytes -= take;
  }
}

// Something that is not sound between two regions: a table, a picture, text, code
// or random data, sometimes after a run of zeros.
Bytes gapBytes(Rng& rng) {
  Bytes gap(rng.chance(0.25) ? static_cast<size_t>(rng.between(16, 0x4000)) : 0, 0);
  append(gap, someFiller(static_cast<size_t>(logUniform(4 * kKiB, 512 * kKiB, rng)), rng));
  return gap;
}

// A table of contents of about 200 KiB, then one region of music or a voice.
void tocArchive(FileWriter& w, Rng& rng, CodecLog& log) {
  const size_t entries = static_cast<size_t>(rng.between(static_cast<int64_t>(0.9 * kTocBytes), static_cast<int64_t>(1.1 * kTocBytes))) / kTocEntryBytes;
  Bytes toc(kTocHeaderBytes, 0);
  const std::string magic = "TOC0";
  std::copy(magic.begin(), magic.end(), toc.begin());
  putLe32(toc, kTocCountAt, static_cast<uint32_t>(entries));
  append(toc, directory(entries * kTocEntryBytes, rng));
  w.write(toc);
  w.padTo(kSector);
  const uint64_t bytes = logUniform(200 * kKiB, 6 * kMiB, rng);
  if (rng.chance(0.2)) {
    w.writeRegion(checkedPiece(rng, [&](Rng& r) { return monoVoice(bytes, r, log); }));
  } else {
    const size_t block = std::max<size_t>(0x200, pickBlock(rng));
    const bool several = rng.chance(0.5);
    w.writeRegion(checkedPiece(rng, [&](Rng& r) { return stereoMusic(block, bytes, several, r, log); }));
  }
  w.padTo(kSector);
  if (rng.chance(0.5)) writeFiller(w, logUniform(16 * kKiB, 512 * kKiB, rng), rng);
}

// Mono effects, then stereo music in blocks of 0x800, then stereo in 0x400, with
// other data between them; the header lists where the three parts lie.
void soundBank(FileWriter& w, Rng& rng, CodecLog& log) {
  const int effects = static_cast<int>(rng.between(3, 8));
  std::vector<RegionPiece> parts;
  parts.push_back(checkedPiece(rng, [&](Rng& r) { return effectBank(effects, r, log); }));
  for (size_t block : {size_t{0x800}, size_t{0x400}}) {
    const uint64_t bytes = logUniform(300 * kKiB, 3 * kMiB, rng);
    const bool several = rng.chance(0.5);
    parts.push_back(checkedPiece(rng, [&](Rng& r) { return stereoMusic(block, bytes, several, r, log); }));
  }
  // Laid out before anything is written, so that the header can list the parts.
  const uint64_t bankStart = w.offset();
  Bytes header(kBankHeaderBytes, 0);
  const std::string magic = "SBNK";
  std::copy(magic.begin(), magic.end(), header.begin());
  putLe32(header, kBankCountAt, static_cast<uint32_t>(parts.size()));
  std::vector<Bytes> before(parts.size());
  uint64_t at = bankStart + kBankHeaderBytes;
  for (size_t p = 0; p < parts.size(); ++p) {
    if (p > 0) before[p] = gapBytes(rng);
    const size_t alignment = rng.chance(0.7) ? kSector : kFrameBytes;
    before[p].resize(before[p].size() + paddingTo(at + before[p].size(), alignment), 0);
    at += before[p].size();
    putLe32(header, kBankPartsAt + kBankPartBytes * p, static_cast<uint32_t>(at - bankStart));
    putLe32(header, kBankPartsAt + kBankPartBytes * p + 4, static_cast<uint32_t>(parts[p].bytes.size()));
    at += parts[p].bytes.size();
  }
  w.write(header);
  for (size_t p = 0; p < parts.size(); ++p) {
    w.write(before[p]);
    w.writeRegion(parts[p]);
  }
  w.padTo(kSector);
}

// VAGp clips, back to back or each padded to whole sectors.
void vagPack(FileWriter& w, Rng& rng, CodecLog& log) {
  const int clips = rng.chance(0.7) ? 2 : 3;
  const bool sectors = rng.chance(0.5);
  if (rng.chance(0.5)) {
    w.write(makeFiller(Filler::OffsetTable, static_cast<size_t>(rng.between(1, 4)) * 16, rng));
    w.padTo(kSector);
  }
  for (int n = 0; n < clips; ++n) {
    const uint64_t bytes = logUniform(20 * kKiB, 800 * kKiB, rng);
    w.writeRegion(checkedPiece(rng, [&](Rng& r) { return vagClip(bytes, r, log); }));
    if (sectors) w.padTo(kSector);
  }
  w.padTo(kFrameBytes);
}

void volumeDescriptors(FileWriter& w, Rng& rng) {
  w.zeros(kSystemAreaSectors * kSector);
  for (const uint8_t type : {kPrimaryDescriptor, kTerminatorDescriptor}) {
    Bytes sector(kSector, 0);
    const std::string id = "CD001";
    sector[0] = type;
    std::copy(id.begin(), id.end(), sector.begin() + kDescriptorIdAt);
    sector[kDescriptorVersionAt] = 1;
    if (type == kPrimaryDescriptor) {
      const Bytes name = makeFiller(Filler::Text, kVolumeNameBytes, rng);
      std::copy(name.begin(), name.end(), sector.begin() + kVolumeNameAt);
    }
    w.write(sector);
  }
  w.write(directory(static_cast<size_t>(rng.between(1, 4)) * kSector, rng));
}

using Item = std::function<void(FileWriter&, Rng&, CodecLog&)>;

Item soundItem(Rng& rng) {
  static const std::vector<Item> items = {tocArchive, soundBank, vagPack};
  return rng.pick(items);
}

// System area and descriptors, then sound files and other files, each starting on
// a sector, until the image is about `bytes` long.
void discImage(FileWriter& w, uint64_t bytes, Rng& rng, CodecLog& log) {
  volumeDescriptors(w, rng);
  std::vector<Item> items = {soundItem(rng)};
  if (rng.chance(0.3)) items.push_back(soundItem(rng));
  const int others = static_cast<int>(rng.between(2, 5));
  for (int n = 0; n < others; ++n) items.push_back([](FileWriter& fw, Rng& r, CodecLog&) { writeFiller(fw, logUniform(200 * kKiB, 6 * kMiB, r), r); });
  for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[rng.index(i)]);
  for (const Item& item : items) {
    w.padTo(kSector);
    item(w, rng, log);
  }
  w.padTo(kSector);
  if (w.offset() < bytes) writeFiller(w, bytes - w.offset(), rng);
  w.padTo(kSector);
}

struct FilePlan {
  std::string kind;
  std::string extension;
  size_t count;
};

const std::vector<FilePlan>& filePlan() {
  static const std::vector<FilePlan> plan = {{"toc", ".bin", 8}, {"bank", ".bin", 6}, {"vags", ".bin", 7}, {"disc", ".iso", 9}};
  return plan;
}

void writeOneFile(const FilePlan& kind, FileWriter& w, Rng& rng, CodecLog& log) {
  if (kind.kind == "toc") tocArchive(w, rng, log);
  else if (kind.kind == "bank") soundBank(w, rng, log);
  else if (kind.kind == "vags") vagPack(w, rng, log);
  else discImage(w, logUniform(12 * kMiB, 40 * kMiB, rng), rng, log);
}

std::string fileName(const FilePlan& kind, size_t number) {
  std::ostringstream name;
  name << kind.kind << '_' << std::setw(2) << std::setfill('0') << number << kind.extension;
  return name.str();
}

double secondsSince(std::chrono::steady_clock::time_point began) { return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(); }

}  // namespace

int writeRegionFiles(const std::string& dir, uint64_t seed) {
  const auto began = std::chrono::steady_clock::now();
  std::filesystem::create_directories(dir);
  std::ofstream regions(std::filesystem::path(dir) / "regions.txt");
  std::ofstream commands(std::filesystem::path(dir) / "truth_commands.txt");
  CodecLog log;
  size_t number = 0;
  uint64_t totalBytes = 0;
  int totalRegions = 0;
  try {
    for (const FilePlan& kind : filePlan()) {
      int kindRegions = 0;
      for (size_t n = 0; n < kind.count; ++n) {
        Rng rng(mixSeed(mixSeed(seed, kSalt), ++number));
        const std::string name = fileName(kind, number);
        FileWriter w((std::filesystem::path(dir) / name).string(), name, regions, commands);
        writeOneFile(kind, w, rng, log);
        w.close();
        kindRegions += w.regionCount();
        totalBytes += w.offset();
      }
      totalRegions += kindRegions;
      std::cout << kind.kind << ": " << kind.count << " files, " << kindRegions << " regions\n";
    }
  } catch (const std::exception& e) {
    std::cerr << "make_blind_set: " << e.what() << '\n';
    return 1;
  }
  std::cout << number << " files, " << totalRegions << " regions, " << totalBytes / kMiB << " MiB, " << std::fixed << std::setprecision(1) << secondsSince(began)
            << " s\n"
            << log.report() << '\n';
  return 0;
}

int writeBigFile(const std::string& path, uint64_t sizeMib, uint64_t seed) {
  const auto began = std::chrono::steady_clock::now();
  const uint64_t target = sizeMib * kMiB;
  std::ofstream regions(path + ".regions.txt");
  std::ofstream commands(path + ".truth_commands.txt");
  CodecLog log;
  Rng rng(mixSeed(seed, kSalt));
  try {
    FileWriter w(path, std::filesystem::path(path).filename().string(), regions, commands);
    while (w.offset() + kBigReserve < target) {
      w.padTo(kSector);
      if (rng.chance(0.25)) writeFiller(w, logUniform(64 * kKiB, 8 * kMiB, rng), rng);
      else soundItem(rng)(w, rng, log);
    }
    if (w.offset() < target) writeFiller(w, target - w.offset(), rng);
    w.close();
    std::cout << path << ": " << w.offset() / kMiB << " MiB, " << w.regionCount() << " regions, " << std::fixed << std::setprecision(1) << secondsSince(began) << " s\n"
              << log.report() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "make_blind_set: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace blind
