#include "decode/decode_path.h"

#include "decode/avx2_lanes.h"
#include "decode/avx512_lanes.h"
#include "decode/scalar_lanes.h"
#include "decode/vector_lanes.h"

bool decodePathAvailable(DecodePath path) {
  if (!decodePathBuilt(path)) return false;
  // Only a built path is asked about the CPU: the others' checks are not compiled in.
  if constexpr (kX86KernelsBuilt) {
    if (path == DecodePath::kAvx512) return avx512LanesSupported();
    if (path == DecodePath::kAvx2) return avx2LanesSupported();
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

int chunksPerCall(DecodePath path) {
  switch (path) {
    case DecodePath::kAvx512:
      return kAvx512Chunks;
    case DecodePath::kAvx2:
      return kAvx2Chunks;
    case DecodePath::kVector:
      return kVectorChunks;
    case DecodePath::kX87:
    case DecodePath::kInteger:
      break;
  }
  return kScalarChunks;
}

int64_t decodeChunks(ChainChunk* chunks, int count, DecodePath path) {
  switch (path) {
    case DecodePath::kAvx512:
      if constexpr (kX86KernelsBuilt) return decodeChunksAvx512(chunks, count);
      break;
    case DecodePath::kAvx2:
      if constexpr (kX86KernelsBuilt) return decodeChunksAvx2(chunks, count);
      break;
    case DecodePath::kVector:
      return decodeChunksVector(chunks, count);
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
