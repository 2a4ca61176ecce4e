#include "shell/log_viewer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <utility>

namespace qlm {

namespace {

// Owns a file descriptor; closes it when destroyed.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) close(fd_);
      fd_ = other.Release();
    }
    return *this;
  }
  ~UniqueFd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

// The parent of the copy directory and the copy directory's own name.
std::pair<std::string, std::string> CopyDirectoryPlace(const EnvironmentLookup& environment) {
  const auto absolute = [&](const char* name) -> std::optional<std::string> {
    std::optional<std::string> value = environment(name);
    if (!value || value->empty() || (*value)[0] != '/') return std::nullopt;
    return value;
  };
  if (auto runtime = absolute("XDG_RUNTIME_DIR")) return {*runtime, "quillomat"};
  const std::string name = "quillomat-" + std::to_string(getuid());
  if (auto temporary = absolute("TMPDIR")) return {*temporary, name};
  return {"/tmp", name};
}

// Opens the copy directory without following a link, creating it (0700) when missing, and
// checks that this user owns it. Returns an invalid descriptor when it is not safe to use.
UniqueFd OpenPrivateDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return UniqueFd();
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) return UniqueFd();
  struct stat status {};
  if (fstat(fd.get(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid()) {
    return UniqueFd();
  }
  // Ours already: narrowing the mode shuts out everyone else from now on.
  if ((status.st_mode & 07777) != 0700 && fchmod(fd.get(), 0700) != 0) return UniqueFd();
  return fd;
}

// Writes all of `source` into `target`. Returns false on any failure.
bool CopyContents(int source, int target) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(source, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(target, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

// Copies `source` to `name` inside `directory` through a fresh temporary name and one rename.
// Returns false, with the temporary file removed and `name` untouched, on any failure.
bool CopyInto(int source, int directory, const std::string& name) {
  std::random_device random;
  UniqueFd target;
  std::string temporary;
  for (int attempt = 0; attempt < 100 && !target.valid(); ++attempt) {
    temporary = "." + name + "." + std::to_string(random()) + ".tmp";
    target = UniqueFd(openat(directory, temporary.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!target.valid() && errno != EEXIST) return false;
  }
  if (!target.valid()) return false;
  const bool copied = CopyContents(source, target.get()) && close(target.Release()) == 0;
  // renameat replaces the entry named `name` itself, never what a link there points to.
  if (copied && renameat(directory, temporary.c_str(), directory, name.c_str()) == 0) return true;
  unlinkat(directory, temporary.c_str(), 0);
  return false;
}

// The copy directory's path (see LogCopyDirectory) and, when it is safe to use, its
// descriptor; an invalid descriptor otherwise.
UniqueFd OpenCopyDirectory(const EnvironmentLookup& environment, std::string& path) {
  const auto [parent, name] = CopyDirectoryPlace(environment);
  path = parent;
  while (!path.empty() && path.back() == '/')
    path.pop_back();
  path += "/" + name;
  return OpenPrivateDirectory(path);
}

}  // namespace

std::string LogCopyDirectory(const EnvironmentLookup& environment) {
  std::string path;
  return OpenCopyDirectory(environment, path).valid() ? path : std::string();
}

ViewLogResult ViewLog(std::string_view ProgramDirectory, std::string_view log_name,
                      const EnvironmentLookup& environment, const LogOpener& open) {
  if (ProgramDirectory.empty()) return ViewLogResult::LogMissing;  // no program directory
  const std::string source_path = std::string(ProgramDirectory) + std::string(log_name);
  // Non-blocking, so that a FIFO of that name cannot hang the window.
  // Non-following: a link in the program directory must not show another file as our log.
  UniqueFd source(::open(source_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
  struct stat status {};
  if (!source.valid() || fstat(source.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return ViewLogResult::LogMissing;
  }
  // Every write goes through the descriptor checked here, so the directory cannot be swapped
  // for another between the check and the copy.
  std::string directory;
  const UniqueFd directory_fd = OpenCopyDirectory(environment, directory);
  if (!directory_fd.valid()) return ViewLogResult::NoPrivateDirectory;
  const std::string name(log_name);
  if (!CopyInto(source.get(), directory_fd.get(), name)) return ViewLogResult::CopyFailed;
  open(directory + "/" + name);
  return ViewLogResult::Opened;
}

}  // namespace qlm
