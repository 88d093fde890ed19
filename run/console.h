// Numbers and texts printed to the console.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kEchoDecimal = 1;  // echoNumber mode: decimal without leading zeros
constexpr int kEchoHex = 0;      // "0x" and a fixed number of upper-case hex digits
constexpr int kEchoBareHex = 2;  // the same digits without "0x"

// Prints value: decimal (mode 1, a '-' before the magnitude of negative values, at most
// digits + 2 digits), or `digits` hex digits of its low bits, with "0x" (mode 0) or
// without (any other mode).
void echoNumber(FILE* out, int64_t value, int digits, int mode);

// The same into a buffer (at most 24 characters, no terminator). Returns the place after
// the last character.
char* putNumber(char* at, int64_t value, int digits, int mode);

// Prints a text as plain bytes (file names are never format strings).
void echoText(FILE* out, const char* text);

// Writes the low 4 * digits bits of value as upper-case hex digits, most significant
// first, at `at` (no terminator). Returns the place after the last digit.
char* putHexDigits(char* at, uint64_t value, int digits);
