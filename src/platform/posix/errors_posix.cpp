// Errno values of Linux that other platforms lack.
#include <cerrno>

#include "platform/errors.h"

namespace qlm {

FsError ErrorFromOtherErrno(int errno_value) {
  return errno_value == EDQUOT ? FsError::DiskFull : FsError::GeneralFailure;
}

}  // namespace qlm
