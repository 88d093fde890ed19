// The x87's control word on x86-64: precision control in bits 8 and 9 (11: a 64-bit
// significand, 10: 53 bits), rounding control in bits 10 and 11 (00: to nearest).
#include "decode/x87_control.h"

namespace {

constexpr uint16_t kPrecisionAndRounding = 0x0F00;
constexpr uint16_t kSignificand64 = 0x0300;
constexpr uint16_t kSignificand53 = 0x0200;

uint16_t controlWord() {
  uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

void loadControlWord(uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

}  // namespace

uint16_t setRulePrecision() {
  const uint16_t saved = controlWord();
  const uint16_t wanted = static_cast<uint16_t>((saved & ~kPrecisionAndRounding) | kSignificand64);
  if (wanted != saved) loadControlWord(wanted);
  return saved;
}

void restorePrecision(uint16_t saved) {
  if (controlWord() != saved) loadControlWord(saved);
}

uint16_t setShortPrecisionForTests() {
  const uint16_t saved = controlWord();
  loadControlWord(static_cast<uint16_t>((saved & ~kPrecisionAndRounding) | kSignificand53));
  return saved;
}
