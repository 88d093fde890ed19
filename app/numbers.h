// Numbers typed on the command line and numbers printed to the console.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kEchoDecimal = 1;  // echoNumber mode: decimal without leading zeros
constexpr int kEchoHex = 0;      // "0x" and a fixed number of upper-case hex digits
constexpr int kEchoBareHex = 2;  // the same digits without "0x"

// The number at the start of a command-line text. Up to 16 characters are taken,
// stopping at the end, a ',' or a byte 0xFF. Base 16 if any taken character is 'x' or
// 'X', else base 10; every hex digit character counts as a digit in either base, every
// other character is passed over, and the sum wraps around in 32 bits.
int32_t readOptionValue(const char* text);

// Prints value: decimal (mode 1, a '-' before the magnitude of negative values, at most
// digits + 2 digits), or `digits` hex digits of its low bits, with "0x" (mode 0) or
// without (any other mode).
void echoNumber(FILE* out, int64_t value, int digits, int mode);

// Prints a text as plain bytes (file names are never format strings).
void echoText(FILE* out, const char* text);
