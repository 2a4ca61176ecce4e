// Win32FileSystem: the operations that open files: reading, logs, copies, replacements.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/path.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/windows_api.h"

namespace qlm {

namespace {

using win32::ErrorFromWin32;
using win32::Win32Path;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FileRenameInfoEx, which MinGW's headers declare only for a _WIN32_WINNT no system has.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

FsError LastError() {
  return ErrorFromWin32(GetLastError());
}

// Writes all of `bytes` to `handle`.
FsError WriteAllTo(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
    if (!WriteFile(handle, bytes.data(), piece, &written, nullptr)) return LastError();
    if (written == 0) return FsError::DiskFull;
    bytes.remove_prefix(written);
  }
  return FsError::Ok;
}

FsError SizeOf(HANDLE file, std::uint64_t& size) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(file, &value)) return LastError();
  size = static_cast<std::uint64_t>(value.QuadPart);
  return FsError::Ok;
}

// Opens an existing regular file for reading without following a link or junction in its
// place; `handle` is set on success.
FsError OpenRegular(const std::string& path, HANDLE& handle, bool follow_links) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  if (IsReservedDeviceName(path::Split(path).name)) return FsError::AccessDenied;  // a device
  handle = CreateFileW(Win32Path(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS |
                           (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                       nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION facts{};
  FsError error = FsError::Ok;
  if (!GetFileInformationByHandle(handle, &facts) || GetFileType(handle) != FILE_TYPE_DISK) {
    error = FsError::AccessDenied;
  } else if (facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    error = FsError::StoppedOnSymlink;
  } else if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    error = FsError::AccessDenied;
  }
  if (error != FsError::Ok) {
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  return error;
}

// One ReadFile of at most `capacity` bytes: where the handle stands, or from offset 0 with
// `from_start`. The end of the file reads as 0 bytes (a read given an offset reports it as
// ERROR_HANDLE_EOF).
FsError ReadOnce(HANDLE handle, char* buffer, std::size_t capacity, std::size_t& bytes_read,
                 bool from_start = false) {
  OVERLAPPED start{};
  DWORD got = 0;
  bytes_read = 0;
  if (!ReadFile(handle, buffer, static_cast<DWORD>(std::min<std::size_t>(capacity, 1 << 30)), &got,
                from_start ? &start : nullptr)) {
    const DWORD code = GetLastError();
    return code == ERROR_HANDLE_EOF ? FsError::Ok : ErrorFromWin32(code);
  }
  bytes_read = got;
  return FsError::Ok;
}

class Win32ReadableFile final : public ReadableFile {
 public:
  explicit Win32ReadableFile(HANDLE handle) : handle_(handle) {}
  ~Win32ReadableFile() override { CloseHandle(handle_); }
  FsError Read(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    return ReadOnce(handle_, buffer, capacity, bytes_read);
  }
  FsError Size(std::uint64_t& size) override { return SizeOf(handle_, size); }
  FsError Skip(std::uint64_t bytes) override {
    LARGE_INTEGER by;
    by.QuadPart = static_cast<LONGLONG>(bytes);
    return SetFilePointerEx(handle_, by, nullptr, FILE_CURRENT) ? FsError::Ok : LastError();
  }

 private:
  HANDLE handle_;
};

// A file opened ahead is read once and let go at once: at its turn the run opens it again by
// name (the name may hold another file by then), and finds its first bytes in the system's
// cache. Closing here keeps the close off the run's thread, and the files of the window are
// not held open against programs that open them without sharing.
class Win32AheadFile final : public AheadFile {
 public:
  explicit Win32AheadFile(HANDLE handle) : handle_(handle) {}
  ~Win32AheadFile() override { Close(); }
  Win32AheadFile(const Win32AheadFile&) = delete;
  Win32AheadFile& operator=(const Win32AheadFile&) = delete;
  FsError ReadStart(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    bytes_read = 0;
    if (handle_ == INVALID_HANDLE_VALUE) return FsError::InvalidParameter;  // read already
    const FsError error = ReadOnce(handle_, buffer, capacity, bytes_read, /*from_start=*/true);
    Close();
    return error;
  }

 private:
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  HANDLE handle_;
};

// Appends through FILE_APPEND_DATA: the system writes each piece at the end of the file as it
// is then, whoever else appends. Locks are byte ranges far beyond any content.
class Win32LogFile final : public LogFile {
 public:
  Win32LogFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~Win32LogFile() override { CloseHandle(handle_); }
  FsError Append(std::string_view bytes) override { return WriteAllTo(handle_, bytes); }
  FsError Size(std::uint64_t& size) override { return SizeOf(handle_, size); }
  FsError Sync() override { return FlushFileBuffers(handle_) ? FsError::Ok : LastError(); }
  FsError Lock(int slot, bool exclusive, bool wait) override {
    OVERLAPPED at = Range(slot);
    const DWORD flags =
        (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    // Windows does not convert a lock held: a slot taken anew is given up first.
    if (held_[slot]) UnlockFileEx(handle_, 0, 1, 0, &at);
    held_[slot] = false;
    at = Range(slot);
    if (!LockFileEx(handle_, flags, 0, 1, 0, &at)) {
      const DWORD code = GetLastError();
      return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? FsError::SharingViolation
                                                                      : ErrorFromWin32(code);
    }
    held_[slot] = true;
    return FsError::Ok;
  }
  void Unlock(int slot) override {
    if (!held_[slot]) return;
    OVERLAPPED at = Range(slot);
    UnlockFileEx(handle_, 0, 1, 0, &at);
    held_[slot] = false;
  }
  bool StillAtPath() override {
    BY_HANDLE_FILE_INFORMATION mine{}, named{};
    const HANDLE other = CreateFileW(Win32Path(path_).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    const bool same =
        GetFileInformationByHandle(handle_, &mine) && GetFileInformationByHandle(other, &named) &&
        mine.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
        mine.nFileIndexHigh == named.nFileIndexHigh && mine.nFileIndexLow == named.nFileIndexLow;
    CloseHandle(other);
    return same;
  }

 private:
  static OVERLAPPED Range(int slot) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(slot);
    at.OffsetHigh = 0x40000000;  // 2^62: never reached by a log's contents
    return at;
  }
  HANDLE handle_;
  std::string path_;
  bool held_[8] = {};
};

// Removes a temporary file the layer made, if any.
void RemoveTemporary(const std::wstring& temporary) {
  if (!temporary.empty()) DeleteFileW(temporary.c_str());
}

DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                            DWORD, HANDLE, HANDLE, LPVOID data) {
  const auto* cancelled = static_cast<const CancelCheck*>(data);
  return cancelled != nullptr && *cancelled && (*cancelled)() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

}  // namespace

FsError Win32FileSystem::OpenForReading(const std::string& path,
                                        std::unique_ptr<ReadableFile>& file) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (FsError error = OpenRegular(path, handle, /*follow_links=*/false); error != FsError::Ok) {
    return error;
  }
  file = std::make_unique<Win32ReadableFile>(handle);
  return FsError::Ok;
}

std::unique_ptr<AheadFile> Win32FileSystem::OpenAhead(const std::string& path) {
  // Opened as the run opens it: never a device, a link or junction, or a directory.
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (OpenRegular(path, handle, /*follow_links=*/false) != FsError::Ok) return nullptr;
  return std::make_unique<Win32AheadFile>(handle);
}

FsError Win32FileSystem::ReadWholeFile(const std::string& path, std::size_t limit,
                                       std::string& contents) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (FsError error = OpenRegular(path, handle, /*follow_links=*/true); error != FsError::Ok) {
    return error;
  }
  Win32ReadableFile file(handle);
  std::string text;
  std::size_t filled = 0;
  while (filled < limit) {
    if (text.size() == filled) text.resize(std::min(limit, filled + 65536));
    std::size_t got = 0;
    if (FsError error = file.Read(text.data() + filled, text.size() - filled, got);
        error != FsError::Ok) {
      return error;
    }
    if (got == 0) break;
    filled += got;
  }
  text.resize(filled);
  contents.swap(text);
  return FsError::Ok;
}

FsError Win32FileSystem::OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  const path::Parts parts = path::Split(path);
  if (FsError error = CheckNewName(parts.name); error != FsError::Ok) return error;
  const std::wstring wide = Win32Path(path);
  // A link or junction of that name is refused: a log line must not go into another file.
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FsError::StoppedOnSymlink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FsError::AccessDenied;
  }
  const HANDLE handle =
      CreateFileW(wide.c_str(), GENERIC_READ | FILE_APPEND_DATA | SYNCHRONIZE, kShareAll, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return FsError::AccessDenied;
  }
  file = std::make_unique<Win32LogFile>(handle, path);
  return FsError::Ok;
}

FsError Win32FileSystem::CopyFile(const std::string& from, const std::string& to,
                                  bool fail_if_exists, const CancelCheck* cancelled) {
  if (FsError error = path::Check(from); error != FsError::Ok) return error;
  if (FsError error = path::Check(to); error != FsError::Ok) return error;
  const path::Parts target = path::Split(to);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  HANDLE source = INVALID_HANDLE_VALUE;
  if (FsError error = OpenRegular(from, source, /*follow_links=*/false); error != FsError::Ok) {
    return error;
  }
  CloseHandle(source);
  // Not into a link or junction in the place of the target's directory.
  const DWORD folder = GetFileAttributesW(Win32Path(target.directory).c_str());
  if (folder == INVALID_FILE_ATTRIBUTES) return FsError::PathNotFound;
  if (folder & FILE_ATTRIBUTE_REPARSE_POINT) return FsError::StoppedOnSymlink;
  if (fail_if_exists && NameTaken(to)) return FsError::AlreadyExists;
  // Copied under a name of the layer's own, then given its name: no partial file is ever
  // seen under the target's name, and an old file is replaced only by a whole copy.
  // Asked once before the copy starts as well: the progress routine may come only after the
  // first piece (and under Wine never), and an Abort already given starts nothing.
  if (cancelled != nullptr && *cancelled && (*cancelled)()) return FsError::Cancelled;
  const std::wstring temporary = Win32Path(path::Join(target.directory, win32::TemporaryName()));
  BOOL cancel = FALSE;
  if (!CopyFileExW(Win32Path(from).c_str(), temporary.c_str(), CopyProgress,
                   const_cast<CancelCheck*>(cancelled), &cancel, COPY_FILE_FAIL_IF_EXISTS)) {
    const FsError error = LastError();
    RemoveTemporary(temporary);
    return error;
  }
  SetFileAttributesW(temporary.c_str(), GetFileAttributesW(temporary.c_str()) &
                                            ~static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  if (!MoveFileExW(temporary.c_str(), Win32Path(to).c_str(),
                   fail_if_exists ? 0 : MOVEFILE_REPLACE_EXISTING)) {
    const FsError error = LastError();
    RemoveTemporary(temporary);
    return error;
  }
  return FsError::Ok;
}

namespace {

// Replaces the file at `path` (checked, its parts `target`) atomically with what `fill` writes
// to a temporary file beside it, which is flushed and then renamed over it.
FsError ReplaceWith(const std::string& path, const path::Parts& target,
                    const std::function<FsError(HANDLE)>& fill) {
  const DWORD old = GetFileAttributesW(Win32Path(path).c_str());
  if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY)) {
    return FsError::AccessDenied;
  }
  const std::wstring temporary = Win32Path(path::Join(target.directory, win32::TemporaryName()));
  const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  FsError error = fill(handle);
  if (error == FsError::Ok && !FlushFileBuffers(handle)) error = LastError();
  // The file may be open elsewhere (the journal is, by every run waiting for it): the rename
  // with POSIX semantics replaces it all the same, and those handles keep the old file. A
  // system without it (before Windows 10 1709, FAT) falls back to a plain replace.
  bool replaced = false;
  if (error == FsError::Ok) {
    const std::wstring destination = Win32Path(path);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) +
                                      destination.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(destination.size() * sizeof(wchar_t));
    std::copy(destination.begin(), destination.end(), rename->FileName);
    replaced = SetFileInformationByHandle(handle, kFileRenameInfoEx, rename,
                                          static_cast<DWORD>(buffer.size())) != 0;
  }
  CloseHandle(handle);
  if (error == FsError::Ok && !replaced &&
      !MoveFileExW(temporary.c_str(), Win32Path(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    // Refused because the file is open: the caller may close its own handle and try again.
    error = (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) &&
                    old != INVALID_FILE_ATTRIBUTES
                ? FsError::SharingViolation
                : ErrorFromWin32(code);
  }
  if (error != FsError::Ok) RemoveTemporary(temporary);
  return error;
}

}  // namespace

FsError Win32FileSystem::ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  const path::Parts target = path::Split(path);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  return ReplaceWith(path, target, [&](HANDLE handle) { return WriteAllTo(handle, contents); });
}

FsError Win32FileSystem::ReplaceWithTail(const std::string& path, std::uint64_t offset) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  const path::Parts target = path::Split(path);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  return ReplaceWith(path, target, [&](HANDLE handle) {
    HANDLE source = INVALID_HANDLE_VALUE;
    if (FsError error = OpenRegular(path, source, /*follow_links=*/false); error != FsError::Ok) {
      return error;
    }
    Win32ReadableFile file(source);
    if (FsError error = file.Skip(offset); error != FsError::Ok) return error;
    std::string buffer(1 << 16, '\0');
    for (;;) {
      std::size_t got = 0;
      if (FsError error = file.Read(buffer.data(), buffer.size(), got); error != FsError::Ok) {
        return error;
      }
      if (got == 0) return FsError::Ok;
      if (FsError error = WriteAllTo(handle, std::string_view(buffer.data(), got));
          error != FsError::Ok) {
        return error;
      }
    }
  });
}

}  // namespace qlm
