// The run view of the desktop programs (RunViewRelay) with its wake-ups delivered by Qt's
// event loop, as the main window delivers them: coalesced updates from a worker, questions
// answered on the window's thread after the updates made before them, and a detached view
// that lets a waiting worker go.
#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "common/ui.h"
#include "shell/run_view_relay.h"

namespace ctl = qlm::ctl;
namespace mb = qlm::mb;

namespace {

constexpr int kWakeEvent = QEvent::User + 1;

// Records what reaches the window; answers every question with Yes. Wake-ups come as posted
// events and a timer, as in the main window.
class FakeWindow final : public QObject, public qlm::RelayWindow {
 public:
  qlm::RunViewRelay* relay = nullptr;
  std::map<int, QString> texts;
  std::map<int, bool> enabled;
  int text_calls = 0;
  int questions = 0;
  bool asked_on_window_thread = false;
  QString status_when_asked;
  bool finished = false;
  QString status_when_finished;

  void ApplyControlText(int id, std::string_view text) override {
    texts[id] = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    ++text_calls;
  }
  void ApplyControlEnabled(int id, bool state) override { enabled[id] = state; }
  int AskMessageBox(std::string_view, std::string_view, unsigned) override {
    ++questions;
    asked_on_window_thread = QThread::currentThread() == qApp->thread();
    status_when_asked = texts[ctl::kStatusLine];
    return mb::kIdYes;
  }
  int AskManualRename(qlm::ManualRename&) override { return 0; }
  void RunFinished() override {
    finished = true;
    status_when_finished = texts[ctl::kStatusLine];
  }
  void Wake() override {
    QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(kWakeEvent)));
  }
  void WakeAfter(std::chrono::milliseconds delay) override {
    QTimer::singleShot(delay, this, [this] { relay->OnWake(); });
  }
  bool event(QEvent* event) override {
    if (event->type() != static_cast<QEvent::Type>(kWakeEvent)) return QObject::event(event);
    relay->OnWake();
    return true;
  }
};

}  // namespace

class RunViewTest : public QObject {
  Q_OBJECT

 private slots:
  void workerUpdatesAreCoalescedIntoOneEvent() {
    FakeWindow window;
    qlm::RunViewRelay view(window);
    window.relay = &view;
    std::thread worker([&view] {
      for (int i = 0; i < 10000; ++i)
        view.SetControlText(ctl::kStatusLine, std::to_string(i));
      view.EnableControl(ctl::kProcessDir, false);
    });
    worker.join();  // the window's thread has handled no event meanwhile
    QCOMPARE(window.text_calls, 0);
    QCoreApplication::processEvents();
    QCOMPARE(window.text_calls, 1);
    QCOMPARE(window.texts[ctl::kStatusLine], QStringLiteral("9999"));
    QCOMPARE(window.enabled[ctl::kProcessDir], false);
  }

  void questionsAreAnsweredOnTheWindowsThreadAfterEarlierUpdates() {
    FakeWindow window;
    qlm::RunViewRelay view(window);
    window.relay = &view;
    std::atomic<int> answer{0};
    std::thread worker([&] {
      view.SetControlText(ctl::kStatusLine, "Searching");
      answer = view.ShowMessageBox("Continue?", "Caption", mb::kYesNo);
      view.SetControlText(ctl::kStatusLine, "IDLE");
      view.PostRunFinished();
    });
    QTRY_VERIFY(window.finished);
    worker.join();
    QCOMPARE(answer.load(), mb::kIdYes);
    QVERIFY(window.asked_on_window_thread);
    QCOMPARE(window.status_when_asked, QStringLiteral("Searching"));
    QCOMPARE(window.status_when_finished, QStringLiteral("IDLE"));
  }

  void callsOnTheWindowsThreadAreCarriedOutAtOnce() {
    FakeWindow window;
    qlm::RunViewRelay view(window);
    window.relay = &view;
    view.SetControlText(ctl::kStatusLine, "Parsing");
    QCOMPARE(window.texts[ctl::kStatusLine], QStringLiteral("Parsing"));
    QCOMPARE(view.ShowMessageBox("t", "c", mb::kOkCancel), mb::kIdYes);
    QCOMPARE(window.questions, 1);
  }

  void detachingLetsAWaitingWorkerGoWithTheSafeAnswer_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("expected");
    QTest::newRow("Yes/No") << mb::kYesNo << mb::kIdNo;
    QTest::newRow("OK/Cancel") << mb::kOkCancel << mb::kIdCancel;
    QTest::newRow("OK") << mb::kOk << mb::kIdOk;
  }
  void detachingLetsAWaitingWorkerGoWithTheSafeAnswer() {
    QFETCH(unsigned, flags);
    QFETCH(int, expected);
    FakeWindow window;
    qlm::RunViewRelay view(window);
    window.relay = &view;
    std::atomic<int> answer{0};
    std::thread worker([&] {
      answer = view.ShowMessageBox("t", "c", flags);
      view.SetControlText(ctl::kStatusLine, "after");
    });
    QThread::msleep(20);  // most likely waiting by now; detaching works either way
    view.Detach();
    worker.join();  // would hang if the worker still waited for the window
    QCOMPARE(answer.load(), expected);
    QCoreApplication::processEvents();
    QCOMPARE(window.questions, 0);
    QCOMPARE(window.text_calls, 0);
  }
};

QTEST_MAIN(RunViewTest)
#include "run_view_test.moc"
