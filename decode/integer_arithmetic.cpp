#include "decode/integer_arithmetic.h"

#include <algorithm>
#include <bit>

namespace {

using Uint128 = unsigned __int128;

// A value as the x87 holds it: a 64-bit significand and an exponent wide enough for
// every sum the decoder forms.
struct X87Number {
  enum Kind : uint8_t { kZero, kFinite, kInfinite, kNaN };
  Kind kind;
  bool negative;
  uint64_t significand;  // finite: top bit set, value = significand * 2^exponent; NaN: as the x87 holds it
  int32_t exponent;
};

constexpr uint64_t kTopBit = uint64_t{1} << 63;
constexpr uint64_t kQuietBit = uint64_t{1} << 62;
constexpr X87Number kIndefinite{X87Number::kNaN, true, kTopBit | kQuietBit, 0};

// Index of the highest set bit of a non-zero value.
int topBit(Uint128 value) {
  const uint64_t upper = static_cast<uint64_t>(value >> 64);
  return upper != 0 ? 127 - std::countl_zero(upper) : 63 - std::countl_zero(static_cast<uint64_t>(value));
}

X87Number finite(bool negative, uint64_t magnitude, int32_t exponent) {
  const int shift = std::countl_zero(magnitude);
  return X87Number{X87Number::kFinite, negative, magnitude << shift, exponent - shift};
}

// A double loaded into the x87: exact; a NaN keeps its payload, made quiet.
X87Number fromDouble(double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const bool negative = bits >> 63;
  const int32_t field = static_cast<int32_t>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  if (field == 0x7FF) {
    if (fraction == 0) return X87Number{X87Number::kInfinite, negative, 0, 0};
    return X87Number{X87Number::kNaN, negative, kTopBit | kQuietBit | (fraction << 11), 0};
  }
  if (field == 0) {
    if (fraction == 0) return X87Number{X87Number::kZero, negative, 0, 0};
    return finite(negative, fraction, -1074);  // subnormal: normal in the x87's range
  }
  return finite(negative, fraction | (uint64_t{1} << 52), field - 1075);
}

X87Number fromInteger(int32_t value) {
  if (value == 0) return X87Number{X87Number::kZero, false, 0, 0};
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(value)) : static_cast<uint64_t>(value);
  return finite(value < 0, magnitude, 0);
}

// value * k / 64, k a filter weight of at most seven bits: exact.
X87Number multiply(const X87Number& value, int32_t k) {
  const bool negativeK = k < 0;  // the weights are doubles: 0 is +0.0
  switch (value.kind) {
    case X87Number::kNaN:
      return value;
    case X87Number::kInfinite:
      if (k == 0) return kIndefinite;
      return X87Number{X87Number::kInfinite, value.negative != negativeK, 0, 0};
    case X87Number::kZero:
      return X87Number{X87Number::kZero, value.negative != negativeK, 0, 0};
    case X87Number::kFinite:
      break;
  }
  if (k == 0) return X87Number{X87Number::kZero, value.negative, 0, 0};
  const uint64_t magnitude = static_cast<uint64_t>(negativeK ? -k : k);
  const Uint128 product = static_cast<Uint128>(value.significand) * magnitude;
  // A double's significand has eleven zero bits at the bottom here, and k at most seven
  // bits: the product fits 64 bits once shifted down, with nothing lost.
  const int shift = topBit(product) - 63;
  return X87Number{X87Number::kFinite, value.negative != negativeK, static_cast<uint64_t>(product >> shift),
                  value.exponent - 6 + shift};
}

// Magnitude order of two finite values.
bool smaller(const X87Number& a, const X87Number& b) {
  return a.exponent < b.exponent || (a.exponent == b.exponent && a.significand < b.significand);
}

// a + b rounded to a 64-bit significand, to nearest, ties to even.
X87Number add(const X87Number& a, const X87Number& b) {
  if (a.kind == X87Number::kNaN || b.kind == X87Number::kNaN) {
    if (a.kind != X87Number::kNaN) return b;
    if (b.kind != X87Number::kNaN) return a;
    if (a.significand != b.significand) return a.significand > b.significand ? a : b;
    return a.negative ? b : a;
  }
  if (a.kind == X87Number::kInfinite || b.kind == X87Number::kInfinite) {
    if (a.kind == X87Number::kInfinite && b.kind == X87Number::kInfinite && a.negative != b.negative) return kIndefinite;
    return a.kind == X87Number::kInfinite ? a : b;
  }
  if (a.kind == X87Number::kZero && b.kind == X87Number::kZero) {
    return X87Number{X87Number::kZero, a.negative && b.negative, 0, 0};
  }
  if (a.kind == X87Number::kZero) return b;
  if (b.kind == X87Number::kZero) return a;

  const X87Number& big = smaller(a, b) ? b : a;
  const X87Number& small = smaller(a, b) ? a : b;
  // Both significands placed in 128 bits, the larger's top bit at bit 126 (a carry has
  // room); what falls off the smaller's bottom is kept as a sticky bit.
  const int64_t distance = static_cast<int64_t>(big.exponent) - small.exponent;
  const Uint128 top = static_cast<Uint128>(big.significand) << 63;
  Uint128 low = 0;
  bool sticky = false;
  if (distance < 127) {
    const Uint128 placed = static_cast<Uint128>(small.significand) << 63;
    low = placed >> distance;
    sticky = distance > 0 && (placed & ((static_cast<Uint128>(1) << distance) - 1)) != 0;
  } else {
    sticky = true;
  }
  Uint128 sum;
  if (big.negative == small.negative) {
    sum = top + low;
  } else {
    sum = top - low - (sticky ? 1 : 0);  // the true value lies between sum and sum + 1
    if (sum == 0 && !sticky) return X87Number{X87Number::kZero, false, 0, 0};
  }
  const int high = topBit(sum);
  const int32_t exponent = big.exponent - 63 + (high - 63);
  if (high < 64) {  // cancellation: exact, nothing to round
    return finite(big.negative, static_cast<uint64_t>(sum), big.exponent - 63);
  }
  const int cut = high - 63;  // bits below the 64 kept
  uint64_t significand = static_cast<uint64_t>(sum >> cut);
  const Uint128 rest = sum & ((static_cast<Uint128>(1) << cut) - 1);
  const Uint128 half = static_cast<Uint128>(1) << (cut - 1);
  const bool roundUp = rest > half || (rest == half && (sticky || (significand & 1)));
  int32_t resultExponent = exponent;
  if (roundUp) {
    significand += 1;
    if (significand == 0) {  // carried out of 64 bits
      significand = kTopBit;
      resultExponent += 1;
    }
  }
  return X87Number{X87Number::kFinite, big.negative, significand, resultExponent};
}

// The value stored as a double: rounded once, to nearest, ties to even; subnormal or
// infinite where the double's range ends. A NaN keeps the top of its payload.
uint64_t toDoubleBits(const X87Number& value) {
  const uint64_t sign = static_cast<uint64_t>(value.negative) << 63;
  switch (value.kind) {
    case X87Number::kZero:
      return sign;
    case X87Number::kInfinite:
      return sign | (uint64_t{0x7FF} << 52);
    case X87Number::kNaN:
      return sign | (uint64_t{0x7FF} << 52) | ((value.significand >> 11) & ((uint64_t{1} << 52) - 1));
    case X87Number::kFinite:
      break;
  }
  const int32_t top = value.exponent + 63;  // value in [2^top, 2^(top + 1))
  // Bits to drop: 11 for a normal double, more below the normal range.
  const int32_t drop = top >= -1022 ? 11 : 11 + (-1022 - top);
  if (drop > 64) return sign;  // below half the smallest subnormal
  uint64_t kept = drop == 64 ? 0 : value.significand >> drop;
  const uint64_t rest = drop == 64 ? value.significand : value.significand & ((uint64_t{1} << drop) - 1);
  const uint64_t half = uint64_t{1} << (drop - 1);
  if (rest > half || (rest == half && (kept & 1))) kept += 1;
  if (top < -1022) return sign | kept;  // subnormal; a carry into bit 52 makes the smallest normal
  int32_t field = top + 1023;
  if (kept == (uint64_t{1} << 53)) {
    kept >>= 1;
    field += 1;
  }
  if (field >= 0x7FF) return sign | (uint64_t{0x7FF} << 52);
  return sign | (static_cast<uint64_t>(field) << 52) | (kept & ((uint64_t{1} << 52) - 1));
}

using Int128 = __int128;

// Rounds a magnitude to `bits` significant bits, to nearest, ties to even.
Uint128 roundTo(Uint128 magnitude, int bits) {
  if (magnitude >> bits == 0) return magnitude;
  const int drop = topBit(magnitude) + 1 - bits;
  const Uint128 rest = magnitude & ((static_cast<Uint128>(1) << drop) - 1);
  const Uint128 half = static_cast<Uint128>(1) << (drop - 1);
  Uint128 kept = magnitude >> drop;
  if (rest > half || (rest == half && (kept & 1))) kept += 1;
  return kept << drop;
}

Int128 roundSigned(Int128 value, int bits) {
  const Uint128 magnitude = roundTo(value < 0 ? -static_cast<Uint128>(value) : static_cast<Uint128>(value), bits);
  return value < 0 ? -static_cast<Int128>(magnitude) : static_cast<Int128>(magnitude);
}

// value * 2^shift, without shifting a negative number (wraps as two's complement does).
Int128 shifted(int64_t value, int32_t shift) {
  return static_cast<Int128>(static_cast<Uint128>(static_cast<Int128>(value)) << shift);
}

// A double's integer significand and exponent (value = m * 2^e); false for inf and NaN.
bool split(double value, int64_t& m, int32_t& e) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int32_t field = static_cast<int32_t>((bits >> 52) & 0x7FF);
  if (field == 0x7FF) return false;
  const int64_t magnitude = static_cast<int64_t>((bits & ((uint64_t{1} << 52) - 1)) | (field == 0 ? 0 : uint64_t{1} << 52));
  m = bits >> 63 ? -magnitude : magnitude;
  e = (field == 0 ? 1 : field) - 1075;
  return true;
}

// The common case in plain 128-bit integers: finite histories whose terms lie within 60
// bits of each other, and a result in the normal range. Everything is an integer times
// 2^base, so the sums are exact until rounded to 64 bits, as the x87 rounds them. false
// when the case is not common (the general path then takes it).
bool commonStep(int32_t t, double s1, double s2, int32_t k0, int32_t k1, double& x) {
  int64_t m1, m2;
  int32_t e1, e2;
  if (!split(s1, m1, e1) || !split(s2, m2, e2)) return false;
  const int64_t p = m1 * k0, q = m2 * k1;  // exact: 53 bits times 7
  int32_t base = 0;
  bool any = t != 0;
  if (p != 0) base = any ? std::min(base, e1 - 6) : e1 - 6, any = true;
  if (q != 0) base = any ? std::min(base, e2 - 6) : e2 - 6, any = true;
  if (!any) {
    x = 0.0;  // every term zero: +0 (t is +0, and +0 + -0 is +0)
    return true;
  }
  const int32_t shiftT = -base, shiftP = e1 - 6 - base, shiftQ = e2 - 6 - base;
  if ((t != 0 && shiftT > 100) || (p != 0 && shiftP > 60) || (q != 0 && shiftQ > 60)) return false;
  const Int128 first = roundSigned((t == 0 ? 0 : shifted(t, shiftT)) + (p == 0 ? 0 : shifted(p, shiftP)), 64);
  const Int128 second = roundSigned(first + (q == 0 ? 0 : shifted(q, shiftQ)), 64);
  if (second == 0) {
    x = 0.0;  // an exact cancellation gives +0
    return true;
  }
  const bool negative = second < 0;
  const Uint128 magnitude = roundTo(negative ? -static_cast<Uint128>(second) : static_cast<Uint128>(second), 53);
  const int top = topBit(magnitude);
  const int32_t exponent = top + base;  // value in [2^exponent, 2^(exponent + 1))
  if (exponent < -1022 || exponent > 1023) return false;
  const uint64_t mantissa = static_cast<uint64_t>(top >= 52 ? magnitude >> (top - 52) : magnitude << (52 - top));
  x = std::bit_cast<double>((static_cast<uint64_t>(negative) << 63) | (static_cast<uint64_t>(exponent + 1023) << 52) |
                            (mantissa & ((uint64_t{1} << 52) - 1)));
  return true;
}

}  // namespace

double integerStep(int32_t t, double s1, double s2, int32_t k0, int32_t k1) {
  double x;
  if (commonStep(t, s1, s2, k0, k1, x)) return x;
  const X87Number first = add(fromInteger(t), multiply(fromDouble(s1), k0));
  const X87Number second = add(first, multiply(fromDouble(s2), k1));
  return std::bit_cast<double>(toDoubleBits(second));
}

int32_t integerSample(double x) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  const bool negative = bits >> 63;
  const int32_t field = static_cast<int32_t>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  if (field == 0x7FF) return 0;
  const uint64_t mantissa = field == 0 ? fraction : fraction | (uint64_t{1} << 52);
  const int32_t exponent = (field == 0 ? 1 : field) - 1075;  // x = mantissa * 2^exponent
  if (exponent >= 0) {
    // An integer: x + 0.5 truncates to x (x >= 0) or x + 1 (x < 0), modulo 2^32; below
    // -2^63 the x87's x + 0.5 (a 64-bit significand) rounds back to x, and so to x.
    const uint64_t low = exponent >= 64 ? 0 : mantissa << exponent;
    const bool roundsBack = exponent > 11 || (exponent == 11 && mantissa > (uint64_t{1} << 52));  // |x| > 2^63
    const uint64_t value = negative ? 0 - low + (roundsBack ? 0 : 1) : low;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  const int32_t fractionBits = -exponent;
  if (fractionBits > 62) return 0;  // |x| < 2^-9: x + 0.5 lies strictly between 0 and 1
  // trunc((2x + 1) / 2) with x = mantissa / 2^fractionBits, all in exact integers.
  const int64_t twice = 2 * static_cast<int64_t>(mantissa) * (negative ? -1 : 1) + (int64_t{1} << fractionBits);
  const int64_t result = twice / (int64_t{1} << (fractionBits + 1));
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(result)));
}
