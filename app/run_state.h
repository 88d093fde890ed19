// The one record of settings and run variables, owned by the driver for the whole run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "decode/adpcm_decoder.h"
#include "scan/input_reader.h"
#include "scan/pending_decode.h"

constexpr int32_t kMaxBlockSize = 0x8000;      // largest interleave block accepted
constexpr int32_t kPairEntries = 32768;        // entries per block buffer
constexpr int32_t kFileNumberLimit = 65536;    // numbered names have four hex digits
constexpr int32_t kWavHeaderBytes = 44;
constexpr int32_t kNoValue = -1;               // archive type, NonDecodeType, ProcEndType: off

// One buffer per block of a pair. An entry packs two consecutive samples of its block:
// the earlier in bits 16..31, the later in bits 0..15. A 32768-byte block yields 28672
// entries, so a buffer never overflows.
struct PairBuffers {
  int32_t first[kPairEntries];
  int32_t second[kPairEntries];
};

struct RunState {
  RunState() = default;
  RunState(const RunState&) = delete;  // writeCursor points into this record
  RunState& operator=(const RunState&) = delete;

  FILE* input = nullptr;          // the input, opened by openInput, open for the whole run
  FILE* output = nullptr;         // the WAV file being written; at most one at a time
  FILE* list = nullptr;           // the check-mode list file
  int64_t inputLength = 0;        // length of the input in bytes
  int32_t BlockSize = 0;          // bytes per interleave block (second argument)
  uint64_t dataBytes = 0;         // sample bytes written to the current output since its last reset
  int32_t frequency = 48000;      // sample rate written into WAV headers
  int64_t readPosition = 0;       // offset just past the last byte read (never wraps)
  int32_t SkipSize = 0;           // bytes skipped after every completed block pair
  int32_t HeadSkipSize = 0;       // offset at which reading starts
  uint8_t ChkStrings[16] = {};    // archive type 4 signature; [0] is the type 5 reference
  int32_t checkCount = 0;         // valid bytes in ChkStrings
  int32_t FileMinimunSize = 0;    // a segment must be larger than this (input bytes)
  int16_t channelCount = 2;       // 1 mono, 2 stereo
  int32_t BottomSize = 0x7FFFFFFF;  // the byte at or beyond this offset ends the run
  int32_t archiveType = kNoValue; // detector 0..5, or none: one output file, no numbering
  int32_t Num = 0;                // parameter of archive types 3 and 5
  int32_t checkMode = 0;          // list segments, write no WAVs
  int32_t DumpMode = 0;           // print every frame's 16 bytes
  int32_t verbose = 0;            // extra console output
  int32_t NonDecodeType = kNoValue;  // frames with this first byte are not decoded
  int32_t ProcEndType = kNoValue;    // a frame with this first byte ends the run
  int32_t LRChange = 0;           // swap the two blocks of a pair on output
  int32_t outputOpen = 0;         // the current segment owns an output (check mode: a pending line)
  int32_t fileNumber = 0;         // number of the next output file (StartFileNo)
  int32_t* writeCursor = nullptr; // next free entry of buffers
  size_t digitIndex = 0;          // index in outputName of the first of the four number digits
  ChannelHistory history[2] = {}; // decoder history per channel

  // Beside the settings: what the run owns and how it reports.
  PairBuffers buffers = {};
  const char* inputName = "";     // the input file name as given
  std::string outputName;         // <base>.WAV or <base>_NNNN.WAV, digits set on each open
  std::string listName;           // check-mode list file
  int32_t outputCreated = 0;      // this run created an output file
  int32_t outputFailed = 0;       // a WAV or list write failed; the run ends with -1
  FILE* console = stdout;         // everything the run reports goes here (not reset)

  // Buffers for speed; none of them changes what is read, decoded or written.
  InputReader reader = {};        // the input in large chunks
  PendingDecode pending = {};     // frames waiting for their pair, to decode both channels at once
  uint8_t pcm[kPairEntries * 8] = {};          // one pair's samples, as written to the WAV
  char outputBuffer[1 << 18] = {};             // stdio buffer of the open WAV
};

// Sets every setting and run variable to its default, clears both pair buffers and the
// decoder histories. Leaves console alone.
void resetState(RunState& state);
