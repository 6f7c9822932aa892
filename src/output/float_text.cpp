#include "output/float_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace polymill {

namespace {

constexpr int kDigits = 6;
constexpr std::uint32_t kLowest = 100000;   // the smallest six-digit number
constexpr std::uint32_t kBeyond = 1000000;  // the smallest seven-digit number

constexpr auto kPowersOf5 = [] {
  struct {
    std::uint64_t value[28] = {};
  } powers;
  powers.value[0] = 1;
  for (int i = 1; i < 28; ++i) {
    powers.value[i] = powers.value[i - 1] * 5;
  }
  return powers;
}();

constexpr auto kPowersOf10 = [] {
  struct {
    std::uint64_t value[20] = {};
  } powers;
  powers.value[0] = 1;
  for (int i = 1; i < 20; ++i) {
    powers.value[i] = powers.value[i - 1] * 10;
  }
  return powers;
}();

// How a scaled value splits into a whole part and the fraction that decides rounding.
struct Scaled {
  std::uint64_t whole = 0;
  int fraction = 0;  // below, at or above one half: -1, 0, 1
};

constexpr int compareHalf(std::uint64_t remainder, std::uint64_t divisor) {
  const std::uint64_t rest = divisor - remainder;
  return remainder < rest ? -1 : (remainder == rest ? 0 : 1);
}

// m * 2^e * 10^s exactly, where the 64-bit integers suffice; false where they
// do not (values below about 1e-12 or above about 1e19).
bool scaleExactly(std::uint32_t m, int e, int s, Scaled& out) {
  if (s >= 0) {
    if (s >= 28 || m > UINT64_MAX / kPowersOf5.value[s]) {
      return false;
    }
    const std::uint64_t n = m * kPowersOf5.value[s];
    const int shift = s + e;  // the 2^s of 10^s joins 2^e
    if (shift >= 0) {
      if (shift >= 64 || n > (UINT64_MAX >> shift)) {
        return false;
      }
      out = {n << shift, -1};
      return true;
    }
    if (shift <= -64) {
      return false;
    }
    const std::uint64_t mask = (std::uint64_t{1} << -shift) - 1;
    out = {n >> -shift, compareHalf(n & mask, mask + 1)};
    return true;
  }
  if (-s >= 20 || e >= 64 || e <= -64) {
    return false;
  }
  const std::uint64_t power = kPowersOf10.value[-s];
  if ((e > 0 && m > (UINT64_MAX >> e)) || (e < 0 && power > (UINT64_MAX >> -e))) {
    return false;
  }
  const std::uint64_t n = e > 0 ? std::uint64_t{m} << e : m;
  const std::uint64_t d = e < 0 ? power << -e : power;
  out = {n / d, compareHalf(n % d, d)};
  return true;
}

// The value's six significant digits, rounded half to even as printf does, and
// its decimal exponent after rounding.
struct Decimal {
  std::uint32_t digits = 0;
  int exponent = 0;
};

bool toDecimal(std::uint32_t m, int e, Decimal& out) {
  // floor(log10(2^(e + 23))) is the exponent, or one below it; the loop corrects either way.
  int exponent = ((e + 23) * 78913) >> 18;
  Scaled scaled;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!scaleExactly(m, e, kDigits - 1 - exponent, scaled)) {
      return false;
    }
    if (scaled.whole >= kBeyond) {
      ++exponent;
    } else if (scaled.whole < kLowest) {
      --exponent;
    } else {
      break;
    }
  }
  if (scaled.whole < kLowest || scaled.whole >= kBeyond) {
    return false;
  }
  auto digits = static_cast<std::uint32_t>(scaled.whole);
  if (scaled.fraction > 0 || (scaled.fraction == 0 && (digits & 1) != 0)) {
    ++digits;
  }
  if (digits == kBeyond) {
    digits = kLowest;
    ++exponent;
  }
  out = {digits, exponent};
  return true;
}

char* writeDigits(const char* digits, int count, char* out) {
  std::memcpy(out, digits, static_cast<std::size_t>(count));
  return out + count;
}

char* writeDecimal(Decimal decimal, char* out) {
  char digits[kDigits];
  for (int i = kDigits - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + decimal.digits % 10);
    decimal.digits /= 10;
  }
  int kept = kDigits;
  while (kept > 1 && digits[kept - 1] == '0') {
    --kept;
  }
  const int x = decimal.exponent;
  if (x < -4 || x >= kDigits) {
    *out++ = digits[0];
    if (kept > 1) {
      *out++ = '.';
      out = writeDigits(digits + 1, kept - 1, out);
    }
    const int magnitude = x < 0 ? -x : x;
    *out++ = 'e';
    *out++ = x < 0 ? '-' : '+';
    *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
    return out;
  }
  if (x < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > x; --i) {
      *out++ = '0';
    }
    return writeDigits(digits, kept, out);
  }
  const int whole = x + 1;
  out = writeDigits(digits, whole, out);
  if (kept > whole) {
    *out++ = '.';
    out = writeDigits(digits + whole, kept - whole, out);
  }
  return out;
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
  return writeDigits(text, static_cast<int>(end - text), out);
}

}  // namespace

char* writeFloatText(float value, char* out) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  if ((bits >> 31) != 0) {
    *out++ = '-';
  }
  const std::uint32_t biased = (bits >> 23) & 0xFF;
  const std::uint32_t fraction = bits & 0x7FFFFF;
  if (biased == 0xFF) {
    return writeDigits(fraction == 0 ? "inf" : "nan", 3, out);
  }
  if (biased == 0 && fraction == 0) {
    *out++ = '0';
    return out;
  }
  Decimal decimal;
  if (biased != 0 && toDecimal(fraction | 0x800000, static_cast<int>(biased) - 150, decimal)) {
    return writeDecimal(decimal, out);
  }
  return writeWithLibrary(std::fabs(value), out);
}

}  // namespace polymill
