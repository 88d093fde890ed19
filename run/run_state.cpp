#include "run/run_state.h"

void resetState(RunState& s) {
  s.settings = Settings{};
  s.run = RunVariables{};
  clearDecodeQueue(s.decode);
  resetInputReader(s.reader, 0);
}
