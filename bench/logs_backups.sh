#!/usr/bin/env bash
# What logs and backups add to a 10,000-page full-auto run, against what copying the same
# files with `cp -p` costs. Target: run with both on <= run with both off + 1.5 x cp -p.
# Usage: bench/logs_backups.sh [FILES]   (builds the release preset's quillomat-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/corpus.sh

cmake --build --preset release --target quillomat-cli >/dev/null
cli="build/release/src/cli/quillomat-cli --config-dir $work/config -o EnableFullAutoMode=1"

hyperfine --warmup 1 --runs "${RUNS:-5}" --export-json "$work/times.json" \
  --prepare "rm -rf $work/run $work/copy $work/config/*.txt && cp -r $work/corpus $work/run \
             && mkdir $work/copy" \
  -n off "$cli -o BackupRenamedFiles=0 -o WriteErrorLog=0 -o WriteRenameLog=0 $work/run >/dev/null" \
  -n on "$cli -o BackupRenamedFiles=1 -o BackupCreateNewDir=0 -o WriteErrorLog=1 \
         -o WriteRenameLog=1 $work/run >/dev/null" \
  -n cp "cp -p $work/run/* $work/copy/"
python3 - "$work/times.json" <<'PY'
import json, sys
t = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
budget = t["off"] + 1.5 * t["cp"]
print(f"off {t['off']:.3f}s, on {t['on']:.3f}s, cp -p {t['cp']:.3f}s; "
      f"on / (off + 1.5 x cp) = {t['on'] / budget:.2f} (target: at most 1.00)")
PY
