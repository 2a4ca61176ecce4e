#!/usr/bin/env bash
# quillomat-cli against the least work the job needs (the baseline loop limit.c: open, read,
# close and two no-replace renames per file), on fresh copies of the same 10,000-page corpus,
# full auto, logs and backups off. Prints hyperfine's table and the ratio of the means.
# Usage: bench/cli_vs_limit.sh [FILES]   (needs a release build: cmake --preset release)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/corpus.sh

cmake --build --preset release --target quillomat-cli >/dev/null
cc -O2 -o "$work/limit" "$shared/bench/limit.c"
cli="build/release/src/cli/quillomat-cli --config-dir $work/config -o BackupRenamedFiles=0 \
  -o WriteErrorLog=0 -o WriteRenameLog=0 -o EnableFullAutoMode=1"

hyperfine --warmup 1 --runs "${RUNS:-7}" --export-json "$work/times.json" \
  --prepare "rm -rf $work/run && cp -r $work/corpus $work/run" \
  -n limit "$work/limit $work/run" \
  -n quillomat-cli "$cli $work/run >/dev/null"
python3 - "$work/times.json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ratio = results["quillomat-cli"]["median"] / results["limit"]["median"]
print(f"quillomat-cli / limit (medians): {ratio:.2f}x (target: at most 1.5x)")
PY
