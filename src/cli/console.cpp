#include "cli/console.h"

#include "platform/event.h"

namespace qlm::cli {

std::string_view OnInterrupt(Event& continue_event, std::atomic<bool>* finish_then_stop) {
  if (finish_then_stop != nullptr && !finish_then_stop->exchange(true)) {
    return "\nAbort requested: finishing this directory, then stopping (Ctrl-C again stops "
           "after the file in hand)...\n";
  }
  continue_event.Reset();
  return "\nAbort requested: finishing the file in hand...\n";
}

}  // namespace qlm::cli
