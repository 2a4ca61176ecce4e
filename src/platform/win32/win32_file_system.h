// The real file layer on Windows, over the W entry points with UTF-8 at the boundary. Windows
// itself compares names without regard to case and MoveFileExW never replaces unless told to,
// so no name index is needed; this layer adds what the engine relies on beyond that (see
// file_system.h): reserved device names refused before any CreateFileW (Windows would open the
// device), case-only renames through a scratch name, copies that never leave a partial file,
// .htm/.html listed by the layer itself in the order the Linux build lists them, and no
// symbolic link or junction ever followed where a run reads or writes.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace qlm {

class Win32FileSystem final : public FileSystem {
 public:
  FsError OpenForReading(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
  bool NameTaken(const std::string& path) override;
  FsError GetInfo(const std::string& path, FileInfo& info) override;
  FsError Move(const std::string& from, const std::string& to) override;
  FsError MoveAndDescribe(const std::string& from, const std::string& to, FileInfo& moved) override;
  FsError CopyFile(const std::string& from, const std::string& to, bool fail_if_exists,
                   const CancelCheck* cancelled) override;
  FsError CreateDirectory(const std::string& path) override;
  FsError Delete(const std::string& path) override;
  FsError OpenSearch(const std::string& directory, SearchKind kind,
                     std::unique_ptr<DirectorySearch>& search) override;
  FsError ListSubdirectories(const std::string& directory, DirectoryListing& listing) override;
  DriveKind GetDriveKind(const std::string& directory) override;
  FsError ProbeWritable(const std::string& directory) override;
  FsError OpenLog(const std::string& path, std::unique_ptr<LogFile>& file) override;
  // Files opened ahead are read at once and closed; at its turn the run opens the file again
  // (the default TakeOverAhead), reading from the cache what was read ahead.
  bool CanOpenAhead() const override { return true; }
  std::unique_ptr<AheadFile> OpenAhead(const std::string& path) override;
  FsError ReadWholeFile(const std::string& path, std::size_t limit, std::string& contents) override;
  FsError ReplaceFileAtomically(const std::string& path, std::string_view contents) override;
  FsError ReplaceWithTail(const std::string& path, std::uint64_t offset) override;
  FsError ResolvePath(const std::string& path, std::string& resolved) override;
  FsError LockDirectory(const std::string& directory,
                        std::unique_ptr<DirectoryLock>& lock) override;
};

namespace win32 {

// The layer's number for a Win32 error code (ERROR_FILE_EXISTS, 80, is taken as 183).
FsError ErrorFromWin32(unsigned long code);
// `path` for the W calls: separators as '\', and long absolute paths in their "\\?\" form so
// that paths beyond MAX_PATH work.
std::wstring Win32Path(const std::string& path);
// A fresh hidden name no search matches, for a temporary file of the layer's.
std::string TemporaryName();

}  // namespace win32

}  // namespace qlm
