#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "polymill/polymill.h"

namespace polymill {

// The object index as JSON, as JavaScript's JSON.stringify(index, null, 1)
// writes it, with a newline after: one space of indent a level, names as a
// web browser's decoder reads their bytes, numbers as JavaScript prints them
// (bounds that are not finite as null). The page's NAME.objects.json, the
// npm package's and the command's are the same text.
std::string objectsJson(const std::vector<Object>& objects);

// The bytes as UTF-8 that a web browser's decoder gives for them: each
// stretch that is not well-formed becomes U+FFFD.
std::string wellFormedUtf8(std::string_view bytes);

// A number as JavaScript's String(number) prints it: the fewest digits that
// read back as the same double, in plain or exponent form by its rules.
std::string javaScriptNumber(double value);

}  // namespace polymill
