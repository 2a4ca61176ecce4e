#include "platform/thread_priority.h"
#include "platform/win32/windows_api.h"

namespace qlm {

void LowerThisThreadPriority() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);  // failing only costs speed
}

}  // namespace qlm
