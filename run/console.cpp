#include "run/console.h"

#include <cstddef>
#include <cstdio>

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

void echoText(RunState& s, std::string_view text) {
  RunVariables& run = s.run;
  if (run.pairsWritten == run.pairsHandedOver) {
    std::fwrite(text.data(), 1, text.size(), s.console);
  } else if (!run.heldText.empty() && run.heldText.back().pairsBefore == run.pairsHandedOver) {
    run.heldText.back().text += text;
  } else {
    run.heldText.push_back(HeldText{run.pairsHandedOver, std::string(text)});
  }
}

void echoNumber(RunState& s, int64_t value, int digits, int mode) {
  char text[24];
  const char* end = putNumber(text, value, digits, mode);
  echoText(s, std::string_view(text, static_cast<size_t>(end - text)));
}

void printHeldText(RunState& s) {
  std::vector<HeldText>& held = s.run.heldText;
  size_t printed = 0;
  for (; printed < held.size() && held[printed].pairsBefore <= s.run.pairsWritten; ++printed) {
    std::fwrite(held[printed].text.data(), 1, held[printed].text.size(), s.console);
  }
  held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(printed));
}

void dropHeldText(RunState& s) { s.run.heldText.clear(); }
