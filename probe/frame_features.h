// What the layout search measures of each frame of the sample.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kSpectrumBands = 8;      // log-spaced bands of a frame's spectrum

using Spectrum = std::array<float, kSpectrumBands>;

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
  // The log energy of each frame's samples in kSpectrumBands bands (the first frames
  // only): what the sound is like there, apart from its level alone.
  std::vector<Spectrum> spectrum;
  // Each frame is empty (16 zero bytes), and quiet (digital silence or padding: 14 zero
  // bytes or more).
  std::vector<bool> empty;
  std::vector<bool> quiet;
};

// Measures `count` frames at `frames`, the spectra of the first `spectra` of them.
void measureFrames(const uint8_t* frames, size_t count, size_t spectra, FrameFeatures& features);
