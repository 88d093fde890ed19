#include "app/driver.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  reopenClosedStandardStreams();  // before anything is opened
  static RunState state;          // large (the pair buffers): kept off the stack
  return runTalvimo(state, argc, argv);
}
