#include "shell/profile.h"

#include <algorithm>

#include "common/text.h"

namespace qlm {
namespace {

constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string Fold(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldAscii);
  return folded;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

// Removes one pair of matching surrounding quotes, as the platform's string read does.
std::string_view StripQuotes(std::string_view text) {
  if (text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front()) {
    text.remove_prefix(1);
    text.remove_suffix(1);
  }
  return text;
}

// The part of `text` that is read: all of it when within the limit, else the first
// kMaxProfileBytes up to the last line end in them (the line the limit cuts is dropped).
std::string_view BoundedText(std::string_view text) {
  if (text.size() <= kMaxProfileBytes) return text;
  text = text.substr(0, kMaxProfileBytes);
  const std::size_t end = text.find_last_of("\r\n");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

Profile::Profile(std::string_view text) {
  text = BoundedText(text);
  // Entries of a section name seen before go nowhere: the first section of a name wins.
  std::vector<Entry>* target = nullptr;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n')
      ++start;

    if (line.empty() || line.front() == ';' || line.find('\0') != std::string_view::npos) continue;
    if (line.front() == '[') {
      std::string_view name = line.substr(1);
      name = Trim(name.substr(0, name.find(']')));
      const auto [it, added] = sections_.try_emplace(Fold(name));
      target = added ? &it->second : nullptr;
      continue;
    }
    if (target == nullptr) continue;  // before the first section, or in a duplicate one
    const std::size_t equals = line.find('=');
    Entry entry;
    entry.key = std::string(Trim(line.substr(0, equals)));
    if (equals != std::string_view::npos)
      entry.value = std::string(StripQuotes(Trim(line.substr(equals + 1))));
    target->push_back(std::move(entry));
  }
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
  const auto it = sections_.find(Fold(section));
  if (it == sections_.end()) return std::nullopt;
  for (const Entry& e : it->second) {
    if (EqualsIgnoringCase(e.key, key)) return e.value;
  }
  return std::nullopt;
}

std::string Profile::GetString(std::string_view section, std::string_view key,
                               std::string_view default_value) const {
  std::optional<std::string> value = Find(section, key);
  return value ? std::move(*value) : std::string(default_value);
}

std::uint32_t Profile::GetInt(std::string_view section, std::string_view key,
                              std::uint32_t default_value) const {
  return ProfileTextToInt(Find(section, key), default_value);
}

// The integer conversion of GetPrivateProfileIntA:
//  * the value has been trimmed and stripped of one pair of quotes by the reader; blanks left
//    inside the quotes are skipped as well;
//  * a missing key, or a present key whose value is empty, gives the default;
//  * then an optional '+' or '-', then decimal digits up to the first non-digit: "42A9" gives
//    42, "+1" gives 1, "B42" gives 0 (not the default), "0x10" gives 0, "-" gives 0;
//  * the number wraps modulo 2^32, a minus sign negating it modulo 2^32: "-1" gives
//    4294967295, "4294967297" gives 1; any number of digits is read without overflow.
std::uint32_t ProfileTextToInt(const std::optional<std::string>& value,
                               std::uint32_t default_value) {
  if (!value || value->empty()) return default_value;
  const std::string_view text = Trim(*value);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t total = 0;  // unsigned arithmetic wraps modulo 2^32 by definition
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    total = total * 10u + static_cast<std::uint32_t>(text[i] - '0');
  return negative ? 0u - total : total;
}

void AppendSectionLine(std::string& file, std::string_view section) {
  file += '[';
  file += section;
  file += "]\r\n";
}

bool AppendKeyLine(std::string& file, std::string_view key, std::string_view value) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  const bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                                        StripQuotes(value).size() != value.size());
  file += key;
  file += '=';
  if (quote) file += '"';
  file += value;
  if (quote) file += '"';
  file += "\r\n";
  return true;
}

}  // namespace qlm
