// Chunks of chains decoded side by side in plain C++ vectors (GCC's vector extensions),
// with exactly the results of decodeChunks: what ARM64 decodes with (NEON, two doubles
// to a register), and builds without the x87.
//
// Each step is taken in halves (split_step.h): the history cut in two by masking its
// bits, each half times a weight exact without a fused multiply-add (with one, the same),
// one rounding at the end, where a check of a few comparisons shows that the rule rounds
// only once too. A step whose check fails is taken again by the rule (stepValue: the
// integer arithmetic where there is no x87); where its value differs, the rule takes the
// rest of that lane's frame.
#pragma once

#include <cstdint>

#include "decode/chain_chunk.h"

// Chunks decoded side by side by one call: one vector of two. A step of two lanes takes
// more cycles of work than its chain of latency: more vectors only spill registers
// (measured on x86-64: 4.2 against 4.7 ns per sample for two vectors).
constexpr int kVectorChunks = 2;

// Decodes the chunks (any number), kVectorChunks at a time, exactly as the rule would one
// frame after the other. Plain C++: every build has it.
// Returns how many of the steps were the rule's own (stepValue).
int64_t decodeChunksVector(ChainChunk* chunks, int count);
