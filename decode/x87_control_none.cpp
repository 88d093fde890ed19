// Machines without an x87: nothing to set.
#include "decode/x87_control.h"

uint16_t setRulePrecision() { return 0; }

void restorePrecision(uint16_t) {}

uint16_t setShortPrecisionForTests() { return 0; }
