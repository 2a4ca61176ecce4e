// Error numbers of the file layer. The engine tells failures apart by these numbers, which
// keep the values its design was written against (183, 112, 19, 123, ...).
#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

enum class FsError : std::int32_t {
  Ok = 0,
  FileNotFound = 2,        // ENOENT
  PathNotFound = 3,        // ENOTDIR, or a missing directory
  TooManyOpenFiles = 4,    // EMFILE, ENFILE
  AccessDenied = 5,        // EACCES, EPERM, EISDIR; not a regular file where one is needed
  NotSameDevice = 17,      // EXDEV
  WriteProtect = 19,       // EROFS
  GeneralFailure = 31,     // anything not listed here
  SharingViolation = 32,   // EBUSY, ETXTBSY
  InvalidParameter = 87,   // EINVAL
  DiskFull = 112,          // ENOSPC, EDQUOT
  InvalidName = 123,       // a name the layer refuses to create (control bytes, device names)
  AlreadyExists = 183,     // EEXIST, or the name is taken regardless of letter case
  FilenameTooLong = 206,   // ENAMETOOLONG, or longer than the platform allows
  StoppedOnSymlink = 681,  // ELOOP: a symbolic link (or reparse point) where a file was wanted
  Cancelled = 1223,        // ECANCELED: stopped on request
  IoDevice = 1117,         // EIO
};

// The layer's number for an errno value.
FsError ErrorFromErrno(int errno_value);
// The same for the errno values only this platform has (EDQUOT on Linux); GeneralFailure for
// the rest.
FsError ErrorFromOtherErrno(int errno_value);

// A short English description, for terminal output and test messages.
std::string_view ErrorText(FsError error);

}  // namespace qlm
