#include "probe/probe_run.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "decode/adpcm_frame.h"
#include "platform/cpus.h"
#include "probe/block_layout.h"
#include "probe/probe_input.h"
#include "probe/probe_report.h"
#include "probe/sound_regions.h"
#include "probe/track_layout.h"

namespace {

// One line on standard output, as text or as a JSON object; the result is -1.
int fail(bool json, const std::string& reason) {
  const std::string text = "talvimo-probe: " + reason;
  std::printf("%s\n", json ? ("{\"error\": " + jsonString(text) + "}").c_str() : text.c_str());
  return -1;
}

// A clip with a VAGp header is mono, as the header says.
LayoutChoice headerLayout(const AudioExtent& extent) {
  LayoutChoice c{};
  c.start = extent.start;
  c.candidates[0] = LayoutCandidate{1, 0, kStereoEvidence, 1.0};
  c.count = 1;
  return c;
}

// Streams parted by empty frames (type 2) may have a separator before the first of them
// too, which talvimo drops as it does the others: then the sound begins with it.
//  - Stereo: one empty frame right after other bytes, after which the pairs begin
//    anew as they do after the others.
//  - Mono: empty frames from the input's very first byte, which no header's padding
//    can be (a header has bytes of its own).
// Kept where the tracks read from there are the same.
int includeLeadingSeparator(const ProbeInput& in, ProbeFindings& f) {
  const int64_t start = f.layout.start;
  if (f.tracks.archiveType != kEmptyFrameCuts || start < kFrameBytes) return 0;
  int64_t separator = 0;
  if (chosenLayout(f.layout).channels == 2) {
    uint8_t before[2 * kFrameBytes] = {};
    const int64_t from = std::max<int64_t>(0, start - 2 * kFrameBytes);
    if (readRange(in.file, from, before, static_cast<size_t>(start - from)) != 0) return -1;
    const bool otherBytesBefore = start - from < 2 * kFrameBytes || !isEmptyFrame(before);
    if (!isEmptyFrame(before + (start - from) - kFrameBytes) || !otherBytesBefore) return 0;
    separator = kFrameBytes;
  } else {
    if (start > kRegionGapFrames * kFrameBytes) return 0;
    std::vector<uint8_t> before(static_cast<size_t>(start));
    if (readRange(in.file, 0, before.data(), before.size()) != 0) return -1;
    if (std::any_of(before.begin(), before.end(), [](uint8_t b) { return b != 0; })) return 0;
    separator = start;
  }
  ProbeFindings moved = f;
  moved.layout.start -= separator;
  if (findTracks(in, moved.extent, moved.layout, moved.tracks) != 0) return -1;
  if (moved.tracks.archiveType == f.tracks.archiveType && moved.tracks.tracks == f.tracks.tracks) f = moved;
  return 0;
}

// The stages for one region: its layout from its first bytes, its tracks from all of it.
int probeRegion(const ProbeInput& in, const SoundRegion& region, const LayoutEffort& effort, ProbeFindings& f) {
  f = ProbeFindings{};
  f.extent = region.extent;
  f.rate = region.rate;
  if (region.rate > 0) {
    f.layout = headerLayout(region.extent);
  } else {
    RegionSample sample;
    if (readRegionSample(in, region.extent, effort.sampleBytes, sample) != 0) return -1;
    f.layout = rankLayouts(sample, region.extent, effort);

  }
  if (findTracks(in, f.extent, f.layout, f.tracks) != 0 || includeLeadingSeparator(in, f) != 0) return -1;
  // The tracks are found in the layout chosen: no surer than it.
  f.tracks.confidence = std::min(f.tracks.confidence, chosenLayout(f.layout).confidence);
  return 0;
}

// Probes the regions on every CPU this process may use: each thread takes the next
// region left, with a handle of its own on the input. Where a thread cannot be started,
// the ones that did (and the caller) do its share. 0, or -1 when a region cannot be read.
int probeRegions(const ProbeInput& in, const std::vector<SoundRegion>& sound, std::vector<ProbeFindings>& regions) {
  regions.resize(sound.size());
  const LayoutEffort effort = effortFor(sound.size());
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  auto work = [&](const ProbeInput& input) {
    for (size_t r; (r = next.fetch_add(1)) < sound.size();) {
      if (probeRegion(input, sound[r], effort, regions[r]) != 0) failed = true;
    }
  };
  std::vector<std::thread> helpers;
  std::vector<ProbeInput> inputs(static_cast<size_t>(std::max(0, std::min<int>(availableCpus(), static_cast<int>(sound.size())) - 1)));
  for (ProbeInput& input : inputs) {
    input.name = in.name;
    if (openProbeInput(input) != 0) continue;
    try {
      helpers.emplace_back(work, std::cref(input));
    } catch (const std::system_error&) {
      break;  // no more threads: the caller and those started do it all
    }
  }
  work(in);
  for (std::thread& helper : helpers) helper.join();
  for (ProbeInput& input : inputs) closeProbeInput(input);
  return failed ? -1 : 0;
}

}  // namespace

int runProbe(const char* name, bool json, std::vector<ProbeFindings>* found) {
  ProbeInput in;
  in.name = name;
  std::vector<ProbeFindings> regions;
  std::vector<SoundRegion> sound;
  int result = 0;
  if (openProbeInput(in) != 0) {
    result = fail(json, std::string(name) + ": cannot be read");
  } else if (in.length == 0) {
    result = fail(json, std::string(name) + ": is empty");
  } else if (findSoundRegions(in, sound) != 0) {
    result = fail(json, std::string(name) + ": cannot be read");
  } else if (sound.empty()) {
    result = fail(json, std::string(name) + ": holds no SPU ADPCM data");
  } else {
    if (probeRegions(in, sound, regions) != 0) result = fail(json, std::string(name) + ": cannot be read");
    if (result == 0) {
      const std::string report = json ? jsonReport(in, regions) : textReport(in, regions);
      std::fputs(report.c_str(), stdout);
      if (found != nullptr) *found = regions;
    }
  }
  closeProbeInput(in);
  // A report that could not be written is a failure too.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) result = -1;
  return result;
}
