// A FileSystem for the crash harness only: it passes every call to the real layer, numbers
// the mutating ones (move, copy, create directory, delete, log write, settings replace) and
// kills its own process with SIGKILL right before or right after the chosen one, so that a
// test can stop a run at an exact point. It can also trace every mutating call to a file,
// which tells the harness how many there are and which stage each belongs to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/forwarding_file_system.h"

namespace qlm::crash {

struct KillPlan {
  std::int64_t kill_at = 0;  // 1-based number of the mutating call; 0: never
  bool after = false;        // kill once that call has returned, not before it starts
  int trace_fd = -1;         // one line per mutating call is appended here when >= 0
};

// The plan the environment asks for: QLM_KILL_AT=N, QLM_KILL_WHEN=before|after and
// QLM_KILL_TRACE=FILE. Unset or unreadable values mean no kill and no trace.
KillPlan KillPlanFromEnvironment();

class KillPointFileSystem final : public ForwardingFileSystem {
 public:
  // `inner` must outlive this object and every file it hands out.
  KillPointFileSystem(FileSystem& inner, KillPlan plan);

  FsError Move(const std::string& from, const std::string& to) override;
  FsError MoveBackAndDescribe(const std::string& from, const std::string& to,
                              FileInfo& moved) override;
  FsError CopyFile(const std::string& from, const std::string& to, bool fail_if_exists,
                   const CancelCheck* cancelled) override;
  FsError CreateDirectory(const std::string& path) override;
  FsError Delete(const std::string& path) override;
  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override;
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override;
  FsError ReplaceWithTail(const std::string& path, std::uint64_t offset) override;

  // Numbers one mutating call (traced as `kind`, `a`, `b`), kills before it when planned,
  // runs it and kills after it when planned. Returns what `call` returned.
  template <typename Call>
  FsError Mutate(std::string_view kind, std::string_view a, std::string_view b, Call call) {
    const std::int64_t number = Begin(kind, a, b);
    const FsError error = call();
    End(number);
    return error;
  }

 private:
  std::int64_t Begin(std::string_view kind, std::string_view a, std::string_view b);
  void End(std::int64_t number);

  KillPlan plan_;
  std::int64_t count_ = 0;
};

}  // namespace qlm::crash
