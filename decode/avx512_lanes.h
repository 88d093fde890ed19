// Many chunks of chains decoded side by side in 512-bit vectors, eight to a vector, with
// exactly the results of the x87 (decodeChunks).
//
// Each step is carried out in pairs of doubles: both products split exactly (FMA), the
// sums by error-free transformations. Where every error term is exact and both sums fit
// a 64-bit significand, the x87 would not have rounded them either, and its result is
// the double nearest the exact sum, which the vectors give. Where that cannot be shown
// for a lane (on music a step in four thousand or so, and every infinite or NaN value),
// that lane's step is taken by the x87 itself. Built on x86-64 only (decode_path.h).
#pragma once

#include <cstdint>

#include "decode/chain_chunk.h"

// Chunks decoded side by side by one call: one vector of eight. Two or four vectors per
// call hide the latency of a step a little better (on music 1.8 ns per sample against
// 1.9), but halve the tasks a window is cut into, and the caller, which helps with the
// tasks between its own work, then waits longer for the last one.
constexpr int kAvx512Chunks = 8;

// This CPU has AVX-512F, DQ and VL, and FMA.
bool avx512LanesSupported();

// Decodes up to kAvx512Chunks chunks side by side, exactly as the x87 would one frame
// after the other. Only where supported. Returns how many of the steps the x87 took.
int64_t decodeChunksAvx512(ChainChunk* chunks, int count);
