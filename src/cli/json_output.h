// quillomat-cli --json: one JSON object per line on standard output, nothing else there.
//
//   {"type":"file","directory":D,"old":O,"new":N,"outcome":"renamed|kept|failed|recovered",
//    "reason":R}
//   {"type":"directory","directory":D,"status":"completed|aborted|ended-early|skipped",
//    "reason":C,"message":M,"files_processed":n,"unrenamed":n,"user_renamed":n,
//    "read_errors":n,"title_errors":n,"backup_errors":n}
//   {"type":"tree","directory":D,"status":"completed|aborted|incomplete","directories":n,
//    "skipped":n,"files_processed":n,...}                        (tree runs only, last)
//
// Names are bytes and need not be valid UTF-8. Each name field holds the name with every
// malformed sequence replaced by U+FFFD; when it had to be repaired, a second field named with
// "_hex" after it ("old_hex", "new_hex", "directory_hex") holds the name's exact bytes as
// lower-case hexadecimal. Control characters are escaped as JSON requires. "reason" and
// "message" are null when there is nothing to say.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/run_output.h"

namespace qlm::cli {

class JsonOutput final : public RunOutput {
 public:
  explicit JsonOutput(std::FILE* out) : out_(out) {}

  void BeginDirectory(const std::string& directory) override { directory_ = directory; }
  void File(const FileEvent& event) override;
  void EndDirectory(const DirectoryReport& report) override;
  void EndTree(const TreeReport& report) override;

 private:
  void Emit(std::string& line);

  std::FILE* out_;
  std::string directory_;
  std::string line_;  // one buffer for every line: a run may report a million files
};

// Appends `text` to `out` as a JSON string (quotes included): malformed UTF-8 replaced by
// U+FFFD, quotes, backslashes and control characters escaped.
void AppendJsonString(std::string& out, std::string_view text);
// Appends `,"key":"<text>"` and, when `text` is not valid UTF-8, `,"key_hex":"<its bytes>"`.
void AppendJsonName(std::string& out, std::string_view key, std::string_view text);

}  // namespace qlm::cli
