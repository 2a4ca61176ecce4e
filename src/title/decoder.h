// The platform's decoders, which turn a title's bytes of a declared encoding into UTF-8: glibc's
// iconv on Linux, the system's code pages on Windows. Both give the same text for the same
// bytes wherever the two can (each byte that cannot be decoded becomes U+FFFD).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "title/encoding_labels.h"

namespace qlm {

// The name this platform's decoder knows `encoding` by, the one nearest to how browsers
// decode it: an iconv name on Linux, a code page number on Windows. "" when there is none
// (the replacement encoding, x-user-defined).
std::string_view DecoderName(Encoding encoding);

// True when this platform can decode `encoding`. Asked once per encoding and remembered.
bool CanDecode(Encoding encoding);

// `text` of the charset `name` (a DecoderName) in UTF-8, each byte that cannot be decoded as
// U+FFFD. With `cut`, an incomplete character at the end (cut off by a length limit) is
// dropped, else it is replaced. nullopt when there is no such decoder here. The result may
// still need repair: the caller checks it.
std::optional<std::string> DecodeToUtf8(std::string_view text, const std::string& name, bool cut);

}  // namespace qlm
