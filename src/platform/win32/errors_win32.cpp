// Windows has no errno values of its own beyond the common ones.
#include "platform/errors.h"

namespace qlm {

FsError ErrorFromOtherErrno(int /*errno_value*/) {
  return FsError::GeneralFailure;
}

}  // namespace qlm
