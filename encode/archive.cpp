#include "encode/archive.h"

#include "encode/adpcm_encoder.h"
#include "encode/signals.h"

StereoTrack makeTrack(uint32_t seed, size_t pairs, size_t blockSize, int sampleRate, bool leadingMarker,
                      bool onePiece) {
  const size_t frames = pairs * (blockSize / kFrameBytes) - (leadingMarker ? 1 : 0);
  std::vector<int16_t> sides[2];
  if (onePiece) synthesizeStereoMusic(seed, frames * kSamplesPerFrame, sampleRate, sides[0], sides[1]);
  StereoTrack track;
  for (int channel = 0; channel < 2; ++channel) {
    const std::vector<int16_t> pcm =
        onePiece ? sides[channel]
                 : synthesizeMusic(seed * 2 + static_cast<uint32_t>(channel), frames * kSamplesPerFrame, sampleRate);
    std::vector<uint8_t> stream = leadingMarker ? markerFrame() : std::vector<uint8_t>{};
    const std::vector<uint8_t> encoded = encodeStream(pcm);
    stream.insert(stream.end(), encoded.begin(), encoded.end());
    (channel == 0 ? track.left : track.right) = std::move(stream);
  }
  return track;
}

std::vector<uint8_t> buildArchive(const std::vector<StereoTrack>& tracks, size_t blockSize) {
  std::vector<uint8_t> archive;
  for (const StereoTrack& track : tracks) {
    const std::vector<uint8_t> pairs = interleaveBlocks(track.left, track.right, blockSize);
    archive.insert(archive.end(), pairs.begin(), pairs.end());
  }
  return archive;
}
