// The WHATWG Encoding Standard's encodings and their labels (its "Names and labels" table),
// as data. Nothing here converts text: the table is shared by every way the program decodes
// a page, whatever library does the decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qlm {

// Every encoding of the standard, in the order of its table.
enum class Encoding : std::uint8_t {
  kUtf8,
  kIbm866,
  kIso8859_2,
  kIso8859_3,
  kIso8859_4,
  kIso8859_5,
  kIso8859_6,
  kIso8859_7,
  kIso8859_8,
  kIso8859_8I,
  kIso8859_10,
  kIso8859_13,
  kIso8859_14,
  kIso8859_15,
  kIso8859_16,
  kKoi8R,
  kKoi8U,
  kMacintosh,
  kWindows874,
  kWindows1250,
  kWindows1251,
  kWindows1252,
  kWindows1253,
  kWindows1254,
  kWindows1255,
  kWindows1256,
  kWindows1257,
  kWindows1258,
  kXMacCyrillic,
  kGbk,
  kGb18030,
  kBig5,
  kEucJp,
  kIso2022Jp,
  kShiftJis,
  kEucKr,
  kReplacement,
  kUtf16Be,
  kUtf16Le,
  kXUserDefined,
};

inline constexpr std::size_t kEncodingCount = static_cast<std::size_t>(Encoding::kXUserDefined) + 1;

struct EncodingLabel {
  std::string_view label;  // lower case, as the standard lists it
  Encoding encoding;
};

// The standard's "get an encoding": `label` without leading and trailing ASCII white space,
// matched ASCII case-insensitively against every label. nullopt (the standard's failure) for
// a label it does not list.
std::optional<Encoding> EncodingForLabel(std::string_view label);

// The encoding's name as the standard spells it: "UTF-8", "windows-1252", "Shift_JIS".
std::string_view EncodingName(Encoding encoding);

// Every label of the table, each once.
std::span<const EncodingLabel> EncodingLabels();

}  // namespace qlm
