#include "decode/adpcm_decoder.h"

#include "decode/chain_chunk.h"
#include "decode/rule_arithmetic.h"
#include "decode/scalar_lanes.h"
#include "decode/x87_control.h"

double stepValue(int32_t t, double s1, double s2, int filter) {
  FrameCodes c;
  c.k0 = kFilterWeights[filter].k0;
  c.k1 = kFilterWeights[filter].k1;
  c.f0 = static_cast<double>(c.k0) / kWeightScale;
  c.f1 = static_cast<double>(c.k1) / kWeightScale;
  c.t[0] = t;
  const RulePrecision precision;
  fencePrecision(s1), fencePrecision(s2), fencePrecision(c);
  double x = RuleArithmetic::stepShifting(c, 0, s1, s2);
  fencePrecision(x);
  return x;
}

int32_t sampleValue(double x) {
  const RulePrecision precision;
  fencePrecision(x);
  int32_t sample = RuleArithmetic::sample(x);
  fencePrecision(sample);
  return sample;
}

void decodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]) {
  const FrameRun run{&frame, 1, &history, out};
  decodeRuns(&run, 1);
}
