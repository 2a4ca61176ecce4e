// Win32FileSystem: names, moves, directories, searches and the drive checks.
#include "platform/win32/win32_file_system.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

#include "platform/path.h"
#include "platform/snapshot_search.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_api.h"

namespace qlm {

namespace win32 {

namespace {
constexpr unsigned long kErrorStoppedOnSymlink = 681;  // ERROR_STOPPED_ON_SYMLINK
}  // namespace

FsError ErrorFromWin32(unsigned long code) {
  switch (code) {
    case ERROR_SUCCESS:
      return FsError::Ok;
    case ERROR_FILE_NOT_FOUND:
      return FsError::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
      return FsError::PathNotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FsError::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
      return FsError::AccessDenied;
    case ERROR_NOT_SAME_DEVICE:
      return FsError::NotSameDevice;
    case ERROR_WRITE_PROTECT:
      return FsError::WriteProtect;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FsError::SharingViolation;
    case ERROR_INVALID_PARAMETER:
      return FsError::InvalidParameter;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FsError::DiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return FsError::InvalidName;
    case ERROR_FILE_EXISTS:  // what CreateFileW says where MoveFileExW says 183
    case ERROR_ALREADY_EXISTS:
      return FsError::AlreadyExists;
    case ERROR_FILENAME_EXCED_RANGE:
      return FsError::FilenameTooLong;
    case ERROR_IO_DEVICE:
      return FsError::IoDevice;
    case kErrorStoppedOnSymlink:
    case ERROR_CANT_ACCESS_FILE:
      return FsError::StoppedOnSymlink;
    case ERROR_CANCELLED:
    case ERROR_REQUEST_ABORTED:
      return FsError::Cancelled;
    default:
      return FsError::GeneralFailure;
  }
}

std::wstring Win32Path(const std::string& path) {
  std::wstring wide = Widen(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\")) return wide;
  // Beyond MAX_PATH only the "\\?\" form works, and it takes the path as it is: make it whole
  // first (".." and "." resolved, a relative path made absolute).
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  full.resize(length);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string TemporaryName() {
  static std::atomic<unsigned long long> counter{0};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, ".quillomat-%08lx-%016llx.tmp", GetCurrentProcessId(),
                (GetTickCount64() << 20) + counter.fetch_add(1));
  return buffer;
}

}  // namespace win32

namespace {

using win32::ErrorFromWin32;
using win32::Narrow;
using win32::Win32Path;

FsError LastError() {
  return ErrorFromWin32(GetLastError());
}

// A handle that is closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The name the directory stores for the entry at `path` (found regardless of case).
std::string StoredName(const std::string& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(Win32Path(path::Key(path)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return path::Split(path).name;
  FindClose(search);
  return Narrow(found.cFileName);
}

// The directory locks this process holds: Windows' mutexes may be taken again by their owner
// thread, which a second run on the same directory must not.
std::mutex held_mutex;
std::set<std::wstring> held;

class MutexLock final : public DirectoryLock {
 public:
  MutexLock(HANDLE mutex, std::wstring name) : mutex_(mutex), name_(std::move(name)) {}
  ~MutexLock() override {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
    std::lock_guard lock(held_mutex);
    held.erase(name_);
  }

 private:
  HANDLE mutex_;
  std::wstring name_;
};

}  // namespace

bool Win32FileSystem::NameTaken(const std::string& path) {
  if (path::Check(path) != FsError::Ok || IsReservedDeviceName(path::Split(path).name)) {
    return false;
  }
  return GetFileAttributesW(Win32Path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

FsError Win32FileSystem::GetInfo(const std::string& path, FileInfo& info) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  const std::string trimmed = path::Key(path);
  if (IsReservedDeviceName(path::Split(trimmed).name)) return FsError::FileNotFound;
  const std::wstring wide = Win32Path(trimmed);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  // The entry itself (a link or junction as the target it names, as on Linux).
  const Handle file(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION facts{};
  if (!file.valid() || !GetFileInformationByHandle(file.get(), &facts)) return LastError();
  info = FileInfo{};
  info.is_link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  info.is_directory = (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.is_regular = !info.is_directory;
  info.stored_name = path::RootLength(trimmed) == trimmed.size() ? trimmed : StoredName(trimmed);
  info.device = facts.dwVolumeSerialNumber;
  info.inode = (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow;
  info.size = (static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow;
  // 100-nanosecond ticks since 1601, as nanoseconds.
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(facts.ftLastWriteTime.dwHighDateTime) << 32) |
      facts.ftLastWriteTime.dwLowDateTime;
  info.mtime_ns = static_cast<std::int64_t>(ticks * 100);
  info.permissions = (facts.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0500 : 0700;
  return FsError::Ok;
}

FsError Win32FileSystem::Move(const std::string& from, const std::string& to) {
  FileInfo ignored;
  return MoveAndDescribe(from, to, ignored);
}

FsError Win32FileSystem::MoveAndDescribe(const std::string& from, const std::string& to,
                                         FileInfo& moved) {
  if (FsError error = path::Check(from); error != FsError::Ok) return error;
  if (FsError error = path::Check(to); error != FsError::Ok) return error;
  const path::Parts source = path::Split(path::Key(from));
  const path::Parts target = path::Split(to);
  if (FsError error = CheckNewName(target.name); error != FsError::Ok) return error;
  if (IsReservedDeviceName(source.name)) return FsError::FileNotFound;
  const std::wstring from_wide = Win32Path(path::Key(from));
  const std::wstring to_wide = Win32Path(to);
  const bool same_place = path::Key(source.directory) == path::Key(target.directory) &&
                          FoldName(source.name) == FoldName(target.name);
  if (same_place && StoredName(from) == target.name) return GetInfo(to, moved);  // already so
  bool done = false;
  if (same_place) {
    // A change of letter case only: Windows (and Wine the more so) may see the new name as
    // taken by the file itself, so through a name of the layer's own.
    const std::wstring scratch = Win32Path(path::Join(source.directory, win32::TemporaryName()));
    if (!MoveFileExW(from_wide.c_str(), scratch.c_str(), 0)) return LastError();
    done = MoveFileExW(scratch.c_str(), to_wide.c_str(), 0) != 0;
    if (!done) {
      const FsError error = LastError();
      MoveFileExW(scratch.c_str(), from_wide.c_str(), 0);  // back to its old name
      return error;
    }
  } else if (!MoveFileExW(from_wide.c_str(), to_wide.c_str(), 0)) {
    return LastError();  // never replaces: a taken name is 183 (or 80), told apart
  }
  if (GetInfo(to, moved) != FsError::Ok) moved = FileInfo{};
  return FsError::Ok;
}

FsError Win32FileSystem::CreateDirectory(const std::string& path) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  const path::Parts parts = path::Split(path::Key(path));
  if (FsError error = CheckNewName(parts.name); error != FsError::Ok) return error;
  return CreateDirectoryW(Win32Path(path::Key(path)).c_str(), nullptr) ? FsError::Ok : LastError();
}

FsError Win32FileSystem::Delete(const std::string& path) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  if (IsReservedDeviceName(path::Split(path).name)) return FsError::FileNotFound;
  const std::wstring wide = Win32Path(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FsError::AccessDenied;  // never a directory
  return DeleteFileW(wide.c_str()) ? FsError::Ok : LastError();
}

FsError Win32FileSystem::OpenSearch(const std::string& directory, SearchKind kind,
                                    std::unique_ptr<DirectorySearch>& search) {
  if (directory.empty()) return FsError::PathNotFound;
  if (FsError error = path::Check(directory); error != FsError::Ok) return error;
  // Every entry, filtered here: "*.htm" finds .html names only through short aliases, which
  // many volumes lack, and Wine's finds .htmx too.
  const std::wstring pattern = Win32Path(path::Join(path::Key(directory), "*"));
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND) {
      // A file where the directory should be: Windows says 267, Wine says 123.
      const DWORD attributes = GetFileAttributesW(Win32Path(directory).c_str());
      const bool file =
          attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
      return file || code == ERROR_DIRECTORY || code == ERROR_PATH_NOT_FOUND ? FsError::PathNotFound
                                                                             : ErrorFromWin32(code);
    }
    search = std::make_unique<SnapshotSearch>(std::vector<std::string>{});
    return FsError::Ok;
  }
  std::vector<std::string> names;
  auto matches = kind == SearchKind::Html ? IsHtmlName : IsScratchName;
  do {
    std::string name = Narrow(found.cFileName);
    if (name == "." || name == ".." || !matches(name)) continue;
    // A link is never one of ours: a scratch search passes over it.
    if (kind == SearchKind::Scratch && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      continue;
    }
    names.push_back(std::move(name));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  SortFoldedNames(names);
  search = std::make_unique<SnapshotSearch>(std::move(names));
  return FsError::Ok;
}

namespace {

// The volume and file index of an open file or directory, as FileInfo has them.
bool Identity(HANDLE handle, std::uint64_t& device, std::uint64_t& inode) {
  BY_HANDLE_FILE_INFORMATION facts{};
  if (!GetFileInformationByHandle(handle, &facts)) return false;
  device = facts.dwVolumeSerialNumber;
  inode = (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow;
  return true;
}

// A directory opened as itself: a link or junction in its place is not followed.
Handle OpenDirectoryItself(const std::string& path) {
  return Handle(CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

}  // namespace

FsError Win32FileSystem::ListSubdirectories(const std::string& directory,
                                            DirectoryListing& listing) {
  if (directory.empty()) return FsError::PathNotFound;
  if (FsError error = path::Check(directory); error != FsError::Ok) return error;
  const std::string key = path::Key(directory);
  const Handle self = OpenDirectoryItself(key);
  if (!self.valid()) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? FsError::PathNotFound
                                                                        : ErrorFromWin32(code);
  }
  BY_HANDLE_FILE_INFORMATION facts{};
  if (!GetFileInformationByHandle(self.get(), &facts)) return LastError();
  if (facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return FsError::StoppedOnSymlink;
  if (!(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return FsError::PathNotFound;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  Identity(self.get(), device, inode);

  const std::wstring pattern = Win32Path(path::Join(key, "*"));
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  std::vector<Subdirectory> subdirectories;
  if (find == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return LastError();
  } else {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      std::string name = Narrow(found.cFileName);
      if (!path::IsPlainName(name)) continue;
      // A link or junction to a directory is listed, never entered; a dangling one is left
      // out.
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        const Handle target(
            CreateFileW(Win32Path(path::Join(key, name)).c_str(), FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION reached{};
        if (target.valid() && GetFileInformationByHandle(target.get(), &reached) &&
            (reached.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          subdirectories.push_back({std::move(name), true, 0, 0});
        }
        continue;
      }
      Subdirectory entry{std::move(name), false, 0, 0};
      const Handle child = OpenDirectoryItself(path::Join(key, entry.name));
      if (!child.valid() || !Identity(child.get(), entry.device, entry.inode)) continue;  // gone
      subdirectories.push_back(std::move(entry));
    } while (FindNextFileW(find, &found));
    const DWORD code = GetLastError();
    FindClose(find);
    // A listing cut short would skip directories.
    if (code != ERROR_NO_MORE_FILES) return ErrorFromWin32(code);
  }
  std::sort(subdirectories.begin(), subdirectories.end(),
            [](const Subdirectory& a, const Subdirectory& b) {
              return CompareFoldedNames(a.name, b.name);
            });
  listing.device = device;
  listing.inode = inode;
  listing.subdirectories = std::move(subdirectories);
  return FsError::Ok;
}

DriveKind Win32FileSystem::GetDriveKind(const std::string& directory) {
  if (directory.empty() || path::Check(directory) != FsError::Ok) return DriveKind::Fixed;
  wchar_t root[MAX_PATH + 1];
  if (!GetVolumePathNameW(Win32Path(directory).c_str(), root, MAX_PATH)) return DriveKind::Fixed;
  return GetDriveTypeW(root) == DRIVE_CDROM ? DriveKind::CdRom : DriveKind::Fixed;
}

FsError Win32FileSystem::ProbeWritable(const std::string& directory) {
  if (directory.empty()) return FsError::PathNotFound;
  if (FsError error = path::Check(directory); error != FsError::Ok) return error;
  // A fresh name, created only if it is free and gone when closed: no file is ever touched.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring probe = Win32Path(path::Join(path::Key(directory), win32::TemporaryName()));
    const Handle file(CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file.valid()) return FsError::Ok;
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      return code == ERROR_PATH_NOT_FOUND ? FsError::PathNotFound : ErrorFromWin32(code);
    }
  }
  return FsError::AlreadyExists;
}

FsError Win32FileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  if (FsError error = path::Check(path); error != FsError::Ok) return error;
  std::wstring wide = win32::Widen(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return LastError();
  std::wstring full(needed, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr));
  // A directory is followed to what it is (a junction or link to its target), as the kernel
  // would take it; any other last name stays as given.
  const Handle directory(CreateFileW(Win32Path(Narrow(full)).c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION facts{};
  if (directory.valid() && GetFileInformationByHandle(directory.get(), &facts) &&
      (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    wchar_t final_path[32768];
    const DWORD length =
        GetFinalPathNameByHandleW(directory.get(), final_path, 32767, FILE_NAME_NORMALIZED);
    if (length > 0 && length < 32767) {
      std::wstring text(final_path, length);
      if (text.starts_with(L"\\\\?\\UNC\\")) {
        text = L"\\\\" + text.substr(8);
      } else if (text.starts_with(L"\\\\?\\")) {
        text = text.substr(4);
      }
      full = text;
    }
  }
  resolved = path::Key(Narrow(full));
  return FsError::Ok;
}

FsError Win32FileSystem::LockDirectory(const std::string& directory,
                                       std::unique_ptr<DirectoryLock>& lock) {
  if (FsError error = path::Check(directory); error != FsError::Ok) return error;
  FileInfo info;
  if (FsError error = GetInfo(directory, info); error != FsError::Ok) return error;
  // A named mutex for the directory itself (its volume and file index, whatever path names
  // it): nothing is created on disk, and a process that dies gives it up.
  wchar_t name[96];
  std::swprintf(name, 96, L"Local\\Quillomat-run-%llx-%llx",
                static_cast<unsigned long long>(info.device),
                static_cast<unsigned long long>(info.inode));
  {
    std::lock_guard guard(held_mutex);
    if (!held.insert(name).second) return FsError::SharingViolation;
  }
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  const DWORD waited = mutex != nullptr ? WaitForSingleObject(mutex, 0) : WAIT_FAILED;
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    if (mutex != nullptr) CloseHandle(mutex);
    std::lock_guard guard(held_mutex);
    held.erase(name);
    return waited == WAIT_TIMEOUT ? FsError::SharingViolation : FsError::GeneralFailure;
  }
  lock = std::make_unique<MutexLock>(mutex, name);
  return FsError::Ok;
}

}  // namespace qlm
