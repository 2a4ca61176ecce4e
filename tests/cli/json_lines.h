// Reads quillomat-cli's --json output back: one flat JSON object per line (strings, numbers
// and null as values). Strict, so that anything else on standard output fails a test.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm::testing {

struct JsonValue {
  enum class Kind { String, Number, Null } kind = Kind::Null;
  std::string text;  // a string's decoded bytes, or a number's digits
  bool operator==(const JsonValue&) const = default;
};
using JsonObject = std::map<std::string, JsonValue>;

// The object on `line`; nullopt unless the line is exactly one flat object.
std::optional<JsonObject> ParseJsonObject(std::string_view line);

// Every line of `text` as an object; `bad` gets the lines that are not one.
std::vector<JsonObject> ParseJsonLines(const std::string& text, std::vector<std::string>& bad);

// The string value of `key`, or "<missing>" / "<null>" / "<number N>".
std::string Str(const JsonObject& object, const std::string& key);
// The number value of `key`, or -1 when it is no number.
long long Num(const JsonObject& object, const std::string& key);

}  // namespace qlm::testing
