#include "gui_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QTest>
#include <algorithm>

#include "common/text.h"
#include "support/engine_harness.h"

namespace qlm::gui::testing {

void GateFileSystem::HoldAt(const std::string& name) {
  std::lock_guard lock(mutex_);
  hold_name_ = name;
}

bool GateFileSystem::Waiting() {
  std::lock_guard lock(mutex_);
  return waiting_;
}

void GateFileSystem::Release() {
  {
    std::lock_guard lock(mutex_);
    hold_name_.clear();
  }
  changed_.notify_all();
}

FsError GateFileSystem::OpenForReading(const std::string& path,
                                       std::unique_ptr<ReadableFile>& file) {
  if (on_read) on_read(path);
  {
    std::unique_lock lock(mutex_);
    if (!hold_name_.empty() && FileNamePart(path) == hold_name_) {
      waiting_ = true;
      changed_.wait(lock, [this] { return hold_name_.empty(); });
      waiting_ = false;
    }
  }
  return inner().OpenForReading(path, file);
}

WindowFixture::WindowFixture() {
  state.settings = LoadSettings(disk, program.path());
  state.ProgramDirectory = program.path() + "/";
  prompter.scripted = true;
}

WindowFixture::~WindowFixture() {
  fs.Release();
  window.reset();
}

MainWindow& WindowFixture::Make() {
  window = std::make_unique<MainWindow>(state, fs, clock, prompter);
  window->choose_directory = [this](QWidget&, const std::string& start) {
    chooser_calls.push_back("dir " + start);
    if (directory_answers.empty()) return std::optional<std::string>();
    auto answer = directory_answers.front();
    directory_answers.pop_front();
    return answer;
  };
  window->choose_file = [this](QWidget&, const std::string& start) {
    chooser_calls.push_back("file " + start);
    if (file_answers.empty()) return std::optional<std::string>();
    auto answer = file_answers.front();
    file_answers.pop_front();
    return answer;
  };
  window->open_logs = [this](const std::vector<std::string>& paths) {
    opened_logs.insert(opened_logs.end(), paths.begin(), paths.end());
  };
  const std::string runtime_path = runtime.path();
  window->environment = [runtime_path](const std::string& name) -> std::optional<std::string> {
    if (name == "XDG_RUNTIME_DIR") return runtime_path;
    return std::nullopt;
  };
  window->show();
  return *window;
}

void WindowFixture::AddPage(const std::string& name, const std::string& title) {
  const std::string contents = qlm::testing::Page(title, name);
  qlm::testing::WriteFile(pages / name, contents);
  originals[name] = contents;
}

std::map<std::string, std::string> WindowFixture::Files() const {
  return qlm::testing::Listing(pages.path());
}

bool WindowFixture::NothingLost() const {
  std::vector<std::string> expected;
  for (const auto& [name, contents] : originals)
    expected.push_back(contents);
  std::vector<std::string> found;
  for (const auto& [name, contents] : Files()) {
    if (IsScratchName(name)) return false;
    if (IsHtmlName(name)) found.push_back(contents);
  }
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  return expected == found;
}

QString WindowFixture::Text(int id) const {
  QWidget* control = window->Control(id);
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  return QString();
}

bool WindowFixture::Enabled(int id) const {
  return window->Control(id)->isEnabled();
}

void WindowFixture::Click(int id) {
  QTest::mouseClick(window->Control(id), Qt::LeftButton);
}

bool WindowFixture::WaitForRunEnd(int timeout_ms) {
  QDeadlineTimer deadline(timeout_ms);
  while (window->RunInProgress()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(5);
  }
  return true;
}

}  // namespace qlm::gui::testing
