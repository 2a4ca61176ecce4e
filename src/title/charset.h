// Which character set a page's title is written in, and its conversion to UTF-8.
//
// The page decides as a web browser would: a UTF-8 byte order mark at its start, else the
// encoding that the HTML Living Standard's prescan finds declared in the bytes read (a
// <meta charset>, a <meta http-equiv=content-type content="...; charset=...">, or failing
// those an XML declaration), with the WHATWG Encoding Standard's labels. With neither, a title
// that is well-formed UTF-8 is taken as UTF-8 and any other as Windows-1252.
//
// A declaration of the "replacement" encoding (iso-2022-kr, hz-gb-2312 and the like), where a
// browser would show a single U+FFFD, counts as no declaration, and so does one that this
// platform cannot decode (x-user-defined in an XML declaration, or an encoding this system's iconv
// lacks): a name made of the title's own bytes is more use than one replacement character.
#pragma once

#include <string>
#include <string_view>

#include "title/decoder.h"
#include "title/encoding_labels.h"

namespace qlm {

// The decoder's name (see title/decoder.h) the title of `page` is read with. `span` is the title's
// whole text between the tags, whose well-formedness decides for a page without a usable
// declaration.
std::string ChooseCharset(std::string_view page, std::string_view span);

// `title` converted from `charset` (a decoder's name) to well-formed UTF-8: a byte that cannot
// be decoded becomes U+FFFD; UTF-8 that is well-formed comes out byte for byte. With `cut`, a
// character split by the end of `title` is dropped whole (the title was cut by length);
// without it, such an incomplete character becomes U+FFFD.
std::string ConvertToUtf8(std::string_view title, const std::string& charset, bool cut);

}  // namespace qlm
