// The desktop programs' run view without a toolkit: a worker's updates coalesced into one
// wake-up, questions answered on the window's thread after the updates made before them,
// the run's end reported after its last update, and a detached window answering safely.
#include "shell/run_view_relay.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/ui.h"

namespace {

namespace ctl = qlm::ctl;
namespace mb = qlm::mb;

// A window whose thread is the test's: wake-ups queue up until the test pumps them.
class FakeWindow final : public qlm::RelayWindow {
 public:
  void ApplyControlText(int id, std::string_view text) override {
    events.push_back(std::to_string(id) + "=" + std::string(text));
  }
  void ApplyControlEnabled(int id, bool enabled) override {
    events.push_back(std::to_string(id) + (enabled ? "+" : "-"));
  }
  int AskMessageBox(std::string_view text, std::string_view, unsigned) override {
    events.push_back("box " + std::string(text));
    return mb::kIdYes;
  }
  int AskManualRename(qlm::ManualRename&) override { return 0; }
  void RunFinished() override { events.push_back("finished"); }
  void Wake() override {
    std::lock_guard lock(mutex_);
    ++wakes_;
    ++pending_;
    woken_.notify_all();
  }
  void WakeAfter(std::chrono::milliseconds) override {
    std::lock_guard lock(mutex_);
    ++pending_;  // the timer, delivered with the next pump
    woken_.notify_all();
  }

  // Delivers the wake-ups that have arrived to `relay`; with `wait`, waits for one first.
  void Pump(qlm::RunViewRelay& relay, bool wait) {
    int due = 0;
    {
      std::unique_lock lock(mutex_);
      if (wait) woken_.wait(lock, [this] { return pending_ > 0; });
      due = std::exchange(pending_, 0);
    }
    for (int i = 0; i < due; ++i)
      relay.OnWake();
  }
  // Waits until a wake-up has arrived, without delivering it.
  void WaitForWake() {
    std::unique_lock lock(mutex_);
    woken_.wait(lock, [this] { return pending_ > 0; });
  }
  int wakes() {
    std::lock_guard lock(mutex_);
    return wakes_;
  }

  std::vector<std::string> events;  // window's thread only

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  int wakes_ = 0;
  int pending_ = 0;
};

TEST(RunViewRelay, AWorkersUpdatesAreCoalescedIntoOneWakeUp) {
  FakeWindow window;
  qlm::RunViewRelay relay(window);
  std::thread worker([&relay] {
    for (int i = 1; i <= 10000; ++i) {
      relay.SetControlText(ctl::kFilesProcessed, std::to_string(i));
      relay.EnableControl(ctl::kExit, i % 2 == 0);
    }
  });
  worker.join();
  EXPECT_EQ(window.wakes(), 1);
  while (window.events.empty())
    window.Pump(relay, true);  // a flush held back to the next frame comes by the timer
  EXPECT_EQ(window.events, (std::vector<std::string>{"2007=10000", "2003+"}));
}

TEST(RunViewRelay, QuestionsAreAnsweredAfterTheUpdatesBeforeThem) {
  FakeWindow window;
  qlm::RunViewRelay relay(window);
  int answer = 0;
  std::thread worker([&] {
    relay.SetControlText(ctl::kFileName, "a.htm");
    answer = relay.ShowMessageBox("Continue?", "Caption", mb::kYesNo);
    relay.SetControlText(ctl::kFileName, "b.htm");
    relay.PostRunFinished();
  });
  while (window.events.empty() || window.events.back() != "finished")
    window.Pump(relay, true);
  worker.join();
  EXPECT_EQ(answer, mb::kIdYes);
  EXPECT_EQ(window.events,
            (std::vector<std::string>{"2005=a.htm", "box Continue?", "2005=b.htm", "finished"}));
}

TEST(RunViewRelay, OnTheWindowsThreadEveryCallIsCarriedOutAtOnce) {
  FakeWindow window;
  qlm::RunViewRelay relay(window);
  relay.SetControlText(ctl::kStatusLine, "IDLE");
  relay.EnableControl(ctl::kOptions, false);
  EXPECT_EQ(relay.ShowMessageBox("Sure?", "Caption", mb::kYesNo), mb::kIdYes);
  EXPECT_EQ(window.events, (std::vector<std::string>{"2004=IDLE", "2002-", "box Sure?"}));
  EXPECT_EQ(window.wakes(), 0);
}

// A window that goes away answers a waiting question with its safe button, and nothing more
// reaches it.
TEST(RunViewRelay, ADetachedWindowAnswersSafely) {
  struct Row {
    unsigned flags;
    int answer;
  };
  for (const Row row : {Row{mb::kYesNo, mb::kIdNo}, Row{mb::kOkCancel, mb::kIdCancel},
                        Row{mb::kOk | mb::kIconInformation, mb::kIdOk}}) {
    FakeWindow window;
    qlm::RunViewRelay relay(window);
    int answer = -1;
    std::thread worker([&] {
      answer = relay.ShowMessageBox("Continue?", "Caption", row.flags);
      relay.SetControlText(ctl::kFileName, "after");
    });
    window.WaitForWake();  // the question waits, not yet taken by the window
    relay.Detach();
    worker.join();
    window.Pump(relay, false);
    EXPECT_EQ(answer, row.answer) << row.flags;
    for (const std::string& event : window.events)
      EXPECT_EQ(event.find("after"), std::string::npos);
  }
}

}  // namespace
