#include "crash/kill_point_file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace qlm::crash {
namespace {

// Kills this process at once: no destructor, no flush, no atexit handler runs, exactly as
// when the machine loses power or the user sends SIGKILL.
[[noreturn]] void KillNow() {
  kill(getpid(), SIGKILL);
  std::abort();  // not reached
}

// A log file whose writes are numbered like the file layer's own mutating calls.
class KillPointLogFile final : public LogFile {
 public:
  KillPointLogFile(std::unique_ptr<LogFile> inner, KillPointFileSystem& owner, std::string path)
      : inner_(std::move(inner)), owner_(owner), path_(std::move(path)) {}
  FsError Append(std::string_view bytes) override {
    return owner_.Mutate("logwrite", path_, std::to_string(bytes.size()),
                         [&] { return inner_->Append(bytes); });
  }
  FsError Lock(int slot, bool exclusive, bool wait) override {
    return inner_->Lock(slot, exclusive, wait);
  }
  void Unlock(int slot) override { inner_->Unlock(slot); }
  bool StillAtPath() override { return inner_->StillAtPath(); }
  FsError Size(std::uint64_t& size) override { return inner_->Size(size); }
  FsError Sync() override {
    return owner_.Mutate("logsync", path_, "", [&] { return inner_->Sync(); });
  }

 private:
  std::unique_ptr<LogFile> inner_;
  KillPointFileSystem& owner_;
  std::string path_;
};

// Trace lines hold paths; a control byte in one must not break the line.
std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  }
  return out;
}

}  // namespace

KillPlan KillPlanFromEnvironment() {
  KillPlan plan;
  if (const char* at = std::getenv("QLM_KILL_AT")) {
    char* end = nullptr;
    const long long value = std::strtoll(at, &end, 10);
    if (end != at && *end == '\0' && value > 0) plan.kill_at = value;
  }
  if (const char* when = std::getenv("QLM_KILL_WHEN")) {
    plan.after = std::string_view(when) == "after";
  }
  if (const char* trace = std::getenv("QLM_KILL_TRACE")) {
    plan.trace_fd = open(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }
  return plan;
}

KillPointFileSystem::KillPointFileSystem(FileSystem& inner, KillPlan plan)
    : ForwardingFileSystem(inner, /*forward_ahead=*/true), plan_(plan) {}  // reads change nothing

std::int64_t KillPointFileSystem::Begin(std::string_view kind, std::string_view a,
                                        std::string_view b) {
  const std::int64_t number = ++count_;
  if (plan_.trace_fd >= 0) {
    // One write per line, unbuffered, so the trace is whole up to a kill.
    std::string line = std::to_string(number) + '\t' + std::string(kind) + '\t' + Printable(a) +
                       '\t' + Printable(b) + '\n';
    [[maybe_unused]] const ssize_t written = write(plan_.trace_fd, line.data(), line.size());
  }
  if (number == plan_.kill_at && !plan_.after) KillNow();
  return number;
}

void KillPointFileSystem::End(std::int64_t number) {
  if (number == plan_.kill_at && plan_.after) KillNow();
}

FsError KillPointFileSystem::Move(const std::string& from, const std::string& to) {
  return Mutate("move", from, to, [&] { return inner().Move(from, to); });
}

FsError KillPointFileSystem::MoveBackAndDescribe(const std::string& from, const std::string& to,
                                                 FileInfo& moved) {
  return Mutate("move", from, to, [&] { return inner().MoveBackAndDescribe(from, to, moved); });
}

FsError KillPointFileSystem::CopyFile(const std::string& from, const std::string& to,
                                      bool fail_if_exists, const CancelCheck* cancelled) {
  return Mutate("copy", from, to,
                [&] { return inner().CopyFile(from, to, fail_if_exists, cancelled); });
}

FsError KillPointFileSystem::CreateDirectory(const std::string& path) {
  return Mutate("mkdir", path, "", [&] { return inner().CreateDirectory(path); });
}

FsError KillPointFileSystem::Delete(const std::string& path) {
  return Mutate("delete", path, "", [&] { return inner().Delete(path); });
}

FsError KillPointFileSystem::OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) {
  std::unique_ptr<LogFile> opened;
  const FsError error = inner().OpenLog(path, opened);
  if (error == FsError::Ok && opened) {
    file = std::make_unique<KillPointLogFile>(std::move(opened), *this, path);
  }
  return error;
}

FsError KillPointFileSystem::ReplaceFileAtomically(const std::string& path,
                                                   std::string_view contents) {
  return Mutate("replace", path, "", [&] { return inner().ReplaceFileAtomically(path, contents); });
}

FsError KillPointFileSystem::ReplaceWithTail(const std::string& path, std::uint64_t offset) {
  return Mutate("replace", path, "", [&] { return inner().ReplaceWithTail(path, offset); });
}

}  // namespace qlm::crash
