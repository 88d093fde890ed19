// Which arithmetic decodes. Every path computes the same rule to the same bits (each is
// proven against it); they differ in speed and in what a machine needs for them. This
// header says which paths exist, which this build has and which this CPU has; the path
// that runs is chosen in one place (chosenDecodePath). No other file asks the compiler
// or the CPU which arithmetic it may use.
//
//   integer  the rule in 64- and 128-bit integers: any machine, the last resort
//   vector   two chunks side by side in plain C++ vectors of doubles, each step in halves
//            with one rounding where a check shows the rule rounds once too, the rule
//            taking any other: any machine (what ARM64 and portable builds run)
//   x87      the x87's 64-bit significand does the sums in hardware, four chunks side by
//            side: x86-64
//   avx2     four chunks in 256-bit vectors, the vector path's steps: x86-64 with AVX2
//            and FMA
//   avx512   eight chunks in 512-bit vectors of double pairs, the x87 taking any step the
//            vectors cannot vouch for: x86-64 with AVX-512F/DQ/VL and FMA
//
// A build may be capped for tests and benchmarks (cmake -DTALVIMO_DECODE_PATH=x87): it
// then never runs a path wider than the one named.
#pragma once

#include <cstdint>

#include "decode/chain_chunk.h"

// Narrowest first: a later path is preferred where it is available.
enum class DecodePath : int { kInteger, kVector, kX87, kAvx2, kAvx512 };
constexpr int kDecodePaths = 5;
constexpr const char* kDecodePathNames[kDecodePaths] = {"integer", "vector", "x87", "avx2", "avx512"};

constexpr DecodePath decodePathAt(int index) { return static_cast<DecodePath>(index); }
constexpr int decodePathIndex(DecodePath path) { return static_cast<int>(path); }
inline const char* decodePathName(DecodePath path) { return kDecodePathNames[decodePathIndex(path)]; }

// --- What the compiler and the build give. The only place that asks them. ---

// The machine's long double is the x87's format (a 64-bit significand): x86-64, Linux,
// macOS and MinGW alike.
#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ == 64
constexpr bool kLongDoubleIsX87 = true;
#else
constexpr bool kLongDoubleIsX87 = false;
#endif

// A portable build takes the paths of machines without the x87 (to test them here).
#ifdef TALVIMO_PORTABLE
constexpr bool kPortableBuild = true;
#else
constexpr bool kPortableBuild = false;
#endif

// The vector kernels of x86-64, compiled in where the build system says (their sources
// are only built there).
#ifdef TALVIMO_X86_KERNELS
constexpr bool kX86KernelsBuilt = true;
#else
constexpr bool kX86KernelsBuilt = false;
#endif

// The widest path the build may run, by name ("auto" or none: no cap).
#ifdef TALVIMO_DECODE_PATH_CAP
constexpr const char* kDecodePathCapName = TALVIMO_DECODE_PATH_CAP;
#else
constexpr const char* kDecodePathCapName = "auto";
#endif

// --- What follows from it. ---

constexpr bool sameName(const char* a, const char* b) {
  for (; *a != '\0' && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

constexpr int capIndex() {
  if (sameName(kDecodePathCapName, "auto")) return kDecodePaths - 1;
  for (int i = 0; i < kDecodePaths; ++i) {
    if (sameName(kDecodePathCapName, kDecodePathNames[i])) return i;
  }
  return -1;
}
constexpr int kDecodePathCap = capIndex();
static_assert(kDecodePathCap >= 0, "TALVIMO_DECODE_PATH names no decode path");

constexpr bool withinCap(DecodePath path) { return decodePathIndex(path) <= kDecodePathCap; }

// Compiled into this build and within its cap.
constexpr bool decodePathBuilt(DecodePath path) {
  switch (path) {
    case DecodePath::kInteger:
      return true;  // always there: the rule's last resort, and the reference of the others
    case DecodePath::kVector:
      return withinCap(path);  // plain C++
    case DecodePath::kX87:
      return kLongDoubleIsX87 && !kPortableBuild && withinCap(path);
    case DecodePath::kAvx2:
    case DecodePath::kAvx512:
      return kX86KernelsBuilt && decodePathBuilt(DecodePath::kX87) && withinCap(path);
  }
  return false;
}

// The exact rule where a faster path cannot vouch for its own result, and where a frame
// is decoded alone: the x87 where the build has it, else integers.
constexpr DecodePath kRulePath = decodePathBuilt(DecodePath::kX87) ? DecodePath::kX87 : DecodePath::kInteger;

// --- At run time. ---

// Built, and this CPU has what the path needs (checked once).
bool decodePathAvailable(DecodePath path);

// The widest available path: the one a run decodes its windows by.
DecodePath chosenDecodePath();

// Chunks one call of the path decodes side by side.
int chunksPerCall(DecodePath path);

// Decodes up to chunksPerCall(path) chunks side by side by the path, each exactly as
// decodeFrame would one frame after the other. The path must be available. Returns how
// many steps the rule's own arithmetic took for the path (0 for the scalar paths).
int64_t decodeChunks(ChainChunk* chunks, int count, DecodePath path);
