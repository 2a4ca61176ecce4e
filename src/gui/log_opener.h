// Opens the log copies of View Log(s) with the desktop's default application, one after
// another: openers such as xdg-open start the viewer and return, and two started at once
// bring their windows up in whatever order they happen to win. A detached shell starts
// each opener only when the one before it has returned, so the error log comes up first,
// and outlives the program if it exits meanwhile.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace qlm::gui {

// The opener is waited for this long at most: one that waits for its viewer to close must
// not hold the next log back beyond it.
inline constexpr int kOpenerWaitSeconds = 5;

// Opens `paths` in their order with `opener` (a program taking one path, "xdg-open" in the
// product). Returns false when nothing could be started; then the paths are handed to
// QDesktopServices at once, in no particular order.
bool OpenInOrder(const std::vector<std::string>& paths, const QString& opener);

}  // namespace qlm::gui
