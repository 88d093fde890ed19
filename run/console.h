// The run's console. Everything a run prints goes through here, so that it comes out
// in the order a run writing every pair at once would print it: pairs wait in decode
// windows before they are written, and text printed while any of the pairs read before
// it still waits is held until they are written (and never printed when one of them
// cannot be). Also the number formats of the console.
#pragma once

#include <cstdint>
#include <string_view>

#include "run/run_state.h"

constexpr int kEchoDecimal = 1;  // echoNumber mode: decimal without leading zeros
constexpr int kEchoHex = 0;      // "0x" and a fixed number of upper-case hex digits
constexpr int kEchoBareHex = 2;  // the same digits without "0x"

// Prints a text as plain bytes (file names are never format strings).
void echoText(RunState& state, std::string_view text);

// Prints value: decimal (mode 1, a '-' before the magnitude of negative values, at most
// digits + 2 digits), or `digits` hex digits of its low bits, with "0x" (mode 0) or
// without (any other mode).
void echoNumber(RunState& state, int64_t value, int digits, int mode);

// The writer has written pairs up to state.run.pairsWritten: the text held behind them
// is printed.
void printHeldText(RunState& state);

// A pair could not be written: the text held behind it is dropped.
void dropHeldText(RunState& state);

// echoNumber's text into a buffer (at most 24 characters, no terminator). Returns the
// place after the last character.
char* putNumber(char* at, int64_t value, int digits, int mode);

// Writes the low 4 * digits bits of value as upper-case hex digits, most significant
// first, at `at` (no terminator). Returns the place after the last digit.
char* putHexDigits(char* at, uint64_t value, int digits);
