#include "app/objects_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <utility>

namespace polymill {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The range a well-formed sequence's second byte lies in, for its lead byte.
struct Lead {
  int continuations;  // 0: not a lead byte
  std::uint8_t low;
  std::uint8_t high;
};

Lead leadOf(std::uint8_t byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return {1, 0x80, 0xBF};
  if (byte == 0xE0) return {2, 0xA0, 0xBF};
  if (byte == 0xED) return {2, 0x80, 0x9F};  // no surrogates
  if (byte >= 0xE1 && byte <= 0xEF) return {2, 0x80, 0xBF};
  if (byte == 0xF0) return {3, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {3, 0x80, 0xBF};
  if (byte == 0xF4) return {3, 0x80, 0x8F};  // nothing past U+10FFFF
  return {0, 0, 0};
}

// The characters JSON.stringify escapes by a letter; other control characters become \u00XX.
constexpr std::pair<char, std::string_view> kShortEscapes[] = {
    {'"', "\\\""}, {'\\', "\\\\"}, {'\b', "\\b"}, {'\f', "\\f"}, {'\n', "\\n"}, {'\r', "\\r"}, {'\t', "\\t"},
};

void appendString(std::string& out, std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    const auto* escape = std::find_if(std::begin(kShortEscapes), std::end(kShortEscapes),
                                      [c](const auto& shortEscape) { return shortEscape.first == c; });
    if (escape != std::end(kShortEscapes)) {
      out += escape->second;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

// JSON.stringify's indent: one space a level.
class JsonWriter {
 public:
  std::string text;

  void open(char bracket) {
    text += bracket;
    ++depth_;
    first_ = true;
  }
  void close(char bracket) {
    --depth_;
    if (!first_) {
      newLine();
    }
    text += bracket;
    first_ = false;
  }
  // Starts the next member of an object (with its key) or element of an array.
  void next(std::string_view key = {}) {
    if (!first_) {
      text += ',';
    }
    first_ = false;
    newLine();
    if (!key.empty()) {
      appendString(text, key);
      text += ": ";
    }
  }
  void number(double value) { text += std::isfinite(value) ? javaScriptNumber(value) : "null"; }

 private:
  void newLine() {
    text += '\n';
    text.append(static_cast<std::size_t>(depth_), ' ');
  }
  int depth_ = 0;
  bool first_ = true;
};

void writeCorner(JsonWriter& json, std::string_view key, const std::array<float, 3>& corner) {
  json.next(key);
  json.open('[');
  for (const float value : corner) {
    json.next();
    json.number(value);
  }
  json.close(']');
}

void writeObject(JsonWriter& json, const Object& object) {
  json.next();
  json.open('{');
  json.next("name");
  if (object.name) {
    appendString(json.text, wellFormedUtf8(*object.name));
  } else {
    json.text += "null";
  }
  json.next("mesh");
  json.text += object.mesh ? "true" : "false";
  const std::pair<std::string_view, std::uint64_t> counts[] = {
      {"firstVertex", object.firstVertex},   {"vertices", object.vertices},
      {"firstFace", object.firstFace},       {"faces", object.faces},
      {"firstMapping", object.firstMapping}, {"mapping", object.mapping}};
  for (const auto& [key, count] : counts) {
    json.next(key);
    json.number(static_cast<double>(count));
  }
  json.next("bounds");
  if (object.bounds) {
    json.open('{');
    writeCorner(json, "min", object.bounds->min);
    writeCorner(json, "max", object.bounds->max);
    json.close('}');
  } else {
    json.text += "null";
  }
  json.close('}');
}

}  // namespace

std::string wellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto byte = static_cast<std::uint8_t>(bytes[at]);
    if (byte < 0x80) {
      out += bytes[at++];
      continue;
    }
    const Lead lead = leadOf(byte);
    std::size_t end = at + 1;
    bool whole = lead.continuations > 0;
    for (int i = 0; whole && i < lead.continuations; ++i, ++end) {
      const std::uint8_t low = i == 0 ? lead.low : 0x80;
      const std::uint8_t high = i == 0 ? lead.high : 0xBF;
      whole = end < bytes.size() && static_cast<std::uint8_t>(bytes[end]) >= low &&
              static_cast<std::uint8_t>(bytes[end]) <= high;
    }
    if (whole) {
      out.append(bytes.substr(at, end - at));
      at = end;
    } else {
      // The bytes that began well stand for one U+FFFD; the byte that broke the sequence is read afresh.
      out += kReplacement;
      at = lead.continuations > 0 ? end - 1 : at + 1;
    }
  }
  return out;
}

std::string javaScriptNumber(double value) {
  if (value == 0) {
    return "0";  // -0 too
  }
  std::string text;
  if (value < 0) {
    text = "-";
    value = -value;
  }
  // The shortest digits that read back as the value, d.ddde±x.
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t e = scientific.find('e');
  std::string digits(scientific.substr(0, e));
  if (digits.size() > 1) {
    digits.erase(1, 1);  // the point
  }
  const int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // where the point stands, counted from the first digit
  if (k <= n && n <= 21) {
    return text.append(digits).append(static_cast<std::size_t>(n - k), '0');
  }
  if (0 < n && n <= 21) {
    return text.append(digits, 0, static_cast<std::size_t>(n)).append(".").append(digits, static_cast<std::size_t>(n));
  }
  if (-6 < n && n <= 0) {
    return text.append("0.").append(static_cast<std::size_t>(-n), '0').append(digits);
  }
  text.append(digits, 0, 1);
  if (k > 1) {
    text.append(".").append(digits, 1);
  }
  return text.append(n - 1 >= 0 ? "e+" : "e-").append(std::to_string(std::abs(n - 1)));
}

std::string objectsJson(const std::vector<Object>& objects) {
  JsonWriter json;
  json.open('[');
  for (const Object& object : objects) {
    writeObject(json, object);
  }
  json.close(']');
  json.text += '\n';
  return json.text;
}

}  // namespace polymill
