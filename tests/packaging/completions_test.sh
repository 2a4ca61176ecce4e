#!/usr/bin/env bash
# The completions of quillomat-cli in bash and fish offer what the program takes (zsh's is
# checked for its syntax only: it runs inside zsh's completion system).
set -euo pipefail
dir=$1
failures=0
check() {  # what, expected, got
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

# bash, with stand-ins for bash-completion's helpers: _filedir reports what it was asked.
bash_complete() {
  bash -c '
    _init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; }
    _filedir() { COMPREPLY=("files:${1:-any}"); }
    source "$0"
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _quillomat_cli
    printf "%s " "${COMPREPLY[@]}"' "$dir/quillomat-cli.bash" quillomat-cli "$@"
}
check "bash --option" "WriteRenameLog=0 WriteRenameLog=1 WriteErrorLog=0 WriteErrorLog=1 " \
  "$(bash_complete --option Write)"
check "bash -o" "EnableShellExts=0 EnableShellExts=1 " "$(bash_complete -o EnableS)"
check "bash options" "--dry-run " "$(bash_complete --dr)"
check "bash tree options" "--recursive " "$(bash_complete --rec)"
check "bash --config-dir" "files:-d " "$(bash_complete --config-dir '')"
check "bash path" "files:@([hH][tT][mM]|[hH][tT][mM][lL]) " "$(bash_complete --dry-run '')"

if command -v fish >/dev/null; then
  got=$(fish --no-config -c "source '$dir/quillomat-cli.fish'; complete -C 'quillomat-cli --option ParseH'" |
    cut -f1 | tr '\n' ' ')
  check "fish --option" "ParseHTMLEntities=0 ParseHTMLEntities=1 " "$got"
  got=$(fish --no-config -c "source '$dir/quillomat-cli.fish'; complete -C 'quillomat-cli --und'" |
    cut -f1 | tr '\n' ' ')
  check "fish options" "--undo " "$got"
else
  echo "fish is not installed: its completion is not checked"
fi
if command -v zsh >/dev/null; then
  zsh -n "$dir/_quillomat-cli" || failures=$((failures + 1))
else
  echo "zsh is not installed: its completion is not checked"
fi

[ "$failures" -eq 0 ] && echo "completions: all checks passed"
exit "$failures"
