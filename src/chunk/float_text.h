#pragma once

#include <cstddef>
#include <cstdint>

namespace polymill {

// The longest text writeFloatText produces, "-1.23456e-045".
constexpr std::size_t kFloatTextMax = 13;
// The room it needs at `out`: a little more, for whole-word copies.
constexpr std::size_t kFloatTextRoom = 18;

// Writes a float, given as its bit pattern, as the trace shows it: general
// notation with six significant digits, trailing zeros dropped, the exponent
// always of three digits (1e-005, 2e+006); infinities and NaNs as inf, -inf,
// nan, -nan. `out` must have kFloatTextRoom bytes of room. Returns the end of
// the text.
char* writeFloatText(std::uint32_t bits, char* out);

}  // namespace polymill
