#include "platform/errors.h"

#include <cerrno>

namespace qlm {

FsError ErrorFromErrno(int errno_value) {
  switch (errno_value) {
    case 0:
      return FsError::Ok;
    case ENOENT:
      return FsError::FileNotFound;
    case ENOTDIR:
      return FsError::PathNotFound;
    case EMFILE:
    case ENFILE:
      return FsError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
      return FsError::AccessDenied;
    case EXDEV:
      return FsError::NotSameDevice;
    case EROFS:
      return FsError::WriteProtect;
    case EBUSY:
    case ETXTBSY:
      return FsError::SharingViolation;
    case EINVAL:
      return FsError::InvalidParameter;
    case ENOSPC:
      return FsError::DiskFull;
    case EEXIST:
    case ENOTEMPTY:
      return FsError::AlreadyExists;
    case ENAMETOOLONG:
      return FsError::FilenameTooLong;
    case EIO:
      return FsError::IoDevice;
    case ELOOP:
      return FsError::StoppedOnSymlink;
    case ECANCELED:
      return FsError::Cancelled;
    default:
      return ErrorFromOtherErrno(errno_value);
  }
}

std::string_view ErrorText(FsError error) {
  switch (error) {
    case FsError::Ok:
      return "success";
    case FsError::FileNotFound:
      return "file not found";
    case FsError::PathNotFound:
      return "path not found";
    case FsError::TooManyOpenFiles:
      return "too many open files";
    case FsError::AccessDenied:
      return "access denied";
    case FsError::NotSameDevice:
      return "not the same device";
    case FsError::WriteProtect:
      return "read-only file system";
    case FsError::GeneralFailure:
      return "general failure";
    case FsError::SharingViolation:
      return "file in use";
    case FsError::InvalidParameter:
      return "invalid parameter";
    case FsError::DiskFull:
      return "disk full";
    case FsError::InvalidName:
      return "invalid file name";
    case FsError::AlreadyExists:
      return "name already taken";
    case FsError::FilenameTooLong:
      return "name too long";
    case FsError::IoDevice:
      return "input/output error";
    case FsError::StoppedOnSymlink:
      return "a symbolic link";
    case FsError::Cancelled:
      return "cancelled";
  }
  return "unknown error";
}

}  // namespace qlm
