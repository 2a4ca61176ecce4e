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
    chunks_.push_back(std::make_unique<char[]>(std::max(kChunk, bytes)));
    used_ = 0;
  }
  char* at = chunks_.back().get() + used_;
  std::copy(scratch.begin(), scratch.end(), at);
  std::copy(name.begin(), name.end(), at + scratch.size());
  const Entry entry{static_cast<std::uint32_t>(chunks_.size() - 1),
                    static_cast<std::uint32_t>(used_), static_cast<std::uint16_t>(scratch.size()),
                    static_cast<std::uint16_t>(name.size()), reason_index};
  used_ += bytes;
  if (!entries_.empty() && sorted_ && Scratch(entries_.back()) > Scratch(entry)) sorted_ = false;
  entries_.push_back(entry);
}

std::string_view JourneyOrigins::Scratch(const Entry& entry) const {
  return std::string_view(chunks_[entry.chunk].get() + entry.offset, entry.scratch_length);
}

std::string_view JourneyOrigins::Name(const Entry& entry) const {
  return std::string_view(chunks_[entry.chunk].get() + entry.offset + entry.scratch_length,
                          entry.name_length);
}

std::optional<JourneyOrigins::Origin> JourneyOrigins::Find(std::string_view scratch) {
  if (!sorted_) {
    // The second stage asks only once the first has noted everything: one sort serves all.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [&](const Entry& a, const Entry& b) { return Scratch(a) < Scratch(b); });
    sorted_ = true;
  }
  const auto found = std::lower_bound(
      entries_.begin(), entries_.end(), scratch,
      [&](const Entry& entry, std::string_view key) { return Scratch(entry) < key; });
  if (found == entries_.end() || Scratch(*found) != scratch) return std::nullopt;
  return Origin{Name(*found), reasons_[found->reason]};
}

}  // namespace qlm::cli
