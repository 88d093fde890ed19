#include "probe/probe_run.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "probe/audio_extent.h"
#include "probe/block_layout.h"
#include "probe/probe_input.h"
#include "probe/probe_report.h"
#include "probe/track_layout.h"

namespace {

// One line on standard output, as text or as a JSON object; the result is -1.
int fail(bool json, const std::string& reason) {
  const std::string text = "talvimo-probe: " + reason;
  std::printf("%s\n", json ? ("{\"error\": " + jsonString(text) + "}").c_str() : text.c_str());
  return -1;
}

}  // namespace

int runProbe(const char* name, bool json, ProbeFindings* found) {
  ProbeInput in;
  in.name = name;
  ProbeFindings f{};
  int result = 0;
  if (readProbeInput(in) != 0) {
    result = fail(json, std::string(name) + ": cannot be read");
  } else if (in.length == 0) {
    result = fail(json, std::string(name) + ": is empty");
  } else if (findAudioExtent(in, f.extent) != 0) {
    result = fail(json, std::string(name) + ": holds no SPU ADPCM data");
  } else {
    f.layout = rankLayouts(in, f.extent);
    if (findTracks(in, f.extent, f.layout, f.tracks) != 0) {
      result = fail(json, std::string(name) + ": cannot be read");
    } else {
      // The tracks are found in the layout chosen: no surer than it.
      f.tracks.confidence = std::min(f.tracks.confidence, chosenLayout(f.layout).confidence);
      const std::string report = json ? jsonReport(in, f) : textReport(in, f);
      std::fputs(report.c_str(), stdout);
      if (found != nullptr) *found = f;
    }
  }
  closeProbeInput(in);
  // A report that could not be written is a failure too.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) result = -1;
  return result;
}
