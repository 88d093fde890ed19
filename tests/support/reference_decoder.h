// The reference decoder: the rule in its most direct form, for the tests.
#pragma once

#include "decode/adpcm_decoder.h"

void referenceDecodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]);
