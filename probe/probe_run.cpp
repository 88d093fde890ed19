#include "probe/probe_run.h"

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

int runProbe(ProbeState& p, bool json) {
  FILE* input = nullptr;
  const std::string name = p.inputName;
  const int opened = readProbeInput(p, &input);
  int result = 0;
  if (opened != 0) {
    result = fail(json, name + ": cannot be read");
  } else if (p.inputLength == 0) {
    result = fail(json, name + ": is empty");
  } else if (findAudioStart(p) != 0) {
    result = fail(json, name + ": holds no SPU ADPCM data");
  } else {
    findAudioEnd(p);
    rankLayouts(p);
    if (findTracks(p, input) != 0) {
      result = fail(json, name + ": cannot be read");
    } else {
      const std::string report = json ? jsonReport(p) : textReport(p);
      std::fputs(report.c_str(), stdout);
    }
  }
  if (input != nullptr) std::fclose(input);
  // A report that could not be written is a failure too.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) result = -1;
  return result;
}
