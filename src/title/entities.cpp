#include "title/entities.h"

#include <cstring>

#include "common/text.h"

namespace qlm {

const std::array<EntityRow, 100> EntityTable = {{
    {"quot", 34},    {"amp", 38},     {"lt", 60},      {"gt", 62},

    {"nbsp", 160},   {"iexcl", 161},  {"cent", 162},   {"pound", 163},
    {"curren", 164}, {"yen", 165},    {"brvbar", 166}, {"sect", 167},
    {"uml", 168},    {"copy", 169},   {"ordf", 170},   {"laquo", 171},
    {"not", 172},    {"shy", 173},    {"reg", 174},    {"macr", 175},

    {"deg", 176},    {"plusmn", 177}, {"sup2", 178},   {"sup3", 179},
    {"acute", 180},  {"micro", 181},  {"para", 182},   {"middot", 183},
    {"cedil", 184},  {"sup1", 185},   {"ordm", 186},   {"raquo", 187},
    {"frac14", 188}, {"frac12", 189}, {"frac34", 190}, {"iquest", 191},

    {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194},  {"Atilde", 195},
    {"Auml", 196},   {"Aring", 197},  {"AElig", 198},  {"Ccedil", 199},
    {"Egrave", 200}, {"Eacute", 201}, {"Ecirc", 202},  {"Euml", 203},
    {"Igrave", 204}, {"Iacute", 205}, {"Icirc", 206},  {"Iuml", 207},

    {"ETH", 208},    {"Ntilde", 209}, {"Ograve", 210}, {"Oacute", 211},
    {"Ocirc", 212},  {"Otilde", 213}, {"Ouml", 214},   {"times", 215},
    {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219},
    {"Uuml", 220},   {"Yacute", 221}, {"THORN", 222},  {"szlig", 223},

    {"agrave", 224}, {"aacute", 225}, {"acirc", 226},  {"atilde", 227},
    {"auml", 228},   {"aring", 229},  {"aelig", 230},  {"ccedil", 231},
    {"egrave", 232}, {"eacute", 233}, {"ecirc", 234},  {"euml", 235},
    {"igrave", 236}, {"iacute", 237}, {"icirc", 238},  {"iuml", 239},

    {"eth", 240},    {"ntilde", 241}, {"ograve", 242}, {"oacute", 243},
    {"ocirc", 244},  {"otilde", 245}, {"ouml", 246},   {"divide", 247},
    {"oslash", 248}, {"ugrave", 249}, {"uacute", 250}, {"ucirc", 251},
    {"uuml", 252},   {"yacute", 253}, {"thorn", 254},  {"yuml", 255},
}};

int FindEntity(std::string_view name) {
  // A linear scan of 100 short names; length and first letter rule out nearly every row
  // before a full comparison.
  if (name.empty()) return -1;
  for (const EntityRow& row : EntityTable) {
    if (row.name.size() == name.size() && row.name[0] == name[0] && row.name == name)
      return row.code;
  }
  return -1;
}

namespace {

// Writes the character `code` (below 256) in UTF-8 at `text[at]`; gives the bytes written.
std::size_t PutUtf8(std::string& text, std::size_t at, int code) {
  if (code < 0x80) {
    text[at] = static_cast<char>(code);
    return 1;
  }
  text[at] = static_cast<char>(0xC0 | (code >> 6));
  text[at + 1] = static_cast<char>(0x80 | (code & 0x3F));
  return 2;
}

// Moves text[from, to) down to `at` (at <= from); gives the number of bytes moved.
std::size_t MoveDown(std::string& text, std::size_t from, std::size_t to, std::size_t at) {
  if (to > from && at != from) std::memmove(text.data() + at, text.data() + from, to - from);
  return to - from;
}

}  // namespace

void DecodeEntities(std::string& text) {
  // The decoded text is compacted in place behind the scan: `write` never passes the '&' being
  // looked at (a reference of 4 or more bytes becomes at most 2), so the scan only ever reads
  // bytes not yet rewritten. After a replacement the scan goes on behind the ';', which is
  // where "the '&' plus one" lands once the rest of the text has moved up, so this is the
  // same single pass as decoding with the rest moved up at each step, in linear time.
  std::size_t write = 0;   // end of the finished part
  std::size_t copied = 0;  // source bytes before this are in the finished part
  int p = 0;
  int semicolon = -1;  // the first ';' at or after the last '&' looked at
  for (;;) {
    const int amp = FindChar(text, '&', p);
    if (amp < 0) break;
    if (semicolon < amp) semicolon = FindChar(text, ';', amp);
    if (semicolon < 0) break;  // no ';' further on: nothing else can be decoded
    const int d = semicolon - amp;
    const int code =
        (d >= 3 && d <= 7) ? FindEntity(std::string_view(text).substr(amp + 1, d - 1)) : -1;
    if (code < 0) {
      p = amp + 1;
      continue;
    }
    const auto at = static_cast<std::size_t>(amp);
    write += MoveDown(text, copied, at, write);
    write += PutUtf8(text, write, code);
    copied = static_cast<std::size_t>(semicolon) + 1;
    p = semicolon + 1;
  }
  if (copied == 0) return;  // nothing decoded
  text.resize(write + MoveDown(text, copied, text.size(), write));
}

}  // namespace qlm
