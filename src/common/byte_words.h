// Text examined eight bytes at a time: the names a run handles are checked, folded and compared
// a 64-bit word at a time rather than a byte at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qlm::words {

inline constexpr std::uint64_t kEachByte = 0x0101010101010101;
inline constexpr std::uint64_t kHighBits = 0x80 * kEachByte;

// The eight bytes at `at`, in the machine's order.
inline std::uint64_t Load(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// True when one of the eight bytes of `word` is below `limit` (at most 0x80).
constexpr bool HasByteBelow(std::uint64_t word, unsigned limit) {
  return ((word - limit * kEachByte) & ~word & kHighBits) != 0;
}

// True when one of the eight bytes of `word` is `byte`.
constexpr bool HasByte(std::uint64_t word, unsigned byte) {
  return HasByteBelow(word ^ (byte * kEachByte), 1);
}

// True when some byte of `text` is one `byte_is` accepts: whole words are tested with
// `word_has`, which must tell exactly whether one of a word's bytes would be accepted, and the
// bytes after the last whole word with `byte_is`.
template <typename WordTest, typename ByteTest>
bool AnyByte(std::string_view text, WordTest word_has, ByteTest byte_is) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    if (word_has(Load(text.data() + i))) return true;
  }
  for (; i < text.size(); ++i) {
    if (byte_is(text[i])) return true;
  }
  return false;
}

}  // namespace qlm::words
