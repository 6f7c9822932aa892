#include "chunk/float_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace polymill::test {
namespace {

std::string textOfBits(std::uint32_t bits) {
  char out[kFloatTextRoom];
  return std::string(out, writeFloatText(bits, out));
}

std::string text(float value) { return textOfBits(std::bit_cast<std::uint32_t>(value)); }

// The standard library's six-digit general form, exactly as it writes it.
std::string standard(float value) {
  char out[64];
  return std::string(out, std::to_chars(out, out + sizeof out, value, std::chars_format::general, 6).ptr);
}

// Ours with a two-digit exponent where the standard library writes one: the
// only way the two forms may differ.
std::string narrowed(float value) {
  std::string s = text(value);
  const auto e = s.find('e');
  if (e != std::string::npos && s[e + 2] == '0') {
    s.erase(e + 2, 1);
  }
  return s;
}

TEST(FloatText, DocumentedForms) {
  EXPECT_EQ(text(1e-5f), "1e-005");
  EXPECT_EQ(text(2e6f), "2e+006");
  EXPECT_EQ(text(0.5f), "0.5");
  EXPECT_EQ(text(1.0f), "1");
  EXPECT_EQ(text(-0.25f), "-0.25");
  EXPECT_EQ(text(0.0f), "0");
  EXPECT_EQ(text(-0.0f), "-0");
  EXPECT_EQ(text(0.0001f), "0.0001");
  EXPECT_EQ(text(123456.0f), "123456");
  EXPECT_EQ(text(999999.5f), "1e+006");         // rounds up into the next decade
  EXPECT_EQ(text(1234565.0f), "1.23456e+006");  // an exact tie goes to the even digit
  EXPECT_EQ(text(3.4028235e38f), "3.40282e+038");
  EXPECT_EQ(text(1.4e-45f), "1.4013e-045");
}

TEST(FloatText, NonFiniteValues) {
  EXPECT_EQ(textOfBits(0x7F800000u), "inf");
  EXPECT_EQ(textOfBits(0xFF800000u), "-inf");
  EXPECT_EQ(textOfBits(0x7FC00000u), "nan");
  EXPECT_EQ(textOfBits(0x7F800001u), "nan");  // signaling
  EXPECT_EQ(textOfBits(0xFFC00000u), "-nan");
  EXPECT_EQ(textOfBits(0xFFA00001u), "-nan");
}

// Every power of ten a float comes near, and the floats on either side of it.
TEST(FloatText, AroundPowersOfTen) {
  for (int exponent = -45; exponent <= 38; ++exponent) {
    const auto power = static_cast<float>(std::pow(10.0, exponent));
    const auto bits = std::bit_cast<std::uint32_t>(power);
    for (std::uint32_t near = bits - 3; near <= bits + 3; ++near) {
      const float value = std::bit_cast<float>(near);
      ASSERT_EQ(narrowed(value), standard(value)) << "bits " << near;
    }
  }
}

// Every rounding boundary near one: each halfway point between neighbouring
// six-digit values in [0.1, 10), with the float nearest to it on either side.
TEST(FloatText, AroundEveryRoundingBoundaryNearOne) {
  for (double unit : {1e-6, 1e-5}) {
    for (int k = 100000; k < 1000000; ++k) {
      const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>((k + 0.5) * unit));
      for (std::uint32_t near = bits - 1; near <= bits + 1; ++near) {
        const float value = std::bit_cast<float>(near);
        ASSERT_EQ(narrowed(value), standard(value)) << "bits " << near;
      }
    }
  }
}

// Random values of either sign from 1e-12 to 1e19, the magnitudes real data
// has and the formatter computes itself rather than handing to the library.
TEST(FloatText, RandomValuesMatchTheStandardLibrary) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::uint32_t> exponent(88, 190);  // biased: 2^-39 to 2^63
  for (int i = 0; i < 3'000'000; ++i) {
    const std::uint32_t bits = static_cast<std::uint32_t>(random()) & 0x807FFFFFu;
    const float value = std::bit_cast<float>(bits | exponent(random) << 23);
    ASSERT_EQ(narrowed(value), standard(value)) << "bits " << std::bit_cast<std::uint32_t>(value);
  }
}

}  // namespace
}  // namespace polymill::test
