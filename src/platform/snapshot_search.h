// A search over names listed once when it opened, handed out in that order: what every file
// layer's OpenSearch gives. `held` keeps whatever the listing needs alive with the search
// (the POSIX layer's open directory).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qlm {

class SnapshotSearch final : public DirectorySearch {
 public:
  explicit SnapshotSearch(std::vector<std::string> names, std::shared_ptr<const void> held = {})
      : names_(std::move(names)), held_(std::move(held)) {}
  bool Next(std::string& name) override {
    if (next_ >= names_.size()) return false;
    name = std::move(names_[next_++]);  // each name is handed out once
    return true;
  }
  bool Peek(std::size_t ahead, std::string& name) const override {
    if (ahead >= names_.size() - next_) return false;
    name = names_[next_ + ahead];
    return true;
  }

 private:
  std::vector<std::string> names_;
  std::size_t next_ = 0;
  std::shared_ptr<const void> held_;
};

}  // namespace qlm
