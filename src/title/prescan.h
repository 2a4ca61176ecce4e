// The HTML Living Standard's "prescan a byte stream to determine its encoding" (section
// "Determining the character encoding"), with "get an attribute", "extracting a character
// encoding from a meta element" and "get an XML encoding": what a page's first bytes declare.
#pragma once

#include <optional>
#include <string_view>

#include "title/encoding_labels.h"

namespace qlm {

// The encoding that the prescan finds declared in `bytes`, which are all there is: where they
// end inside a tag, an attribute, a comment or a label, the prescan ends there with no
// declaration, as the standard has it at its end condition, so a label cut by the read limit
// is never obeyed. <meta charset> and <meta http-equiv=content-type content="...;charset=...">
// come first; an XML declaration at the very start counts only when no <meta> decides.
// UTF-16 declared comes back as UTF-8, and x-user-defined in a <meta> as windows-1252, as the
// standard says; anything else comes back as declared, the replacement encoding included.
// nullopt when nothing is declared.
std::optional<Encoding> PrescanEncoding(std::string_view bytes);

}  // namespace qlm
