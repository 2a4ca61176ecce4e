// What the window manager may do with a window, for window managers that read the Motif
// hints (openbox, xfwm4, KWin and Mutter among them). Qt writes these hints only for the
// buttons it is asked for; a window with no button hint at all gets "every function
// allowed", so a dialog without a system menu could still be minimised (hiding the main
// window and the run waiting for it) or maximised.
#pragma once

class QWidget;

namespace qlm::gui {

// `window` (a top-level dialog) may be moved and nothing else: no minimise, maximise,
// resize or close from the window manager. The hints are written under X11 only; and since
// some window managers (openbox) offer minimise whatever the hints say, a minimised
// `window` is shown again at once on every platform.
void AllowMoveOnly(QWidget& window);

}  // namespace qlm::gui
