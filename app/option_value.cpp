#include "app/option_value.h"

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
