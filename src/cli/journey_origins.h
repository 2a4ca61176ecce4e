// What the terminal front end remembers of each file between a directory run's two stages: the
// scratch name it got, its name before the run and why it kept that name. Kept compact (one
// shared buffer of names, about 12 bytes besides them per file), since a run may handle a
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
  // The origin noted for `scratch`, or nullopt. Valid until the next Add.
  std::optional<Origin> Find(std::string_view scratch);

 private:
  struct Entry {
    std::uint32_t chunk;   // which of chunks_ holds the names
    std::uint32_t offset;  // of the scratch name there, the old name right after it
    std::uint16_t scratch_length;
    std::uint16_t name_length;
    std::uint32_t reason;  // index into reasons_
  };
  std::string_view Scratch(const Entry& entry) const;
  std::string_view Name(const Entry& entry) const;

  // The names in chunks of fixed size and the entries in a deque: growing never copies what is
  // there, so memory rises evenly instead of doubling for a moment.
  static constexpr std::size_t kChunk = 1 << 20;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t used_ = kChunk;  // bytes used in the last chunk (none yet: a new one is needed)
  std::deque<Entry> entries_;
  std::vector<std::string> reasons_;  // the few distinct reasons, "" first
  bool sorted_ = true;                // entries_ is ordered by scratch name
};

}  // namespace qlm::cli
