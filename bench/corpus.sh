# Sourced by the benchmark scripts: $files pages (first argument, default 10,000) made by the
# shared corpus generator in $work/corpus, an empty $work/config, and $work removed on exit.
files="${1:-10000}"
shared="${QUILLOMAT_SHARED:-../shared}"
work=$(mktemp -d /tmp/qlm-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 "$shared/bench/mkcorpus.py" "$files" "$work/corpus" 1 mixed >/dev/null
mkdir "$work/config"
