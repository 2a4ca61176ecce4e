// The name rules every FileSystem shares: which names a search matches, the order it yields
// them in, the folded key under which a name counts as taken, and the names the layer refuses
// to create.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_words.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace qlm {
namespace {

constexpr std::size_t kMaxNameBytes = 255;

constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Names are folded and compared eight bytes at a time: AsciiLower on each byte of a word at once.
using words::kEachByte;
using words::kHighBits;
constexpr bool kWordAtATime = std::endian::native == std::endian::little;

constexpr std::uint64_t AsciiLowerWord(std::uint64_t word) {
  const std::uint64_t seven_bits = word & ~kHighBits;  // no sum below carries into the next byte
  const std::uint64_t from_a = seven_bits + (0x80 - 'A') * kEachByte;  // high bit: >= 'A'
  const std::uint64_t past_z = seven_bits + (0x7F - 'Z') * kEachByte;  // high bit: > 'Z'
  const std::uint64_t upper = from_a & ~past_z & ~word & kHighBits;    // bytes 'A' .. 'Z'
  return word | (upper >> 2);                                          // + 0x20 each
}
static_assert(AsciiLowerWord(0x5B5A41403F7A61C1) == 0x5B7A61403F7A61C1);

// True when `name` ends in `suffix`, ASCII letters compared without regard to case.
bool EndsWithFolded(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  std::string_view tail = name.substr(name.size() - suffix.size());
  return std::equal(tail.begin(), tail.end(), suffix.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

// The simple lower-case partner of a code point in the ranges case-insensitive file systems
// commonly fold (Latin-1, Latin Extended-A, Greek, Cyrillic); the code point itself otherwise.
char32_t SimpleFold(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: upper case at even code points, except the odd-based 0139..0148 and
  // 0179..017E runs; 0130, 0131, 0138, 0149 and 017F have no simple partner.
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return (c % 2 == 0) ? c + 1 : c;
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
  // Greek.
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c == 0x3C2) return 0x3C3;  // final sigma upper-cases to the same letter as sigma
  // Cyrillic.
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c == 0x4C0) return 0x4CF;
  if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 1) ? c + 1 : c;
  return c;
}

// Decodes one well-formed two-byte UTF-8 sequence at `text[i]`. Every code point that folds
// lies in U+0080..U+07FF and folds into that range, so longer sequences can be copied byte by
// byte (none of their bytes is a two-byte lead). Returns 2, or 0 when there is no such sequence.
std::size_t DecodeTwoByte(std::string_view text, std::size_t i, char32_t& code_point) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  if (i + 1 >= text.size()) return 0;
  unsigned char lead = byte(i);
  unsigned char next = byte(i + 1);
  if (lead < 0xC2 || lead > 0xDF || (next & 0xC0) != 0x80) return 0;
  code_point = (static_cast<char32_t>(lead & 0x1F) << 6) | (next & 0x3F);
  return 2;
}

// Writes a code point of U+0080..U+07FF as the two bytes at `out`.
void PutTwoByte(char* out, char32_t c) {
  out[0] = static_cast<char>(0xC0 | (c >> 6));
  out[1] = static_cast<char>(0x80 | (c & 0x3F));
}

// True when `name` holds a control byte (below 32) or a separator; eight bytes at a time.
bool HoldsControlOrSeparator(std::string_view name) {
  return words::AnyByte(
      name,
      [](std::uint64_t word) {
        return words::HasByteBelow(word, 32) || words::HasByte(word, '/') ||
               (path::IsSeparator('\\') && words::HasByte(word, '\\'));
      },
      [](char c) { return static_cast<unsigned char>(c) < 32 || path::IsSeparator(c); });
}

// True when `stem` (the part of a name before its first '.', trailing blanks removed) is
// one of the reserved device names.
bool IsDeviceName(std::string_view stem) {
  static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
  if (stem.size() > 4) return false;  // no device name is longer
  std::string lower;
  for (char c : stem)
    lower.push_back(AsciiLower(c));
  if (std::find(kPlain.begin(), kPlain.end(), lower) != kPlain.end()) return true;
  return lower.size() == 4 && (lower.starts_with("com") || lower.starts_with("lpt")) &&
         lower[3] >= '1' && lower[3] <= '9';
}

}  // namespace

bool IsReservedDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '\t'))
    stem.remove_suffix(1);
  return IsDeviceName(stem);
}

bool IsHtmlName(std::string_view name) {
  return EndsWithFolded(name, ".htm") || EndsWithFolded(name, ".html");
}

bool IsScratchName(std::string_view name) {
  return EndsWithFolded(name, ".qlm");
}

bool CompareFoldedNames(std::string_view a, std::string_view b) {
  std::size_t common = std::min(a.size(), b.size());
  std::size_t i = 0;
  if constexpr (kWordAtATime) {
    for (; i + 8 <= common; i += 8) {
      const std::uint64_t fa = AsciiLowerWord(words::Load(a.data() + i));
      const std::uint64_t fb = AsciiLowerWord(words::Load(b.data() + i));
      if (fa == fb) continue;
      const int shift = std::countr_zero(fa ^ fb) & ~7;  // the first byte that differs
      return ((fa >> shift) & 0xFF) < ((fb >> shift) & 0xFF);
    }
  }
  for (; i < common; ++i) {
    auto fa = static_cast<unsigned char>(AsciiLower(a[i]));
    auto fb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (fa != fb) return fa < fb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // byte-wise (unsigned) through char_traits<char>::compare
}

void SortFoldedNames(std::vector<std::string>& names) {
  // Each name is keyed by its first eight bytes, folded and read as one number, so that most
  // comparisons are one of numbers; names alike in those bytes are compared whole. Padding
  // with NUL, which no name holds, puts a shorter name first, as CompareFoldedNames does.
  struct Keyed {
    std::uint64_t head;
    std::uint32_t index;
  };
  std::vector<Keyed> keyed(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    char head[8] = {};
    std::memcpy(head, names[i].data(), std::min<std::size_t>(8, names[i].size()));
    std::uint64_t word = 0;
    for (const char c : head)  // most significant first: numbers order as the bytes do
      word = (word << 8) | static_cast<unsigned char>(AsciiLower(c));
    keyed[i] = {word, static_cast<std::uint32_t>(i)};
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.head != b.head) return a.head < b.head;
    return CompareFoldedNames(names[a.index], names[b.index]);
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (const Keyed& entry : keyed)
    sorted.push_back(std::move(names[entry.index]));
  names.swap(sorted);
}

namespace {

// Eight bytes at a time: the word mixed into the state, which is multiplied and folded over.
std::uint64_t MixWord(std::uint64_t state, std::uint64_t word) {
  state = (state ^ word) * 0x9E3779B97F4A7C15;
  return state ^ (state >> 32);
}

std::size_t FinishHash(std::uint64_t state) {
  state ^= state >> 29;
  state *= 0xBF58476D1CE4E5B9;
  return static_cast<std::size_t>(state ^ (state >> 32));
}

// The last 1 to 7 bytes of `text` from `at`, as a word (the rest of it zero).
std::uint64_t TailWord(std::string_view text, std::size_t at) {
  std::uint64_t word = 0;
  std::memcpy(&word, text.data() + at, text.size() - at);
  return word;
}

}  // namespace

std::size_t HashFolded(std::string_view folded) {
  std::uint64_t state = folded.size();
  std::size_t i = 0;
  for (; i + 8 <= folded.size(); i += 8)
    state = MixWord(state, words::Load(folded.data() + i));
  if (i < folded.size()) state = MixWord(state, TailWord(folded, i));
  return FinishHash(state);
}

std::size_t HashFoldedName(std::string_view name) {
  // An ASCII name (nearly every one) is folded word by word as it is hashed.
  std::uint64_t state = name.size();
  std::size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    const std::uint64_t word = words::Load(name.data() + i);
    if ((word & kHighBits) != 0) break;
    state = MixWord(state, AsciiLowerWord(word));
  }
  if (i + 8 > name.size()) {
    const std::uint64_t tail = i < name.size() ? TailWord(name, i) : 0;
    if ((tail & kHighBits) == 0) {
      if (i < name.size()) state = MixWord(state, AsciiLowerWord(tail));
      return FinishHash(state);
    }
  }
  char folded[256];
  if (name.size() > sizeof folded) return HashFolded(FoldName(name));
  FoldNameInto(name, folded);
  return HashFolded(std::string_view(folded, name.size()));
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  FoldNameInto(folded, folded.data());
  return folded;
}

void FoldNameInto(std::string_view name, char* out) {
  // Folding keeps every character's length, so each one is read before its place in `out`
  // (possibly the same bytes) is written.
  for (std::size_t i = 0; i < name.size();) {
    if constexpr (kWordAtATime) {
      // The last few bytes as the last eight, folding some twice: folding is idempotent, and
      // `out` holds either the same bytes (in place) or their folds.
      const std::size_t at = i + 8 <= name.size() ? i : name.size() >= 8 ? name.size() - 8 : i;
      if (at + 8 <= name.size()) {
        const std::uint64_t word = words::Load(name.data() + at);
        if ((word & kHighBits) == 0) {  // eight ASCII bytes
          const std::uint64_t lower = AsciiLowerWord(word);
          std::memcpy(out + at, &lower, sizeof lower);
          i = at + 8;
          continue;
        }
      }
    }
    if (static_cast<unsigned char>(name[i]) < 0x80) {  // most names are ASCII throughout
      out[i] = AsciiLower(name[i]);
      ++i;
      continue;
    }
    char32_t c = 0;
    std::size_t length = DecodeTwoByte(name, i, c);
    if (length == 0) {  // ASCII, a longer sequence's byte, or invalid UTF-8: byte by byte
      out[i] = AsciiLower(name[i]);
      ++i;
      continue;
    }
    PutTwoByte(out + i, SimpleFold(c));
    i += length;
  }
}

FsError FileSystem::CheckRestoredName(const std::string& path) {
  const std::string name = path::Split(path).name;
  if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos) {
    return FsError::InvalidName;
  }
  return name.size() > kMaxNameBytes ? FsError::FilenameTooLong : FsError::Ok;
}

FsError CheckNewName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return FsError::InvalidName;
  // A separator cannot be part of a name: it would place the entry in another directory.
  if (HoldsControlOrSeparator(name)) return FsError::InvalidName;
  if (name.size() > kMaxNameBytes) return FsError::FilenameTooLong;
  if (path::IsForeignName(name)) return FsError::InvalidName;
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '\t'))
    stem.remove_suffix(1);
  if (IsDeviceName(stem)) return FsError::InvalidName;
  return FsError::Ok;
}

}  // namespace qlm
