// View Log(s) with a real opener program: the error log's viewer comes up first even when its
// opener is the slower one, and a missing opener leaves nothing hanging.
#include "gui/log_opener.h"

#include <sys/stat.h>

#include <QTest>

#include "support/temp_dir.h"

using qlm::testing::ReadFile;
using qlm::testing::TempDir;
using qlm::testing::WriteFile;

class LogOpenerTest : public QObject {
  Q_OBJECT

 private slots:
  // The opener of the first copy takes its time, as a viewer that starts slowly does; one
  // started beside it would finish first.
  void opensTheCopiesInTheirOrder() {
    TempDir dir;
    const std::string record = dir / "opened";
    const std::string opener = dir / "fake opener";
    WriteFile(opener,
              "#!/bin/sh\ncase $1 in *ErrorLog*) sleep 1 ;; esac\n"
              "printf '%s\\n' \"$1\" >> '" +
                  record + "'\n");
    chmod(opener.c_str(), 0755);
    const std::vector<std::string> copies{dir / "QLM-ErrorLog.txt", dir / "QLM-RenLog.txt"};
    QVERIFY(qlm::gui::OpenInOrder(copies, QString::fromStdString(opener)));
    const std::string expected = copies[0] + "\n" + copies[1] + "\n";
    QTRY_COMPARE_WITH_TIMEOUT(ReadFile(record).size(), expected.size(), 30000);
    QCOMPARE(ReadFile(record), expected);
  }

  // An opener that never returns (one that waits for its viewer) holds the next copy back
  // only for its allotted time.
  void aHangingOpenerHoldsTheNextBackForABoundedTime() {
    TempDir dir;
    const std::string record = dir / "opened";
    const std::string opener = dir / "opener";
    WriteFile(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record +
                          "'\ncase $1 in *ErrorLog*) exec sleep 600 ;; esac\n");
    chmod(opener.c_str(), 0755);
    const std::vector<std::string> copies{dir / "QLM-ErrorLog.txt", dir / "QLM-RenLog.txt"};
    QVERIFY(qlm::gui::OpenInOrder(copies, QString::fromStdString(opener)));
    const std::string expected = copies[0] + "\n" + copies[1] + "\n";
    QTRY_COMPARE_WITH_TIMEOUT(ReadFile(record), expected,
                              (qlm::gui::kOpenerWaitSeconds + 25) * 1000);
  }
};

QTEST_MAIN(LogOpenerTest)
#include "log_opener_test.moc"
