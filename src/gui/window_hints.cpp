#include "gui/window_hints.h"

#include <xcb/xcb.h>

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

namespace qlm::gui {

namespace {

// The _MOTIF_WM_HINTS fields and bits that matter here.
constexpr std::uint32_t kHintFunctions = 1u << 0;
constexpr std::uint32_t kHintDecorations = 1u << 1;
constexpr std::uint32_t kFunctionMove = 1u << 2;
constexpr std::uint32_t kDecorBorder = 1u << 1;
constexpr std::uint32_t kDecorTitle = 1u << 3;

// Shows its window again whenever it is minimised: a minimised dialog would hide the main
// window with it while the run waits for an answer.
class Unminimiser final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::WindowStateChange && window->isMinimized()) {
      QTimer::singleShot(0, window, [window] {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
      });
    }
    return false;
  }
};

}  // namespace

void AllowMoveOnly(QWidget& window) {
  window.installEventFilter(new Unminimiser(&window));
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  xcb_connection_t* connection = x11->connection();
  static constexpr char kName[] = "_MOTIF_WM_HINTS";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
  if (atom == nullptr) return;
  // winId() makes the native window now; Qt does not write the hints again before it maps.
  const auto id = static_cast<xcb_window_t>(window.winId());
  const std::uint32_t hints[5] = {kHintFunctions | kHintDecorations, kFunctionMove,
                                  kDecorBorder | kDecorTitle, 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom->atom, atom->atom, 32, 5, hints);
  xcb_flush(connection);
  std::free(atom);
}

}  // namespace qlm::gui
