// talvimo-probe: tells how to cut an archive nobody has described.
//   talvimo-probe [--json] [--] INPUT...
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "probe/probe_run.h"

int main(int argc, char** argv) {
  reopenClosedStandardStreams();
  std::vector<const char*> names;
  bool json = false;
  bool usage = argc < 2;
  bool onlyNames = false;  // after "--", every argument is a name, '-' or not
  for (int i = 1; i < argc; ++i) {
    if (!onlyNames && std::strcmp(argv[i], "--") == 0) {
      onlyNames = true;
    } else if (!onlyNames && std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (onlyNames || argv[i][0] != '-') {
      names.push_back(argv[i]);
    } else {
      usage = true;
    }
  }
  if (usage || names.empty()) {
    std::puts("usage: talvimo-probe [--json] [--] INPUT...");
    return -1;
  }
  // One report after another; a failure on one input leaves the others probed.
  int result = 0;
  for (const char* name : names) {
    if (runProbe(name, json) != 0) result = -1;
  }
  return result;
}
