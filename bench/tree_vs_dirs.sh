#!/usr/bin/env bash
# A tree run against the single-directory runs it stands for: a tree of DIRS directories of
# FILES pages each (the shared corpus generator's pages, a different corpus in each), renamed
# once by one `quillomat-cli --recursive` and once by one `quillomat-cli` per directory, in
# turn, on fresh copies with an empty program directory each time (full auto, logs and backups
# off, the journal on). Prints hyperfine's table and the ratio of the medians.
# Usage: bench/tree_vs_dirs.sh [DIRS] [FILES]   (needs a release build: cmake --preset release)
set -euo pipefail
cd "$(dirname "$0")/.."
dirs="${1:-100}"
files="${2:-1000}"
shared="${QUILLOMAT_SHARED:-../shared}"
work=$(mktemp -d /tmp/qlm-tree-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake --build --preset release --target quillomat-cli >/dev/null
mkdir "$work/tree"
for ((i = 0; i < dirs; i++)); do
  python3 "$shared/bench/mkcorpus.py" "$files" "$work/tree/$(printf 'd%03d' "$i")" "$((i + 1))" \
    mixed >/dev/null
done
cli="$PWD/build/release/src/cli/quillomat-cli --config-dir $work/config -o BackupRenamedFiles=0 \
  -o WriteErrorLog=0 -o WriteRenameLog=0 -o EnableFullAutoMode=1"
# Every run starts from the same state: the untouched tree and no journal.
prepare="rm -rf $work/run $work/config && cp -r $work/tree $work/run && mkdir $work/config"

hyperfine --warmup 1 --runs "${RUNS:-5}" --export-json "$work/times.json" --prepare "$prepare" \
  -n "one run per directory" "for d in $work/run/*/; do $cli \"\$d\" >/dev/null; done" \
  -n "tree run" "$cli --recursive $work/run >/dev/null"
python3 - "$work/times.json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ratio = results["tree run"]["median"] / results["one run per directory"]["median"]
print(f"tree run / sum of the directory runs (medians): {ratio:.3f}x (target: at most 1.1x)")
PY
