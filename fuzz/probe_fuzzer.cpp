// libFuzzer target: one talvimo-probe run per input, in process, on the fuzzed bytes as
// the input file; the first byte asks for JSON. The report goes to /dev/null. After each
// run the harness checks what must always hold: the result is 0 or -1, and a probed
// input has its sound inside the file, a layout talvimo accepts, confidences between 0
// and 1, and at least one track.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "probe/probe_run.h"

namespace {

std::string g_input;  // the scratch file the fuzzed bytes are written to

[[noreturn]] void violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/talvimo-probe-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) std::abort();
  g_input = std::string(dir) + "/in.raw";
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(g_input.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  std::vector<ProbeFindings> found;
  const int result = runProbe(g_input.c_str(), size > 0 && (data[0] & 1), &found);
  if (result != 0 && result != -1) violated("result other than 0 and -1");
  if (result != 0) return 0;
  const int64_t length = static_cast<int64_t>(size > 1 ? size - 1 : 0);
  if (found.empty()) violated("probed, but no region");
  for (const ProbeFindings& f : found) {
    if (f.layout.start < 0 || f.layout.start > f.extent.end || f.extent.end > length) violated("sound outside the file");
    if (f.layout.count < 1) violated("no layout");
    const LayoutCandidate& layout = chosenLayout(f.layout);
    if (layout.channels == 2 && (layout.blockSize % kFrameBytes != 0 || layout.blockSize <= 0 || layout.blockSize > kMaxBlockSize)) {
      violated("a block size talvimo refuses");
    }
    if (f.tracks.commandBlock <= 0 || f.tracks.commandBlock > kMaxBlockSize || f.tracks.tracks < 1) violated("a bad command");
    if (!(f.tracks.confidence >= 0.0 && f.tracks.confidence <= 1.0)) violated("tracks confidence out of 0..1");
    for (int i = 0; i < f.layout.count; ++i) {
      if (!(f.layout.candidates[i].confidence >= 0.0 && f.layout.candidates[i].confidence <= 1.0)) violated("confidence out of 0..1");
    }
  }
  return 0;
}
