#include "run/failures.h"

#include "run/console.h"

int reportInputFailure(RunState& s) {
  echoText(s.console, s.run.inputName);
  echoText(s.console, "\nnot read src file\n");
  return -1;
}

int reportOutputFailure(RunState& s) {
  echoText(s.console, s.run.outputName.c_str());
  echoText(s.console, "\nnot write output file\n");
  s.run.outputFailed = true;
  return -1;
}

int reportListFailure(RunState& s) {
  echoText(s.console, "not write script file\n");
  s.run.outputFailed = true;
  return -1;
}
