// Where the SPU ADPCM sound of an input lies: every region of it, whatever lies
// between (headers, tables, text, images, zero padding), each a stretch of frames of
// sound at its own alignment; and clips that a 'VAGp' header announces.
#pragma once

#include <vector>

#include "probe/probe_input.h"

constexpr int64_t kRegionGapFrames = 2048;  // empty frames in a row that part two regions (no block pads as many)

// One region of sound.
struct SoundRegion {
  AudioExtent extent;
  int32_t rate;  // the sample rate of a VAGp header before it, or 0
};

// Finds the regions in one read of the whole input, in order of their starts. A region
// is a run of at least kMinRegionFrames sound frames in a row (filter 0..4, shift
// 0..12, flag byte 0..7) at one alignment, that begins and ends with kLoudFrames that
// are not empty (runs of empty frames longer than a block part two regions), and that
// looks like encoded sound rather than a table of small numbers or a flat image. 0, or
// -1 on a read error.
int findSoundRegions(const ProbeInput& input, std::vector<SoundRegion>& regions);

// Where the frames from `start` would end if all the rest of the input were sound.
int64_t wholeFramesEnd(const ProbeInput& input, int64_t start);
