#include <sys/resource.h>
#include <unistd.h>

#include "platform/thread_priority.h"

namespace qlm {

void LowerThisThreadPriority() {
  // On Linux the nice value belongs to each thread, and a thread id names just that thread.
  // Failing leaves the thread as it was, which is only slower.
  constexpr int kLowest = 19;
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowest);
}

}  // namespace qlm
