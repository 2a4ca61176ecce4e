// The scheduling priority of helper threads.
#pragma once

namespace qlm {

// Lowers the calling thread's priority to the lowest the process may give itself without
// privileges: it then runs in the time the process's other threads leave. For helpers working
// ahead of a run, which must not take the processor from the run they serve.
void LowerThisThreadPriority();

}  // namespace qlm
