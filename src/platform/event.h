// A manual-reset event: signalled means a run may go on; resetting it asks for an abort.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qlm {

class Event {
 public:
  explicit Event(bool signalled = true) : signalled_(signalled) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when the event is (or becomes) signalled within `timeout`; false on time-out.
  bool Wait(std::chrono::milliseconds timeout);
  bool IsSet() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_;
};

}  // namespace qlm
