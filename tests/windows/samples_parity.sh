#!/usr/bin/env bash
# The Windows quillomat-cli.exe (under Wine) and the Linux quillomat-cli on the same pages: the
# bundled samples plus titles in Japanese (UTF-8, Shift_JIS, EUC-JP) and Cyrillic. Both must
# give every page the same final name with the same contents, and write the same logs apart
# from the lines that hold the time or the directory's path.
# The .exe must import nothing but Windows' own DLLs.
# Usage: samples_parity.sh LINUX_CLI WINDOWS_CLI_EXE
set -euo pipefail
linux_cli=$1
windows_cli=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/quillomat-parity-XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

mkdir "$work/pages"
cp "$root"/samples/* "$work/pages/"
python3 - "$work/pages" <<'PY'
import sys, os
pages = sys.argv[1]
def page(name, title, charset):
    head = f'<html><head><meta charset="{charset}"><title>{title}</title></head>'
    with open(os.path.join(pages, name), 'wb') as f:
        f.write(head.encode(charset) + b'<body>' + name.encode() + b'</body></html>\n')
page('jp-utf8.htm', '日本語のページ', 'utf-8')
page('jp-sjis.htm', '東京の天気：晴れ', 'shift_jis')
page('jp-eucjp.html', 'ひらがなとカタカナ', 'euc-jp')
page('ru-1251.htm', 'Погода в Москве', 'windows-1251')
PY
cp -r "$work/pages" "$work/linux"
cp -r "$work/pages" "$work/windows"
mkdir "$work/linux-config" "$work/windows-config"
options=(-o BackupRenamedFiles=0 -o WriteErrorLog=1 -o WriteRenameLog=1)

"$linux_cli" --config-dir "$work/linux-config" "${options[@]}" "$work/linux" >"$work/linux.out"
WINEDEBUG=-all wine "$windows_cli" --config-dir "$work/windows-config" "${options[@]}" \
  "$work/windows" >"$work/windows.out"

status=0
# Static: nothing to ship beside the .exe, only Windows' own DLLs imported.
for dll in $(x86_64-w64-mingw32-objdump -p "$windows_cli" | awk '/DLL Name:/ {print $3}'); do
  case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | msvcrt.dll) ;;
    *) echo "quillomat-cli.exe imports $dll, which Windows does not bring" >&2; status=1 ;;
  esac
done
# Same names, same contents.
if ! diff -r "$work/linux" "$work/windows"; then
  echo "The two builds named the pages differently." >&2
  status=1
fi
for japanese in 日本語のページ.htm 東京の天気：晴れ.htm ひらがなとカタカナ.htm Погода\ в\ Москве.htm; do
  [ -f "$work/windows/$japanese" ] || { echo "missing under Wine: $japanese" >&2; status=1; }
done
# Same logs, but for the time and the directory's path (Z:\tmp\... under Wine).
for log in QLM-ErrorLog.txt QLM-RenLog.txt; do
  for side in linux windows; do
    grep -v -e "$work" -e 'Z:\\' -e '[0-9][0-9]:[0-9][0-9]:[0-9][0-9]' "$work/$side-config/$log" \
      >"$work/$side-$log" || true
  done
  if ! cmp "$work/linux-$log" "$work/windows-$log"; then
    diff "$work/linux-$log" "$work/windows-$log" | head -20 >&2
    status=1
  fi
  [ -s "$work/linux-$log" ] || { echo "$log is empty" >&2; status=1; }
done
[ $status = 0 ] && echo "Linux and Windows builds agree on $(ls "$work/pages" | wc -l) pages."
exit $status
