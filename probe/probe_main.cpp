// talvimo-probe: tells how to cut an archive nobody has described.
//   talvimo-probe INPUT [--json]
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "probe/probe_run.h"

int main(int argc, char** argv) {
  reopenClosedStandardStreams();
  const char* name = nullptr;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (name == nullptr && argv[i][0] != '-') {
      name = argv[i];
    } else {
      name = nullptr;
      break;
    }
  }
  if (name == nullptr) {
    std::puts("usage: talvimo-probe INPUT [--json]");
    return -1;
  }
  return runProbe(name, json);
}
