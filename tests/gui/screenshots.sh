#!/usr/bin/env bash
# Takes the README's screenshots of the desktop program under Xvfb, with openbox drawing the
# window frames (apt-get install openbox), into docs/.
# Usage: tests/gui/screenshots.sh [BUILD_DIR]   (default build/dev; needs quillomat-gui-harness)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/dev}"
cmake --build "$build" --target quillomat-gui-harness >/dev/null
harness="$(cd "$build" && pwd)/tests/gui/quillomat-gui-harness"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -c "
  openbox >/dev/null 2>&1 &
  sleep 1
  '$harness' shots '$(pwd)/docs'
  status=\$?
  kill %1 2>/dev/null || true
  exit \$status"
ls -l docs/*.png
