#!/usr/bin/env bash
# The desktop program against quillomat-cli: one full-auto directory run over fresh copies of
# the same 10,000-page corpus (logs and backups off), the desktop program offscreen through
# quillomat-gui-harness, which starts the run as a command-line directory does and ends when
# the window reads "IDLE" again. Prints hyperfine's table, the ratio of the medians (target:
# at most 1.25x) and the longest gap between two ticks of a 5 ms timer on the window's event
# loop over all runs (target: under 100 ms).
# Usage: bench/gui_vs_cli.sh [FILES]   (builds the release preset with the desktop program)
set -euo pipefail
cd "$(dirname "$0")/.."
files="${1:-10000}"
shared="${QUILLOMAT_SHARED:-../shared}"
work=$(mktemp -d /tmp/qlm-gui-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake --preset release -DQUILLOMAT_BUILD_GUI=ON >/dev/null
cmake --build --preset release --target quillomat-cli quillomat-gui-harness >/dev/null
python3 "$shared/bench/mkcorpus.py" "$files" "$work/corpus" 1 mixed >/dev/null
mkdir "$work/config"
# One settings file for both programs.
printf 'Quillomat benchmark settings\r\n\r\n[Options]\r\nBackupRenamedFiles=0\r\nWriteErrorLog=0\r\nWriteRenameLog=0\r\nEnableFullAutoMode=1\r\n' \
  >"$work/config/Quillomat.ini"
cli="build/release/src/cli/quillomat-cli --config-dir $work/config"
gui="build/release/tests/gui/quillomat-gui-harness bench"

export QT_QPA_PLATFORM=offscreen
hyperfine --warmup 1 --runs "${RUNS:-7}" --export-json "$work/times.json" \
  --prepare "rm -rf $work/run && cp -r $work/corpus $work/run" \
  -n quillomat-cli "$cli $work/run >/dev/null" \
  -n quillomat "$gui $work/run $work/config 2>>$work/ticks.txt"
python3 - "$work/times.json" "$work/ticks.txt" <<'PY'
import json, re, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ratio = results["quillomat"]["median"] / results["quillomat-cli"]["median"]
print(f"quillomat / quillomat-cli (medians): {ratio:.2f}x (target: at most 1.25x)")
lines = [l for l in open(sys.argv[2]) if l.startswith("run_ms=")]
gaps = [int(re.search(r"longest_tick_gap_ms=(\d+)", l).group(1)) for l in lines]
idle = all("status=IDLE" in l for l in lines)
print(f"longest event-loop tick gap over {len(gaps)} runs: {max(gaps)} ms (target: under 100 ms)"
      f"{'' if idle else '; a run did not end IDLE'}")
PY
