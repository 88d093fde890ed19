#include "run/failures.h"

#include "run/console.h"

int reportInputFailure(RunState& s) {
  echoText(s, s.run.inputName);
  echoText(s, "\nnot read src file\n");
  return -1;
}

int reportOutputFailure(RunState& s) {
  // No pair is written after this one: what waited for the pairs is never printed, and
  // the report comes now.
  dropHeldText(s);
  s.run.pairsHandedOver = s.run.pairsWritten;
  echoText(s, s.run.outputName.c_str());
  echoText(s, "\nnot write output file\n");
  s.run.outputFailed = true;
  return -1;
}

int reportListFailure(RunState& s) {
  echoText(s, "not write script file\n");
  s.run.outputFailed = true;
  return -1;
}
