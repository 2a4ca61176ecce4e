// A small in-memory FileSystem for the shell's tests: files and directories by path, looked up
// without regard to ASCII case, and a switch to fail the next atomic replace. Everything the
// shell does not use fails with GeneralFailure.
#pragma once

#include <algorithm>
#include <map>
#include <string>

#include "platform/file_system.h"
#include "support/unavailable_file_system.h"

namespace qlm::testing {

class FakeFileSystem : public UnavailableFileSystem {
 public:
  struct Entry {
    FileInfo info;
    std::string contents;
  };

  void AddFile(const std::string& path, std::string contents = {}, bool regular = true) {
    Entry& e = entries_[Fold(path)];
    e.info = FileInfo{};
    e.info.is_regular = regular;
    e.info.stored_name = std::string(FileNamePartOf(path));
    e.contents = std::move(contents);
  }
  void AddDirectory(const std::string& path) {
    Entry& e = entries_[Fold(path)];
    e.info = FileInfo{};
    e.info.is_directory = true;
    e.info.stored_name = std::string(FileNamePartOf(path));
  }
  // The contents of a file, or nullptr when there is none.
  const std::string* Contents(const std::string& path) const {
    const auto it = entries_.find(Fold(path));
    return it == entries_.end() ? nullptr : &it->second.contents;
  }

  FsError fail_replace = FsError::Ok;  // the next ReplaceFileAtomically's failure, if any
  int replace_calls = 0;

  FsError GetInfo(const std::string& path, FileInfo& info) override {
    std::string key = Fold(path);
    while (key.size() > 1 && key.back() == '/')  // "dir/" names the directory, as stat does
      key.pop_back();
    const auto it = entries_.find(key);
    if (it == entries_.end()) return FsError::FileNotFound;
    if (key.size() != Fold(path).size() && !it->second.info.is_directory)
      return FsError::PathNotFound;  // "file/" is no directory
    info = it->second.info;
    return FsError::Ok;
  }
  FsError ReadWholeFile(const std::string& path, std::size_t limit,
                        std::string& contents) override {
    const auto it = entries_.find(Fold(path));
    if (it == entries_.end()) return FsError::FileNotFound;
    if (!it->second.info.is_regular) return FsError::AccessDenied;
    contents = it->second.contents.substr(0, limit);
    return FsError::Ok;
  }
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override {
    ++replace_calls;
    if (fail_replace != FsError::Ok) return fail_replace;
    AddFile(path, std::string(contents));
    return FsError::Ok;
  }

  bool NameTaken(const std::string& path) override { return entries_.count(Fold(path)) != 0; }

 private:
  static std::string Fold(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return text;
  }
  static std::string_view FileNamePartOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
  }
  std::map<std::string, Entry> entries_;
};

}  // namespace qlm::testing
