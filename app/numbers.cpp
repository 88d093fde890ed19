#include "app/numbers.h"

#include <cstring>

namespace {

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int32_t readOptionValue(const char* text) {
  int taken = 0;
  uint32_t base = 10;
  while (taken < 16) {
    const char c = text[taken];
    if (c == '\0' || c == ',' || static_cast<unsigned char>(c) == 0xFF) break;
    if (c == 'x' || c == 'X') base = 16;
    ++taken;
  }
  uint32_t place = 1;
  uint32_t sum = 0;  // unsigned: wraps around explicitly
  for (int i = taken - 1; i >= 0; --i) {
    const int digit = digitValue(text[i]);
    if (digit < 0) continue;
    sum += static_cast<uint32_t>(digit) * place;
    place *= base;
  }
  return static_cast<int32_t>(sum);
}

void echoNumber(FILE* out, int64_t value, int digits, int mode) {
  char text[24];
  int length = 0;
  if (mode == kEchoDecimal) {
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    if (value < 0) text[length++] = '-';
    // Digit positions from 10^(digits+1) down to 1, without leading zeros.
    uint64_t power = 1;
    for (int i = 0; i < digits + 1 && power <= UINT64_MAX / 10; ++i) power *= 10;
    bool started = false;
    for (; power > 0; power /= 10) {
      const int digit = static_cast<int>((magnitude / power) % 10);
      if (digit != 0) started = true;
      if (started) text[length++] = static_cast<char>('0' + digit);
    }
    if (!started) text[length++] = '0';
  } else {
    if (mode == kEchoHex) {
      text[length++] = '0';
      text[length++] = 'x';
    }
    const uint64_t bits = static_cast<uint64_t>(value);
    const int hexDigits = digits > 16 ? 16 : digits;
    for (int i = hexDigits - 1; i >= 0; --i) {
      text[length++] = "0123456789ABCDEF"[(bits >> (4 * i)) & 0xF];
    }
  }
  std::fwrite(text, 1, static_cast<size_t>(length), out);
}

void echoText(FILE* out, const char* text) {
  std::fwrite(text, 1, std::strlen(text), out);
}
