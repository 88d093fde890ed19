#include "decode/decode_path.h"

#include "decode/avx512_lanes.h"
#include "decode/scalar_lanes.h"

bool decodePathAvailable(DecodePath path) {
  if (!decodePathBuilt(path)) return false;
  // Only a built path is asked about the CPU: the others' checks are not compiled in.
  if constexpr (decodePathBuilt(DecodePath::kAvx512)) {
    if (path == DecodePath::kAvx512) return avx512LanesSupported();
  }
  return true;
}

DecodePath chosenDecodePath() {
  static const DecodePath chosen = [] {
    for (int i = kDecodePaths - 1; i > 0; --i) {
      if (decodePathAvailable(decodePathAt(i))) return decodePathAt(i);
    }
    return DecodePath::kInteger;
  }();
  return chosen;
}

int chunksPerCall(DecodePath path) { return path == DecodePath::kAvx512 ? kAvx512Chunks : kScalarChunks; }

int64_t decodeChunks(ChainChunk* chunks, int count, DecodePath path) {
  switch (path) {
    case DecodePath::kAvx512:
      if constexpr (decodePathBuilt(DecodePath::kAvx512)) return decodeChunksAvx512(chunks, count);
      break;
    case DecodePath::kX87:
      if constexpr (decodePathBuilt(DecodePath::kX87)) {
        decodeChunksX87(chunks, count);
        return 0;
      }
      break;
    case DecodePath::kInteger:
      break;
  }
  decodeChunksInteger(chunks, count);
  return 0;
}
