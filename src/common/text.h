// The shared text routines. Texts are byte strings (UTF-8 on this platform) worked on byte by
// byte; each routine states what it returns and what it leaves alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qlm {

// Appends one byte to the text.
void AppendChar(std::string& text, char character);

// Signed decimal text of a 32-bit value: "0" for zero, a leading "-" when negative, no leading
// zeros, no grouping. Exact for every value, INT32_MIN included.
std::string IntToText(std::int32_t value);

// Index of the first `character` at or after `start`, or -1 when there is none or when
// `start` is not less than the text's length (a negative start counts from 0).
int FindChar(std::string_view text, char character, int start);

// True for the four blanks: TAB, LF, CR and space. Nothing else (not VT, FF or NBSP).
constexpr bool IsBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// `destination` := `source` without its leading and trailing blanks. A text of blanks only
// gives the empty text. `source` and `destination` may be the same string.
void TrimBlanks(const std::string& source, std::string& destination);

// Every run of two or more spaces (0x20 only) becomes one space, in place.
void CollapseSpaces(std::string& text);

// Offset of the first occurrence of `pattern` in `text`, or -1. The pattern's first byte must
// match exactly; every further byte matches when equal or differing only in ASCII letter case.
// Start positions are tried one by one from 0 (no skipping ahead). An empty pattern gives -1.
int FindText(std::string_view text, std::string_view pattern);

// `dst` := the bytes of `src` from `start` up to, not including, `end`, but at most
// `size` - 1 of them. Offsets are clamped to the text; an empty or reversed span gives "".
void CopySpan(std::string_view src, std::string& dst, int start, int end, int size);

// Every byte equal to `from` becomes `to`.
void ReplaceChar(std::string& text, char from, char to);

// Cuts the text at its last point, wherever it stands (a directory part gets no special
// treatment); a text without a point is left whole.
void StripExtension(std::string& text);

// Gives `text` the numbered suffix of number `n` (n >= 1), in place:
//  1. with an extension (non-empty `extension`), the text is first cut by StripExtension;
//  2. n == 1 appends "-1"; n > 1 replaces the suffix "-<n-1>" that the call for n-1 left with
//     "-<n>" (a text that does not end in that suffix just gets "-<n>" appended);
//  3. the extension, if any, is appended.
// Callers number a fixed base with n = 1, 2, 3 ..., each time from the previous result.
void MakeNumberedName(std::string& text, std::int32_t n, std::string_view extension = {});

// Cuts the text to at most `max_bytes` bytes without splitting a UTF-8 character: a
// character that would be split is dropped whole. Bytes that are not UTF-8 are cut as bytes.
void TruncateOnCharBoundary(std::string& text, std::size_t max_bytes);

// How many UTF-16 code units the text takes in an edit field (the unit a dialog's length
// limit counts): one per character, two for a character beyond U+FFFF; a byte that is not
// UTF-8 counts as one.
std::size_t CountEditUnits(std::string_view text);

// Cuts the text to at most `max_units` edit units (see CountEditUnits) without splitting a
// character.
void TruncateToEditUnits(std::string& text, std::size_t max_units);

// The text as it may be shown on a terminal or written to a log: every character that could
// take control of the display or disguise a name becomes '?': the C0 controls and DEL, the C1
// controls (U+0080 .. U+009F, and lone bytes 0x80 .. 0x9F that an 8-bit terminal would take as
// such), and the bidirectional formatting characters (U+061C, U+200E, U+200F, U+202A ..
// U+202E, U+2066 .. U+2069). Everything else is kept byte for byte.
std::string SafeForDisplay(std::string_view text);
// Appends SafeForDisplay(text) to `out`.
void AppendSafeForDisplay(std::string& out, std::string_view text);

// The part of a path after its last separator ('/' on Linux; '\' or '/' on Windows), or the
// whole text when it has none.
std::string_view FileNamePart(std::string_view path);

// The part of a path up to and including its last separator, or "" when it has none.
std::string_view DirectoryPart(std::string_view path);

}  // namespace qlm
