#!/usr/bin/python3
"""Runs the command of one context-menu file for one clicked item the way its file manager
does, with GLib's own parsers: GKeyFile reads the key files, GDesktopAppInfo expands and
starts a desktop entry's Exec, g_shell_quote and g_shell_parse_argv quote and split the
command lines of the others. Exits with the command's status; 90 when GLib refuses the
file or its command.

Usage: glib_verbs.py FORMAT HOME ITEM
FORMAT: ServiceMenu, FileManagerAction, NautilusVariable, NautilusArguments, Nemo, Thunar.
"""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

REFUSED = 90


def key_file(path):
    keys = GLib.KeyFile()
    keys.load_from_file(path, GLib.KeyFileFlags.NONE)
    return keys


def replace_codes(command, codes, stop_at_unknown=False):
    """Replaces %X field codes from `codes` ("%" gives "%"); an unknown code is kept, or,
    with stop_at_unknown, ends the replacing there, as Nemo does."""
    out, i = [], 0
    while i < len(command):
        if command[i] == "%" and i + 1 < len(command):
            code = command[i + 1]
            if code in codes:
                out.append(codes[code])
                i += 2
                continue
            if stop_at_unknown:
                return "".join(out) + command[i:]
        out.append(command[i])
        i += 1
    return "".join(out)


def run(argv, **options):
    return subprocess.run(argv, check=False, **options).returncode


def run_desktop_exec(exec_value, item):
    """An Exec value as a desktop entry's: loaded and started by GDesktopAppInfo."""
    entry = GLib.KeyFile()
    entry.set_string("Desktop Entry", "Type", "Application")
    entry.set_string("Desktop Entry", "Name", "Quillomat")
    entry.set_value("Desktop Entry", "Exec", exec_value)
    try:
        info = Gio.DesktopAppInfo.new_from_keyfile(entry)
    except TypeError:
        return REFUSED
    pids = []
    info.launch_uris_as_manager([Gio.File.new_for_path(item).get_uri()], None,
                                GLib.SpawnFlags.SEARCH_PATH | GLib.SpawnFlags.DO_NOT_REAP_CHILD,
                                None, None, lambda _info, pid, _data: pids.append(pid), None)
    if len(pids) != 1:
        return REFUSED
    _, status = os.waitpid(pids[0], 0)
    return os.waitstatus_to_exitcode(status)


def run_shell_line(line):
    try:
        ok, argv = GLib.shell_parse_argv(line)
    except GLib.Error:
        return REFUSED
    return run(argv) if ok else REFUSED


def main(kind, home, item):
    data = os.path.join(home, ".local/share")
    if kind == "ServiceMenu":
        keys = key_file(os.path.join(data, "kio/servicemenus/quillomat.desktop"))
        return run_desktop_exec(keys.get_value("Desktop Action Quillomat", "Exec"), item)
    if kind == "FileManagerAction":
        keys = key_file(os.path.join(data, "file-manager/actions/quillomat.desktop"))
        profile = keys.get_string_list("Desktop Entry", "Profiles")[0]
        command = keys.get_string("X-Action-Profile " + profile, "Exec")
        return run_shell_line(replace_codes(command, {"f": GLib.shell_quote(item), "%": "%"}))
    if kind == "Nemo":
        keys = key_file(os.path.join(data, "nemo/actions/quillomat.nemo_action"))
        if keys.get_string("Nemo Action", "Quote") != "double":
            return REFUSED
        quoted = '"' + re.sub(r'(["\\$`])', r"\\\1", item) + '"'
        command = keys.get_string("Nemo Action", "Exec")
        return run_shell_line(replace_codes(command, {"F": quoted}, stop_at_unknown=True))
    if kind == "Thunar":
        actions = ElementTree.parse(os.path.join(home, ".config/Thunar/uca.xml")).getroot()
        wanted = "quillomat-shell-verb-" + ("folders" if os.path.isdir(item) else "files")
        for action in actions.iter("action"):
            if action.findtext("unique-id") == wanted:
                command = action.findtext("command")
                return run_shell_line(
                    replace_codes(command, {"f": GLib.shell_quote(item), "%": "%"}))
        return REFUSED
    script = os.path.join(data, "nautilus/scripts/Quillomat")
    environment = dict(os.environ)
    environment.pop("NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", None)
    if kind == "NautilusVariable":
        # As Nautilus runs a script: the paths in the variable, one a line, and the names as
        # arguments, relative to the folder shown.
        environment["NAUTILUS_SCRIPT_SELECTED_FILE_PATHS"] = item + "\n"
        folder, name = os.path.split(item)
        return run([script, name], cwd=folder, env=environment)
    if kind == "NautilusArguments":
        folder, name = os.path.split(item)
        return run([script, name], cwd=folder, env=environment)
    return REFUSED


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
