// UTF-8 inside, UTF-16 at the Windows boundary. Names Windows holds may carry a lone half of a
// surrogate pair, which UTF-8 cannot spell: they travel as WTF-8 (the surrogate's own three
// bytes), so that every name Windows gives can be given back unchanged.
#pragma once

#include <string>
#include <string_view>

namespace qlm::win32 {

// UTF-8 (or WTF-8) to UTF-16; a byte that begins no character becomes U+FFFD.
std::wstring Widen(std::string_view text);
// UTF-16 to UTF-8, a lone surrogate as WTF-8.
std::string Narrow(std::wstring_view text);
// Appends one code point as UTF-8 (a lone surrogate as its own three bytes, WTF-8).
void AppendUtf8(std::string& out, char32_t code);

}  // namespace qlm::win32
