#include "chunk/float_text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace polymill {

namespace {

constexpr int kDigits = 6;
constexpr std::uint32_t kLowest = 100000;   // the smallest six-digit number
constexpr std::uint32_t kBeyond = 1000000;  // the smallest seven-digit number

template <std::uint64_t Base, std::size_t Count>
constexpr std::array<std::uint64_t, Count> powersOf() {
  std::array<std::uint64_t, Count> powers{};
  powers[0] = 1;
  for (std::size_t i = 1; i < Count; ++i) {
    powers[i] = powers[i - 1] * Base;
  }
  return powers;
}

// m < 2^24 and 5^17 < 2^40, so m * 5^s cannot overflow up to here.
constexpr int kLargestSafePowerOf5 = 17;
constexpr auto kPowersOf5 = powersOf<5, kLargestSafePowerOf5 + 1>();
constexpr auto kPowersOf10 = powersOf<10, 20>();  // 10^19 is the largest below 2^64

// "00" to "99", each pair as the text's first byte in the low half of a word.
constexpr auto kDigitPairs = [] {
  struct {
    std::uint16_t pair[100] = {};
  } pairs;
  for (int i = 0; i < 100; ++i) {
    pairs.pair[i] = static_cast<std::uint16_t>(('0' + i / 10) | ('0' + i % 10) << 8);
  }
  return pairs;
}();

// A scaled value: its whole part and the fraction remainder / divisor that decides rounding.
struct Scaled {
  std::uint64_t whole = 0;
  std::uint64_t remainder = 0;
  std::uint64_t divisor = 1;
};

// m * 2^e * 10^s exactly, where the 64-bit integers suffice; false where they
// do not (values below about 1e-12 or above about 1e19).
bool scaleExactly(std::uint32_t m, int e, int s, Scaled& out) {
  if (s >= 0) {
    if (s > kLargestSafePowerOf5) {
      return false;
    }
    const std::uint64_t n = m * kPowersOf5[s];
    const int shift = s + e;  // the 2^s of 10^s joins 2^e
    if (shift >= 0) {
      if (shift >= 64 || n > (UINT64_MAX >> shift)) {
        return false;
      }
      out = {n << shift, 0, 1};
      return true;
    }
    if (shift <= -64) {
      return false;
    }
    const std::uint64_t mask = (std::uint64_t{1} << -shift) - 1;
    out = {n >> -shift, n & mask, mask + 1};
    return true;
  }
  if (-s >= 20 || e >= 64 || e <= -64) {
    return false;
  }
  const std::uint64_t power = kPowersOf10[-s];
  if ((e > 0 && m > (UINT64_MAX >> e)) || (e < 0 && power > (UINT64_MAX >> -e))) {
    return false;
  }
  const std::uint64_t n = e > 0 ? std::uint64_t{m} << e : m;
  const std::uint64_t d = e < 0 ? power << -e : power;
  out = {n / d, n % d, d};
  return true;
}

// The value's six significant digits, rounded half to even as printf does, and
// its decimal exponent after rounding.
struct Decimal {
  std::uint32_t digits = 0;
  int exponent = 0;
};

// For m in [2^23, 2^24): the value lies in [2^(e+23), 2^(e+24)), whose decimal
// exponent is floor(log10(2^(e+23))) (exactly this expression, for every float
// exponent) or one more. Scaled to six digits at the lower one, the whole part
// has six digits or seven; a seventh is divided off, keeping what rounding needs.
bool toDecimal(std::uint32_t m, int e, Decimal& out) {
  int exponent = ((e + 23) * 78913) >> 18;
  Scaled scaled;
  if (!scaleExactly(m, e, kDigits - 1 - exponent, scaled)) {
    return false;
  }
  // Both roundings are computed and one is selected, without branches: for real
  // data, whether a seventh digit is there and which way rounding goes are coin tosses.
  const std::uint64_t whole = scaled.whole;
  const std::uint64_t rest = scaled.divisor - scaled.remainder;
  const bool upFromSix = (scaled.remainder > rest) | ((scaled.remainder == rest) & ((whole & 1) != 0));
  const std::uint64_t tenth = whole / 10;
  const std::uint64_t dropped = whole - 10 * tenth;
  const bool upFromSeven = (dropped > 5) | ((dropped == 5) & ((scaled.remainder != 0) | ((tenth & 1) != 0)));
  const bool seventh = whole >= kBeyond;
  auto digits = static_cast<std::uint32_t>(seventh ? tenth + upFromSeven : whole + upFromSix);
  exponent += seventh;
  if (digits == kBeyond) {
    digits = kLowest;
    ++exponent;
  }
  out = {digits, exponent};
  return true;
}

// Text is assembled in a 64-bit word, its first byte lowest, and stored byte by
// byte in that order: the same text on either host, and one store on most.
void storeText(std::uint64_t word, char* out) {
  out[0] = static_cast<char>(word);
  out[1] = static_cast<char>(word >> 8);
  out[2] = static_cast<char>(word >> 16);
  out[3] = static_cast<char>(word >> 24);
  out[4] = static_cast<char>(word >> 32);
  out[5] = static_cast<char>(word >> 40);
  out[6] = static_cast<char>(word >> 48);
  out[7] = static_cast<char>(word >> 56);
}

constexpr std::uint64_t kZeros = 0x303030303030;  // "000000"
constexpr std::uint64_t kPoint = '.';

// The plain form is chosen and placed by selection, not branching: values on
// either side of 1 are equally common in real data.
char* writeDecimal(Decimal decimal, char* out) {
  const std::uint32_t low = decimal.digits % 10000;
  const std::uint64_t digits = std::uint64_t{kDigitPairs.pair[decimal.digits / 10000]} |
                               std::uint64_t{kDigitPairs.pair[low / 100]} << 16 |
                               std::uint64_t{kDigitPairs.pair[low % 100]} << 32;
  // Digits after the last one other than '0' are dropped; the first is never '0'.
  const int kept = (std::bit_width(digits ^ kZeros) + 7) / 8;
  const int x = decimal.exponent;
  if (x < -4 || x >= kDigits) {
    storeText((digits & 0xFF) | kPoint << 8 | (digits >> 8) << 16, out);
    out += kept > 1 ? kept + 1 : 1;
    const int magnitude = x < 0 ? -x : x;
    const std::uint64_t exponentText = 'e' | std::uint64_t(x < 0 ? '-' : '+') << 8 |
                                       std::uint64_t('0' + magnitude / 100) << 16 |
                                       std::uint64_t{kDigitPairs.pair[magnitude % 100]} << 24;
    storeText(exponentText, out);
    return out + 5;
  }
  // Below 1: "0.", -x - 1 zeros, the digits. From 1 on: the point after x + 1 digits.
  const bool belowOne = x < 0;
  const int whole = belowOne ? 1 : x + 1;
  const std::uint64_t lowMask = (std::uint64_t{1} << (8 * whole)) - 1;
  const std::uint64_t pointed = (digits & lowMask) | kPoint << (8 * whole) | (digits & ~lowMask) << 8;
  storeText(kZeros << 16 | kPoint << 8 | '0', out);
  const int start = belowOne ? 1 - x : 0;
  storeText(belowOne ? digits : pointed, out + start);
  return out + (belowOne ? start + kept : (kept > whole ? kept + 1 : whole));
}

// The standard library's conversion, which has the same rounding, for the
// magnitudes beyond 64-bit arithmetic; only the exponent needs widening.
char* writeWithLibrary(float magnitude, char* out) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::general, kDigits).ptr;
  char* mark = static_cast<char*>(std::memchr(text, 'e', static_cast<std::size_t>(end - text)));
  if (mark != nullptr && end - mark == 4) {  // e, sign and two digits
    mark[4] = mark[3];
    mark[3] = mark[2];
    mark[2] = '0';
    ++end;
  }
  const auto length = static_cast<std::size_t>(end - text);
  std::memcpy(out, text, length);
  return out + length;
}

}  // namespace

char* writeFloatText(std::uint32_t bits, char* out) {
  *out = '-';
  out += bits >> 31;
  const std::uint32_t biased = (bits >> 23) & 0xFF;
  const std::uint32_t fraction = bits & 0x7FFFFF;
  if (biased == 0xFF) {
    std::memcpy(out, fraction == 0 ? "inf" : "nan", 3);
    return out + 3;
  }
  if (biased == 0 && fraction == 0) {
    *out++ = '0';
    return out;
  }
  Decimal decimal;
  if (biased != 0 && toDecimal(fraction | 0x800000, static_cast<int>(biased) - 150, decimal)) {
    return writeDecimal(decimal, out);
  }
  return writeWithLibrary(std::bit_cast<float>(bits & 0x7FFFFFFF), out);
}

}  // namespace polymill
