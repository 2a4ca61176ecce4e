#include "cli/journey_origins.h"

#include <algorithm>

namespace qlm::cli {

void JourneyOrigins::Add(std::string_view scratch, std::string_view name,
                         std::string_view kept_reason) {
  if (reasons_.empty()) reasons_.emplace_back();
  const auto reason_index = static_cast<std::uint32_t>(
      std::find(reasons_.begin(), reasons_.end(), kept_reason) - reasons_.begin());
  if (reason_index == reasons_.size()) reasons_.emplace_back(kept_reason);
  scratch = scratch.substr(0, std::min<std::size_t>(scratch.size(), UINT16_MAX));
  name = name.substr(0, std::min<std::size_t>(name.size(), UINT16_MAX));
  const std::size_t bytes = scratch.size() + name.size();
  if (used_ + bytes > kChunk || chunks_.empty()) {
    // Not cleared first: only bytes written are read, and clearing touches a whole megabyte.
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(std::max(kChunk, bytes)));
    used_ = 0;
  }
  char* at = chunks_.back().get() + used_;
  std::copy(scratch.begin(), scratch.end(), at);
  std::copy(name.begin(), name.end(), at + scratch.size());
  const Entry entry{static_cast<std::uint32_t>(chunks_.size() - 1),
                    static_cast<std::uint32_t>(used_),
                    static_cast<std::uint16_t>(scratch.size()),
                    static_cast<std::uint16_t>(name.size()),
                    reason_index,
                    static_cast<std::uint32_t>(std::hash<std::string_view>{}(scratch))};
  used_ += bytes;
  entries_.push_back(entry);
  if (4 * entries_.size() > 3 * table_.size()) {
    // Grown by doubling and filled again in the order of noting, so that the first of two
    // equal scratch names is still found first.
    table_.assign(std::max<std::size_t>(64, 2 * table_.size()), 0);
    for (std::size_t i = 0; i < entries_.size(); ++i)
      Place(static_cast<std::uint32_t>(i));
  } else {
    Place(static_cast<std::uint32_t>(entries_.size() - 1));
  }
}

void JourneyOrigins::Place(std::uint32_t index) {
  const std::size_t mask = table_.size() - 1;
  std::size_t slot = entries_[index].hash & mask;
  while (table_[slot] != 0)
    slot = (slot + 1) & mask;
  table_[slot] = index + 1;
}

std::string_view JourneyOrigins::Scratch(const Entry& entry) const {
  return std::string_view(chunks_[entry.chunk].get() + entry.offset, entry.scratch_length);
}

std::string_view JourneyOrigins::Name(const Entry& entry) const {
  return std::string_view(chunks_[entry.chunk].get() + entry.offset + entry.scratch_length,
                          entry.name_length);
}

std::optional<JourneyOrigins::Origin> JourneyOrigins::Find(std::string_view scratch) const {
  if (table_.empty()) return std::nullopt;
  const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(scratch));
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = hash & mask; table_[slot] != 0; slot = (slot + 1) & mask) {
    const Entry& entry = entries_[table_[slot] - 1];
    if (entry.hash == hash && Scratch(entry) == scratch) {
      return Origin{Name(entry), reasons_[entry.reason]};
    }
  }
  return std::nullopt;
}

}  // namespace qlm::cli
