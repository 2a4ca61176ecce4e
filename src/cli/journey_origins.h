// What the terminal front end remembers of each file between a directory run's two stages: the
// scratch name it got, its name before the run and why it kept that name. Kept compact (one
// shared buffer of names, about 30 bytes besides them per file), since a run may handle a
// million files.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm::cli {

class JourneyOrigins {
 public:
  struct Origin {
    std::string_view name;         // the name before the run
    std::string_view kept_reason;  // why it kept that name; empty when it moved
  };

  // Notes that the file `name` now bears the scratch name `scratch`.
  void Add(std::string_view scratch, std::string_view name, std::string_view kept_reason);
  // The origin noted for `scratch` (the first one, should it have been noted twice), or
  // nullopt. Valid until the next Add.
  std::optional<Origin> Find(std::string_view scratch) const;

 private:
  struct Entry {
    std::uint32_t chunk;   // which of chunks_ holds the names
    std::uint32_t offset;  // of the scratch name there, the old name right after it
    std::uint16_t scratch_length;
    std::uint16_t name_length;
    std::uint32_t reason;  // index into reasons_
    std::uint32_t hash;    // the low bits of the scratch name's hash
  };
  std::string_view Scratch(const Entry& entry) const;
  std::string_view Name(const Entry& entry) const;
  // Enters entries_[index] in table_, which has a free slot.
  void Place(std::uint32_t index);

  // The names in chunks of fixed size and the entries in a deque: growing never copies what is
  // there, so memory rises evenly instead of doubling for a moment.
  static constexpr std::size_t kChunk = 1 << 20;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t used_ = kChunk;  // bytes used in the last chunk (none yet: a new one is needed)
  std::deque<Entry> entries_;
  std::vector<std::string> reasons_;  // the few distinct reasons, "" first
  // Open addressing over the scratch names' hashes: 1 + an index into entries_, 0 when free.
  // A power of two in size and at most three quarters full.
  std::vector<std::uint32_t> table_;
};

}  // namespace qlm::cli
