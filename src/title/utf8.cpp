#include "title/utf8.h"

namespace qlm {

namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
}  // namespace

Utf8Step NextUtf8(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {1, true, false};
  // Continuation bytes needed, and the range the first of them must lie in (Unicode's table
  // of well-formed byte sequences); later continuation bytes are always 80..BF.
  std::size_t need = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
  } else if (lead == 0xE0) {
    need = 2, low = 0xA0;
  } else if (lead == 0xED) {
    need = 2, high = 0x9F;  // no surrogates
  } else if (lead >= 0xE1 && lead <= 0xEF) {
    need = 2;
  } else if (lead == 0xF0) {
    need = 3, low = 0x90;
  } else if (lead >= 0xF1 && lead <= 0xF3) {
    need = 3;
  } else if (lead == 0xF4) {
    need = 3, high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false, false};  // 80..C1 and F5..FF never begin a character
  }
  for (std::size_t i = 1; i <= need; ++i) {
    if (at + i >= text.size()) return {i, false, true};
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (byte < low || byte > high) return {i, false, false};
    low = 0x80, high = 0xBF;
  }
  return {need + 1, true, false};
}

bool IsValidUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const Utf8Step step = NextUtf8(text, at);
    if (!step.valid) return false;
    at += step.length;
  }
  return true;
}

void AppendRepairedUtf8(std::string_view text, bool drop_truncated_tail, std::string& out) {
  out.reserve(out.size() + text.size());
  std::size_t run = 0;  // start of the well-formed bytes not yet appended
  std::size_t at = 0;
  while (at < text.size()) {
    const Utf8Step step = NextUtf8(text, at);
    if (!step.valid) {
      out.append(text.substr(run, at - run));
      if (step.truncated && drop_truncated_tail) return;
      out.append(kReplacement);
      run = at + step.length;
    }
    at += step.length;
  }
  out.append(text.substr(run));
}

}  // namespace qlm
