// Chains decoded side by side by the scalar arithmetics (the x87, or integers): up to
// four at once, one sample of each in turn, so that each one's latency hides behind
// the others'. (Eight, tried as well, spill the x87's registers and run slower.)
#pragma once

#include "decode/chain_chunk.h"

constexpr int kScalarChunks = 4;

// Decodes runs of independent chains (at most two) by the rule's arithmetic, each with
// exactly the results of decodeFrame called on its frames one after the other. Besides
// the chains, a run is split where a frame predicts nothing (filter 0, or 5..15): from
// there on it does not depend on what came before, so the halves decode side by side.
void decodeRuns(const FrameRun* runs, int count);

// Decodes up to kScalarChunks chunks side by side by the x87 (only where the build has
// it) or by integers.
void decodeChunksX87(ChainChunk* chunks, int count);
void decodeChunksInteger(ChainChunk* chunks, int count);
