// Numbers typed on the command line.
#pragma once

#include <cstdint>

// The number at the start of a command-line text. Up to 16 characters are taken,
// stopping at the end, a ',' or a byte 0xFF. Base 16 if any taken character is 'x' or
// 'X', else base 10; every hex digit character counts as a digit in either base, every
// other character is passed over, and the sum wraps around in 32 bits.
int32_t readOptionValue(const char* text);
