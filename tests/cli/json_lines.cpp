#include "cli/json_lines.h"

#include <cstdlib>

namespace qlm::testing {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool Eat(char c) {
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool AtEnd() const { return at_ == text_.size(); }

  // A string after its opening quote, up to and including its closing one.
  bool String(std::string& out) {
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;  // must have been escaped
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ == text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          unsigned code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code < 0xDC00) {  // a surrogate pair
            unsigned low = 0;
            if (!Eat('\\') || !Eat('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(code, out);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  bool Number(std::string& out) {
    const std::size_t start = at_;
    Eat('-');
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
      ++at_;
    out = std::string(text_.substr(start, at_ - start));
    return !out.empty() && out != "-";
  }

  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

 private:
  bool Hex4(unsigned& code) {
    if (at_ + 4 > text_.size()) return false;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      code = code * 16 + static_cast<unsigned>(digit);
    }
    return true;
  }
  static void AppendUtf8(unsigned code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::optional<JsonObject> ParseJsonObject(std::string_view line) {
  Reader in(line);
  JsonObject object;
  if (!in.Eat('{')) return std::nullopt;
  if (in.Eat('}')) return in.AtEnd() ? std::optional(object) : std::nullopt;
  do {
    std::string key;
    if (!in.Eat('"') || !in.String(key) || !in.Eat(':') || object.contains(key))
      return std::nullopt;
    JsonValue value;
    if (in.Eat('"')) {
      value.kind = JsonValue::Kind::String;
      if (!in.String(value.text)) return std::nullopt;
    } else if (in.Word("null")) {
      value.kind = JsonValue::Kind::Null;
    } else {
      value.kind = JsonValue::Kind::Number;
      if (!in.Number(value.text)) return std::nullopt;
    }
    object[key] = value;
  } while (in.Eat(','));
  if (!in.Eat('}') || !in.AtEnd()) return std::nullopt;
  return object;
}

std::vector<JsonObject> ParseJsonLines(const std::string& text, std::vector<std::string>& bad) {
  std::vector<JsonObject> objects;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      bad.push_back(text.substr(start) + " (no line end)");
      break;
    }
    const std::string line = text.substr(start, end - start);
    if (auto object = ParseJsonObject(line)) {
      objects.push_back(std::move(*object));
    } else {
      bad.push_back(line);
    }
    start = end + 1;
  }
  return objects;
}

std::string Str(const JsonObject& object, const std::string& key) {
  const auto it = object.find(key);
  if (it == object.end()) return "<missing>";
  switch (it->second.kind) {
    case JsonValue::Kind::String:
      return it->second.text;
    case JsonValue::Kind::Null:
      return "<null>";
    case JsonValue::Kind::Number:
      return "<number " + it->second.text + ">";
  }
  return "";
}

long long Num(const JsonObject& object, const std::string& key) {
  const auto it = object.find(key);
  if (it == object.end() || it->second.kind != JsonValue::Kind::Number) return -1;
  return std::atoll(it->second.text.c_str());
}

}  // namespace qlm::testing
