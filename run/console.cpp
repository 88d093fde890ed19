#include "run/console.h"

#include <cstring>

char* putHexDigits(char* at, uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) *at++ = "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
  return at;
}

char* putNumber(char* end, int64_t value, int digits, int mode) {
  if (mode == kEchoDecimal) {
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    if (value < 0) *end++ = '-';
    // Digit positions from 10^(digits+1) down to 1, without leading zeros.
    uint64_t power = 1;
    for (int i = 0; i < digits + 1 && power <= UINT64_MAX / 10; ++i) power *= 10;
    bool started = false;
    for (; power > 0; power /= 10) {
      const int digit = static_cast<int>((magnitude / power) % 10);
      if (digit != 0) started = true;
      if (started) *end++ = static_cast<char>('0' + digit);
    }
    if (!started) *end++ = '0';
  } else {
    if (mode == kEchoHex) {
      *end++ = '0';
      *end++ = 'x';
    }
    end = putHexDigits(end, static_cast<uint64_t>(value), digits > 16 ? 16 : digits);
  }
  return end;
}

void echoNumber(FILE* out, int64_t value, int digits, int mode) {
  char text[24];
  const char* end = putNumber(text, value, digits, mode);
  std::fwrite(text, 1, static_cast<size_t>(end - text), out);
}

void echoText(FILE* out, const char* text) {
  std::fwrite(text, 1, std::strlen(text), out);
}
