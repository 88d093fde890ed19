// The one record of a run: its settings, its variables and the buffers it owns. The
// driver owns it for the whole run; every step reads and writes it directly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "run/input_reader.h"
#include "schedule/decode_queue.h"

constexpr int32_t kFileNumberLimit = 65536;  // numbered names have four hex digits
constexpr int32_t kNoValue = -1;             // archive type, NonDecodeType, ProcEndType: off
constexpr int32_t kSignatureBytes = kFrameBytes;  // archive type 4 signatures: at most a frame long

// What the command line sets, with the values of a run without switches. Named after
// the echo labels of the switches.
struct Settings {
  int32_t BlockSize = 0;            // bytes per interleave block (second argument)
  int32_t frequency = 48000;        // sample rate written into WAV headers
  int32_t SkipSize = 0;             // bytes skipped after every completed block pair
  int32_t HeadSkipSize = 0;         // offset at which reading starts
  int32_t BottomSize = 0x7FFFFFFF;  // the byte at or beyond this offset ends the run
  int32_t FileMinimunSize = 0;      // a segment must be larger than this (input bytes)
  int16_t channelCount = 2;         // 1 mono, 2 stereo
  int32_t archiveType = kNoValue;   // detector 0..5, or none: one output file, no numbering
  int32_t Num = 0;                  // parameter of archive types 3 and 5
  uint8_t ChkStrings[kSignatureBytes] = {};  // archive type 4 signature; [0] is the type 5 reference
  int32_t checkCount = 0;           // valid bytes in ChkStrings
  int32_t StartFileNo = 0;          // number of the first output file
  int32_t NonDecodeType = kNoValue; // frames with this first byte are not decoded
  int32_t ProcEndType = kNoValue;   // a frame with this first byte ends the run
  bool checkMode = false;           // list segments, write no WAVs
  bool DumpMode = false;            // print every frame's 16 bytes
  bool LRChange = false;            // swap the two blocks of a pair on output
  bool verbose = false;             // offsets with file names, progress every MiB
};

// Console text printed while pairs read before it still waited to be written.
struct HeldText {
  int64_t pairsBefore;  // pairs handed to the writer before the text
  std::string text;
};

// What the run keeps track of as it goes, with its values before the input is opened.
struct RunVariables {
  const char* inputName = "";       // the input file name as given
  FILE* input = nullptr;            // the input, open for the whole run
  FILE* output = nullptr;           // the WAV file being written; at most one at a time
  FILE* list = nullptr;             // the check-mode list file
  int64_t inputLength = 0;          // length of the input in bytes
  int64_t readPosition = 0;         // offset just past the last byte read (never wraps)
  uint64_t dataBytes = 0;           // sample bytes written to the current output since its last reset
  EntryPlace writeCursor = {0, 0};  // where the next decoded frame's entries go
  bool outputOpen = false;          // the current segment owns an output (check mode: a pending line)
  int32_t fileNumber = 0;           // number of the next output file
  std::string outputName;           // <base>.WAV or <base>_NNNN.WAV, digits set on each open
  size_t digitIndex = 0;            // index in outputName of the first of the four number digits
  std::string listName;             // check-mode list file
  bool outputCreated = false;       // this run created an output file
  bool outputFailed = false;        // a WAV or list write failed; the run ends with -1
  int64_t pairsHandedOver = 0;      // pairs handed to the writer, in order
  int64_t pairsWritten = 0;         // of them, written to the WAV
  std::vector<HeldText> heldText;   // console text waiting for the pairs read before it (run/console.h)
};

struct RunState {
  Settings settings;
  RunVariables run;
  FILE* console = stdout;  // everything the run reports goes here (kept by resetState)

  // Owned for the whole run; too large to reset by assignment.
  DecodeQueue decode;                          // pair buffers, channel histories, queued frames
  InputReader reader;                          // the input in large chunks
  uint8_t pcm[kMaxBlockSize * 8];              // one pair's samples, as written to the WAV
  char outputBuffer[1 << 18];                  // stdio buffer of the open WAV
};

// Default settings and run variables, cleared pair buffers and decoder histories.
// Leaves console alone.
void resetState(RunState& state);
