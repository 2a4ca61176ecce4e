// Which character set a page's title is written in, and its conversion to UTF-8.
//
// The page decides: a UTF-8 byte order mark at its start, else the first usable charset
// declaration (<meta charset=...>, or a content type "...; charset=..." in a <meta> tag)
// within the bytes read. With neither, a title that is well-formed UTF-8 is taken as UTF-8
// and any other as Windows-1252. A declaration is usable when iconv knows the charset and the
// charset keeps printable ASCII as it is (the page's tags were found as ASCII, so UTF-16,
// UTF-7 or EBCDIC claims are wrong); an unusable one counts as no declaration.
#pragma once

#include <string>
#include <string_view>

namespace qlm {

// The charset label of the next declaration at or after `pos` in `page`, as written, and
// `pos` moved past its <meta> tag; "" when there is none. A label that runs into the end of
// the page (it may have been cut by the read limit) is skipped.
std::string_view NextCharsetLabel(std::string_view page, std::size_t& pos);

// The iconv name to read a declared `label` with: "UTF-8" for UTF-8's labels, Windows-1252
// for the labels of ISO 8859-1 and US-ASCII, Windows-31J for Shift_JIS and GBK for GB2312
// (as web browsers read them), else the label itself. "" when the label is unusable.
std::string ResolveCharset(std::string_view label);

// The iconv name the title of `page` is read with. `span` is the title's whole text between
// the tags, whose well-formedness decides for a page without a usable declaration.
std::string ChooseCharset(std::string_view page, std::string_view span);

// `title` converted from `charset` (an iconv name) to well-formed UTF-8: a byte that cannot
// be decoded becomes U+FFFD; UTF-8 that is well-formed comes out byte for byte. With `cut`, a
// character split by the end of `title` is dropped whole (the title was cut by length);
// without it, such an incomplete character becomes U+FFFD.
std::string ConvertToUtf8(std::string_view title, const std::string& charset, bool cut);

}  // namespace qlm
