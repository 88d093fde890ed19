// Data that is not sound, to put before, between and after the sound: tables of
// offsets, directories of names, text, raw pictures, machine code, random bytes
// and zero padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "adpcm_codec.h"
#include "rng.h"

namespace blind {

enum class Filler { Zeros, Random, OffsetTable, Directory, Text, Picture8, Picture16, MachineCode };

Bytes makeFiller(Filler kind, size_t bytes, Rng& rng);

// Any kind but zeros, drawn at random.
Bytes someFiller(size_t bytes, Rng& rng);

// Directory of named entries (name, offset, size, flags), as archives open with.
Bytes directory(size_t bytes, Rng& rng);

// Little-endian and big-endian 32-bit stores.
void putLe32(Bytes& to, size_t at, uint32_t value);
void putBe32(Bytes& to, size_t at, uint32_t value);

// Zero bytes up to the next multiple of `alignment` after `size`.
size_t paddingTo(uint64_t size, size_t alignment);

}  // namespace blind
