// The x87's control word as the rule needs it: a 64-bit significand and rounding to
// nearest. A thread may start with another (Windows gives new threads a 53-bit
// significand), so every decode by the x87 sets it for its own time and puts back what
// was there. Where there is no x87, these do nothing.
#pragma once

#include <cstdint>

// Sets the control word for the rule; returns what was there.
uint16_t setRulePrecision();

// Puts back what setRulePrecision returned.
void restorePrecision(uint16_t saved);

// For tests: the x87 rounds to a 53-bit significand in this thread from now on, as a
// Windows thread starts. Returns what was there. (0 where there is no x87.)
uint16_t setShortPrecisionForTests();

// Holds the arithmetic on `value` to its place between the setting of the control word
// and its putting back: the value is taken as read and changed here. A decode whose
// values pass through memory only is held there by the calls that set the word; one on
// values in registers is not, and a compiler may compute it before the word is set or
// after it is put back (clang does). Fence its inputs after a RulePrecision begins and
// its result before it ends.
template <typename T>
[[gnu::always_inline]] inline void fencePrecision(T& value) {
  asm volatile("" : "+m"(value));
}

// For the time of a decode.
class RulePrecision {
 public:
  RulePrecision() : saved_(setRulePrecision()) {}
  ~RulePrecision() { restorePrecision(saved_); }
  RulePrecision(const RulePrecision&) = delete;
  RulePrecision& operator=(const RulePrecision&) = delete;

 private:
  uint16_t saved_;
};
