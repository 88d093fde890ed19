// SPU ADPCM frame decoder: 16 bytes in, 28 samples out. Knows nothing of files or runs.
#pragma once

#include <cstdint>

constexpr int kFrameBytes = 16;
constexpr int kSamplesPerFrame = 28;

// One frame as read. Byte 0: filter (high nibble) and shift (low nibble); byte 1: flag
// byte; bytes 2..15: 28 four-bit codes, low nibble first.
struct AdpcmFrame {
  uint8_t value[kFrameBytes];
};

// A filter's weights of the previous value and the one before it, times 64. The five
// SPU ADPCM filters; header nibbles 5..15 decode as filter 0 (no prediction).
struct FilterWeights {
  int32_t k0;
  int32_t k1;
};
constexpr FilterWeights kFilterWeights[16] = {{0, 0}, {60, 0}, {115, -52}, {98, -55}, {122, -60}};

// Prediction history of one channel: the last two decoded values, unrounded.
struct ChannelHistory {
  double s1;  // the last decoded value
  double s2;  // the one before it
};

// Expands one frame into 28 samples and updates the channel's history.
//
// Each value is x = (t + s1*f0) + s2*f1 with both products exact, each sum rounded to a
// 64-bit significand and the result rounded once to a double; that double becomes the
// history. A sample is the exact integer trunc(x + 0.5), kept modulo 2^32 rather than
// saturated: callers store its low 16 bits. Filters 5..15 predict nothing (0, 0).
void decodeFrame(const AdpcmFrame& frame, ChannelHistory& history, int32_t out[kSamplesPerFrame]);

// The rule for one value and for one sample, for decoders that take another way and
// need the rule itself where they cannot vouch for their own result.
double stepValue(int32_t t, double s1, double s2, int filter);
int32_t sampleValue(double x);

// Consecutive frames of one channel.
struct FrameRun {
  const AdpcmFrame* frames;  // frames[0 .. count-1], in order
  int32_t count;
  ChannelHistory* history;   // in: before the first frame; out: after the last
  int32_t* samples;          // count * 28 samples out
};

// Decodes runs of independent channels (at most two), each with exactly the results of
// decodeFrame called on its frames one after the other. Besides the channels, a run is
// split where a frame predicts nothing (filter 0, or 5..15): from there on it does not
// depend on what came before, so the halves decode side by side too.
void decodeRuns(const FrameRun* runs, int count);

// A chunk of a long chain, for decoding side by side with others: `warmUp` frames before
// frames[0] (frames[-warmUp] .. frames[-1]) are decoded only to bring the history in.
struct ChainChunk {
  const AdpcmFrame* frames;  // the chunk's first frame
  int32_t warmUp;            // frames decoded before it, their samples thrown away
  int32_t count;             // frames whose samples are kept
  ChannelHistory history;    // in: before the first warm-up frame; out: after the last frame
  ChannelHistory atStart;    // out: the history as frames[0] begins
  int16_t* samples;          // count * 28 samples out, each one's low 16 bits
};

// Decodes up to four chunks side by side, each exactly as decodeFrame would one frame
// after the other. Where the x87 does the arithmetic, integerArithmetic asks for the
// integer path that machines without it take (the same bits), so that it can be
// checked and timed here too.
void decodeChunks(ChainChunk* chunks, int count, bool integerArithmetic = false);
