// talvimo-probe: tells how to cut an archive nobody has described.
//   talvimo-probe INPUT [--json]
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "probe/audio_extent.h"
#include "probe/block_layout.h"
#include "probe/probe_input.h"
#include "probe/probe_report.h"
#include "probe/track_layout.h"

namespace {

// One line on standard output, as text or as a JSON object; the result is -1.
int fail(bool json, const std::string& reason) {
  std::string text = "talvimo-probe: " + reason;
  if (json) {
    std::string quoted;
    for (char c : text) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    text = "{\"error\": \"" + quoted + "\"}";
  }
  std::printf("%s\n", text.c_str());
  return -1;
}

int probe(ProbeState& p, bool json) {
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

}  // namespace

int main(int argc, char** argv) {
  reopenClosedStandardStreams();
  ProbeState p;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (p.inputName == nullptr && argv[i][0] != '-') {
      p.inputName = argv[i];
    } else {
      p.inputName = nullptr;
      break;
    }
  }
  if (p.inputName == nullptr) {
    std::puts("usage: talvimo-probe INPUT [--json]");
    return -1;
  }
  return probe(p, json);
}
