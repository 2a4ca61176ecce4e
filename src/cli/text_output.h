// quillomat-cli's output for people: "OLD -> NEW" or "OLD: kept its name (WHY)" per file and
// the six counters; in a tree run each directory's lines under its path, its counters on one
// line, and the whole tree's counters at the end.
#pragma once

#include <cstdio>
#include <string>

#include "cli/run_output.h"

namespace qlm::cli {

class TextOutput final : public RunOutput {
 public:
  // `out` takes the lines; a tree's directories left out on purpose (links, backups) are
  // among them.
  TextOutput(std::FILE* out, bool tree) : out_(out), tree_(tree) {}

  void BeginDirectory(const std::string& directory) override;
  void File(const FileEvent& event) override;
  void EndDirectory(const DirectoryReport& report) override;
  void EndTree(const TreeReport& report) override;

 private:
  void Separate();  // a blank line between a tree's blocks

  std::FILE* out_;
  bool tree_;
  bool printed_ = false;
  std::string line_;  // one buffer for every file's line
};

// The line of `event` ("old.htm -> New.htm", ...), names shown as Printable shows them.
std::string DescribeFileEvent(const FileEvent& event);
// Appends DescribeFileEvent(event) to `out`.
void AppendFileEvent(std::string& out, const FileEvent& event);

}  // namespace qlm::cli
