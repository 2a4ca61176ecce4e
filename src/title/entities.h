// Named HTML character references in a title: the 100 names of EntityTable, decoded to UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qlm {

struct EntityRow {
  std::string_view name;  // 2 to 6 ASCII letters or digits, matched case-sensitively
  std::uint8_t code;      // the character's code point (ISO 8859-1 = U+0000..U+00FF)
};

// The four markup characters, then the HTML 4.01 Latin-1 set in code order 160..255.
extern const std::array<EntityRow, 100> EntityTable;

// The code of the EntityTable row named exactly `name`, or -1 when no row has that name.
int FindEntity(std::string_view name);

// Replaces, in one left-to-right pass, every reference "&name;" whose name is a row of
// EntityTable by that character in UTF-8 (one byte below 128, two above). Everything else
// (numeric references, unknown names, a missing ';') stays as it is, and a character that
// decoding produced is never looked at again. The text never gets longer. Cannot fail.
void DecodeEntities(std::string& text);

}  // namespace qlm
