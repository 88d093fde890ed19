// The scan loop's own variables, shared with the detectors.
#pragma once

#include <cstdint>

#include "decode/adpcm_decoder.h"

struct FrameScan {
  int64_t segmentStart = 0;    // input offset where the current segment begins
  int32_t firstBlockRun = 0;   // archive type 3: latest run of marker frames in the first block
  int32_t secondBlockRun = 0;  // archive type 3: the same in the second block
  bool silenceFlag = false;     // archive types 0 and 3; lives across segment ends
  int32_t channel = 0;         // 0 in the first block of a pair, 1 in the second
  int32_t entries = 0;         // packed entries decoded in the current block
  int32_t blockBytes = 0;      // bytes read in the current block
  int32_t frameCount = 0;      // frames of the current segment before the current one
  bool endFlag = false;        // the frame ended the input
  bool readFailed = false;     // ... because the input could not be read (not its end)
  bool stopFlag = false;       // the detector cuts at this frame
  int32_t zeroCount = 0;       // how many of the frame's 16 bytes are 0
  AdpcmFrame frame = {};       // the 16 values read; unread values keep earlier contents
};
