// Chunks of chains decoded side by side in 256-bit vectors (AVX2 and FMA), four to a
// vector, with exactly the results of decodeChunks: for x86-64 machines without AVX-512.
//
// Each step is taken in halves (split_step.h): the history cut in two, fused
// multiply-adds for each half and one rounding, where a check of a few comparisons shows
// that the x87 rounds only once too. A step whose check fails (on music about one in two
// hundred, and every infinite or NaN value) is taken again by the x87 when the round of
// frames is done; where its value differs (about one step in four thousand), the x87
// takes the rest of that lane's frame. Built on x86-64 only (decode_path.h).
#pragma once

#include <cstdint>

#include "decode/chain_chunk.h"

// Chunks decoded side by side by one call: one vector of four. A step takes about as
// many cycles of work as its chain of latency (some eleven): a second vector in flight
// spills registers and measured slower (1.9 against 1.6 ns per sample).
constexpr int kAvx2Chunks = 4;

// This CPU has AVX2 and FMA (checked once).
bool avx2LanesSupported();

// Decodes the chunks (any number), kAvx2Chunks at a time, exactly as the rule would one
// frame after the other. Only where supported. Returns how many of the steps were the
// rule's own (stepValue).
int64_t decodeChunksAvx2(ChainChunk* chunks, int count);
