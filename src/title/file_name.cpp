#include "title/file_name.h"

#include <string_view>

#include "common/text.h"

namespace qlm {

namespace {

struct CharRow {
  char from;
  char to;
};

// Rows 1 to 12 of the map, in their order. No replacement is replaced again by a later row.
constexpr CharRow kCharRows[] = {
    {'\\', ','}, {'/', ','}, {':', '-'}, {'*', '-'},  {'?', ' '},  {'"', '\''},
    {'<', '('},  {'>', ')'}, {'|', '-'}, {'\t', ' '}, {'\n', ' '}, {'\r', ' '},
};

// Row 13: the en dash, which on this platform is a three-byte UTF-8 character.
constexpr std::string_view kEnDash = "\xE2\x80\x93";

// Every kEnDash in the text becomes '-', in place.
void ReplaceEnDash(std::string& text) {
  std::size_t found = text.find(kEnDash);
  if (found == std::string::npos) return;
  std::size_t write = found;
  std::size_t read = found;
  while (read < text.size()) {
    if (text[read] == kEnDash[0] && text.compare(read, kEnDash.size(), kEnDash) == 0) {
      text[write++] = '-';
      read += kEnDash.size();
    } else {
      text[write++] = text[read++];
    }
  }
  text.resize(write);
}

}  // namespace

void TitleToFileName(std::string& title) {
  // One scan for which bytes occur, so that only the rows that change something pay for a
  // pass of their own: a typical title needs one or two of the twelve.
  bool present[256] = {};
  for (const char c : title)
    present[static_cast<unsigned char>(c)] = true;
  for (const CharRow& row : kCharRows) {
    if (present[static_cast<unsigned char>(row.from)]) ReplaceChar(title, row.from, row.to);
  }
  ReplaceEnDash(title);
  CollapseSpaces(title);
}

}  // namespace qlm
