#!/usr/bin/env bash
# The Windows installer under Wine: installs silently for the current user, runs the installed
# quillomat-cli.exe --version, uninstalls silently, and checks that nothing of ours is left:
# the programs, their folder, the Start menu entry, the uninstall entry, and the context-menu
# verbs (put there first as the Options dialog would). Usage: installer_roundtrip.sh SETUP.EXE
# Needs WINEPREFIX set and a running wineserver (scripts/test windows provides both).
set -euo pipefail
setup="$1"
fail() { echo "installer round trip: $*" >&2; exit 1; }
windows_env() { wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
key_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }

install_dir="$(windows_env LOCALAPPDATA)\\Programs\\Quillomat"
unix_install_dir="$(winepath -u "$install_dir" 2>/dev/null)"
start_menu="$(winepath -u "$(windows_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Quillomat.lnk" 2>/dev/null)"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillomat'
verbs=('HKCU\Software\Classes\Directory\shell\Quillomat' 'HKCU\Software\Classes\htmlfile\shell\Quillomat')

wine "$setup" /S </dev/null >/dev/null 2>&1
[ -f "$unix_install_dir/quillomat.exe" ] || fail "quillomat.exe not installed in $unix_install_dir"
[ -f "$unix_install_dir/quillomat-cli.exe" ] || fail "quillomat-cli.exe not installed"
[ -f "$start_menu" ] || fail "no Start menu entry"
key_exists "$uninstall_key" || fail "no uninstall entry"
version=$(wine "$install_dir\\quillomat-cli.exe" --version </dev/null 2>/dev/null | tr -d '\r')
echo "installed: $version"
case "$version" in *1.01*) ;; *) fail "unexpected --version output: $version" ;; esac

# The verbs as the Options dialog writes them, so that the uninstaller has them to remove.
for verb in "${verbs[@]}"; do
  wine reg add "$verb\\Command" /ve /d "\"$install_dir\\quillomat.exe\" %1" /f </dev/null \
    >/dev/null 2>&1
  key_exists "$verb\\Command" || fail "could not put the verb $verb in place"
done

# The uninstaller copies itself away and runs from there: wait until it is done.
wine "$install_dir\\uninstall.exe" /S </dev/null >/dev/null 2>&1
for _ in $(seq 1 300); do
  [ ! -e "$unix_install_dir" ] && ! key_exists "$uninstall_key" && break
  sleep 0.2
done
[ ! -e "$unix_install_dir" ] || fail "$unix_install_dir is left"
[ ! -e "$start_menu" ] || fail "the Start menu entry is left"
! key_exists "$uninstall_key" || fail "the uninstall entry is left"
for verb in "${verbs[@]}"; do
  ! key_exists "$verb" || fail "the verb $verb is left"
done
echo "installer round trip: installed, ran, uninstalled, nothing left"
