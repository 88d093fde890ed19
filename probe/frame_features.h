// What the layout search measures of each frame of the sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct FrameFeatures {
  // Loudness of each frame decoded in file order, as if the sample were one stream
  // (log2 of the mean square sample). A wrong history at a block join only disturbs
  // the frames right after it.
  std::vector<double> loudness;
  // Loudness of each frame's residual, which needs no history: the codes scaled by the
  // shift. Joins cannot disturb it.
  std::vector<double> residual;
  // The samples of that decode, 28 per frame.
  std::vector<int16_t> samples;
};

// Measures `count` frames at `frames`.
void measureFrames(const uint8_t* frames, size_t count, FrameFeatures& features);
