// UTF-8 byte rules for titles and names: well-formedness, repair and cuts on character
// boundaries. Well-formed means RFC 3629: no overlong forms, no surrogates, at most U+10FFFF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qlm {

// What stands at one position of a text.
struct Utf8Step {
  std::size_t length;  // bytes of the character, or of the malformed piece to replace (>= 1)
  bool valid;          // a whole well-formed character
  bool truncated;      // malformed only because the text ends inside a well-formed beginning
};

// Looks at the character starting at `text[at]` (at < text.size()). A malformed piece is its
// longest well-formed beginning, at least one byte, so that each gets one U+FFFD.
Utf8Step NextUtf8(std::string_view text, std::size_t at);

// True when the whole text is well-formed UTF-8 (the empty text is).
bool IsValidUtf8(std::string_view text);

// Appends `text` to `out` with each malformed piece replaced by U+FFFD (EF BF BD). With
// `drop_truncated_tail`, a character cut short by the end of the text is dropped instead:
// that is what a length cut that fell inside it leaves behind. Well-formed text is appended
// byte for byte.
void AppendRepairedUtf8(std::string_view text, bool drop_truncated_tail, std::string& out);

}  // namespace qlm
