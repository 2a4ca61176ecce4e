#!/usr/bin/env bash
# Soak run (not part of CI): 100,000 pages in one directory, one full-auto run of the release
# quillomat-cli with both logs and backups on. Passes when the run completes, every document
# is in the directory exactly once under an HTML name (and once in the backup directory),
# the error log says FilesProcessed 100000, and peak memory stays under 64 MB.
# Usage: bench/soak.sh [PAGES] [WORKDIR]   (defaults: 100000, a new directory under /tmp)
# Set QLM_CLI to use a binary already built; otherwise build/soak is configured as Release.
set -euo pipefail
cd "$(dirname "$0")/.."
pages="${1:-100000}"
base="${2:-$(mktemp -d /tmp/qlm-soak-XXXXXX)}"
limit_kb=$((64 * 1024))

cli="${QLM_CLI:-}"
if [ -z "$cli" ]; then
  cmake -S . -B build/soak -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLOMAT_BUILD_TESTS=OFF \
    >/dev/null
  cmake --build build/soak --target quillomat-cli >/dev/null
  cli=build/soak/src/cli/quillomat-cli
fi

work="$base/pages"
config="$base/config"
rm -rf "$work" "$config"
mkdir -p "$config"
echo "soak: writing $pages pages to $work"
python3 tests/crash/make_pages.py "$pages" "$work" 100
rm -f "$work"/*.qlm  # this run counts fresh pages only
python3 - "$work" >"$base/before.txt" <<'PY'
import hashlib, os, sys
for name in os.listdir(sys.argv[1]):
    with open(os.path.join(sys.argv[1], name), "rb") as f:
        print(hashlib.sha1(f.read()).hexdigest())
PY

echo "soak: running $cli"
set +e
/usr/bin/time -v -o "$base/time.txt" "$cli" --config-dir "$config" \
  --option EnableFullAutoMode=1 --option BackupRenamedFiles=1 --option BackupCreateNewDir=1 \
  --option BackupUnrenamedFiles=1 --option WriteErrorLog=1 --option WriteRenameLog=1 \
  "$work" </dev/null >"$base/stdout.txt" 2>"$base/stderr.txt"
status=$?
set -e

peak_kb="$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$base/time.txt")"
elapsed="$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$base/time.txt")"
processed="$(grep -a 'Number of files processed' "$config/QLM-ErrorLog.txt" | tail -1 |
  sed 's/.*: //' | tr -d '\r')"
python3 - "$work" "$base/before.txt" >"$base/accounting.txt" <<'PY'
import hashlib, os, sys
work, before = sys.argv[1], sorted(open(sys.argv[2]).read().split())
top, backups, scratch = [], [], 0
for name in os.listdir(work):
    path = os.path.join(work, name)
    if os.path.isdir(path):
        for inner in os.listdir(path):
            with open(os.path.join(path, inner), "rb") as f:
                backups.append(hashlib.sha1(f.read()).hexdigest())
        continue
    scratch += name.lower().endswith(".qlm")
    with open(path, "rb") as f:
        top.append(hashlib.sha1(f.read()).hexdigest())
print("documents %d, in the directory %d, exactly the same: %s, scratch files %d, "
      "backup copies %d, all of documents: %s"
      % (len(before), len(top), sorted(top) == before, scratch, len(backups),
         set(backups) <= set(before)))
PY

echo "soak: exit status $status, wall time $elapsed, peak memory ${peak_kb} KB"
echo "soak: FilesProcessed in the error log: $processed"
echo "soak: $(cat "$base/accounting.txt")"
ok=1
[ "$status" = 0 ] || ok=0
[ "$processed" = "$pages" ] || ok=0
[ "${peak_kb:-999999999}" -lt "$limit_kb" ] || ok=0
grep -q "exactly the same: True, scratch files 0, .*all of documents: True" "$base/accounting.txt" ||
  ok=0
if [ "$ok" = 1 ]; then
  echo "soak: PASSED (left in $base; remove it when done)"
else
  echo "soak: FAILED (see $base)"
  exit 1
fi
