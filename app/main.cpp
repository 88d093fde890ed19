#include "app/driver.h"

int main(int argc, char** argv) {
  static RunState state;  // large (the pair buffers): kept off the stack
  return runTalvimo(state, argc, argv);
}
