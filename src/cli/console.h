// What quillomat-cli needs of its console that the platforms do differently: whether standard
// error is a terminal, and Ctrl-C turned into an Abort request.
#pragma once

#include <memory>

namespace qlm {
class Event;
}

namespace qlm::cli {

// True when standard error is a terminal (the progress bar is drawn only there).
bool StandardErrorIsTerminal();

// While it lives, Ctrl-C resets `continue_event`, as the window's Abort button does, and
// says so on standard error; the run notices between files.
class InterruptWatcher {
 public:
  explicit InterruptWatcher(Event& continue_event);
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qlm::cli
