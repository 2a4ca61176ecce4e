#!/usr/bin/env python3
"""Crash harness: kills quillomat-cli-crashtest at chosen points of a run, runs it again to
completion, and checks that nothing was lost.

usage: crash_harness.py --cli CRASHTEST_BINARY [--product QUILLOMAT_CLI] [--points N]
                        [--timed N] [--pages N] [--seed S] [--keep-failures DIR]

For every kill point a fresh copy of a generated directory (make_pages.py) is run with
QLM_KILL_AT=K (the K-th mutating file operation: move, copy, create directory, delete, log
write), once killed with SIGKILL right before that operation and once right after it, in turn.
The timed points kill the run after a random delay instead. Then the same directory is run
again with no kill. Afterwards:
  * every original document's contents are present exactly once among the directory's files
    (backup directories aside), and nothing else is there;
  * no .qlm file remains, and every file in a backup directory is a whole copy of a document;
  * both logs are well-formed up to where the killed run stopped, and the completing run's
    records are whole and count every document.
The points are spread evenly over the operations of a clean run of each option profile, so
the second stage (scratch names to final names) gets its share. With --product, the product
binary is also shown to ignore QLM_KILL_AT. Exits 1 on the first failure.
"""
import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_pages  # noqa: E402

COMMON = {"EnableFullAutoMode": 1, "BackupRenamedFiles": 1, "WriteErrorLog": 1,
          "WriteRenameLog": 1, "BackupUnrenamedFiles": 1}
PROFILES = [
    dict(COMMON, BackupCreateNewDir=1, RenameAsHtm=1, ParseHTMLEntities=1),
    dict(COMMON, BackupCreateNewDir=0, BackupOverwriteExisting=1, RenameAsHtm=0,
         ParseHTMLEntities=0),
    # Interactive with no answers: every clash is cancelled and those files keep their names.
    dict(COMMON, EnableFullAutoMode=0, BackupCreateNewDir=1, RenameAsHtm=1),
]
BACKUP_DIR = re.compile(r"^(Backup|\d{8}(-\d+)?)$")
HEADER = re.compile(rb"^Processing (.*) at \d{1,2}:\d\d:\d\d [AP]M on \d{1,2}/\d{1,2}/\d{4}\.$")


class Failure(Exception):
    pass


def read(path):
    with open(path, "rb") as f:
        return f.read()


def documents(directory):
    """Contents of every regular file directly in `directory`; the subdirectories."""
    files, dirs = {}, []
    for name in sorted(os.listdir(directory)):
        path = os.path.join(directory, name)
        if os.path.isdir(path):
            dirs.append(name)
        elif os.path.isfile(path):
            files[name] = read(path)
    return files, dirs


def split_lines(data, what):
    if data and not data.endswith(b"\r\n"):
        raise Failure("%s does not end with a whole line" % what)
    if b"\r" in data.replace(b"\r\n", b"") or b"\n" in data.replace(b"\r\n", b""):
        raise Failure("%s holds a line break other than CR LF" % what)
    return data.split(b"\r\n")[:-1] if data else []


def records(lines, what):
    """Splits a log's lines into runs, each starting at a header line."""
    runs = []
    for line in lines:
        if HEADER.match(line):
            runs.append([line])
        elif not runs:
            raise Failure("%s starts with %r, not a run header" % (what, line[:60]))
        else:
            runs[-1].append(line)
    return runs


ERROR_LOG_PHASES = [
    (re.compile(rb"^(Selected Options|================|\w+=[01])$"), 1),
    (re.compile(rb"^\*\* (ERROR|WARNING) \*\* : .+$"), 2),
    (re.compile(rb"^BackupDir=.+$"), 3),
    (re.compile(rb"^(Errors|======|No errors\.)$"), 4),
    (re.compile(rb"^[URTMB]\d+\) .+$"), 5),
    (re.compile(rb"^Processing (completed! :\)|aborted! :\()$"), 6),
    (re.compile(rb"^(Summary|=======|Number of [a-z -]+(\([URMTB]\))? +: (\d+|N/A))$"), 7),
    (re.compile(rb"^=== END ===$"), 8),
]


def check_error_log(data):
    """Each run of the error log in order: (whole, files processed or None)."""
    result = []
    for run in records(split_lines(data, "error log"), "error log"):
        phase, files, placeholder = 0, None, False
        for line in run[1:]:
            if line == b"":
                continue
            for pattern, line_phase in ERROR_LOG_PHASES:
                if pattern.match(line):
                    break
            else:
                raise Failure("error log line %r fits no part of a run" % line[:80])
            if line_phase < phase or phase == 8:
                raise Failure("error log line %r is out of order" % line[:80])
            if line == b"No errors.":
                placeholder = True
            elif line_phase == 5 and placeholder:
                raise Failure("error log keeps 'No errors.' above a file's line")
            m = re.match(rb"^Number of files processed +: (\d+)$", line)
            if m:
                files = int(m.group(1))
            phase = line_phase
        result.append((phase == 8, files))
    return result


def check_rename_log(data):
    """Each run of the rename log in order: (whole, entries, files processed or None)."""
    result = []
    entry_lines = [b"HTML Name  : ", b"Title Name : ", b"QLM Name   : "]
    for run in records(split_lines(data, "rename log"), "rename log"):
        step, entries, files, ended, whole = 0, 0, None, False, False
        for line in run[1:]:
            if line == b"" or whole:
                if line not in (b"",):
                    raise Failure("rename log holds %r after its end marker" % line[:80])
                continue
            if any(line.startswith(e) for e in entry_lines):
                if ended or not line.startswith(entry_lines[step]):
                    raise Failure("rename log entry line %r is out of order" % line[:80])
                step = (step + 1) % 3
                entries += step == 0
            elif re.match(rb"^Processing (completed! :\)|aborted! :\()$", line):
                if ended or step != 0:
                    raise Failure("rename log end line out of order")
                ended = True
            elif re.match(rb"^Number of files processed +: \d+$", line):
                if not ended or files is not None:
                    raise Failure("rename log count line out of order")
                files = int(line.rsplit(b":", 1)[1])
            elif line == b"=== END ===":
                whole = True
            else:
                raise Failure("rename log line %r fits no part of a run" % line[:80])
        if step != 0:
            raise Failure("rename log holds a partial entry")
        result.append((whole, entries, files))
    return result


def check_directory(work, originals):
    files, dirs = documents(work)
    scratch = [n for n in files if n.lower().endswith(".qlm")]
    if scratch:
        raise Failure("scratch files remain: %s" % scratch[:5])
    if sorted(files.values()) != sorted(originals):
        missing = len([c for c in originals if c not in files.values()])
        raise Failure("documents lost or doubled: %d files for %d documents, %d missing"
                      % (len(files), len(originals), missing))
    whole = set(originals)
    for d in dirs:
        if not BACKUP_DIR.match(d):
            raise Failure("unexpected directory %s" % d)
        for name in os.listdir(os.path.join(work, d)):
            path = os.path.join(work, d, name)
            if os.path.isfile(path) and not name.startswith(".") and read(path) not in whole:
                raise Failure("backup %s/%s is no whole copy of a document" % (d, name))


def check_logs(config, expected, killed_run_logged):
    """The killed run's records may stop anywhere; the last run's are whole and complete."""
    for log, checker in (("QLM-ErrorLog.txt", check_error_log),
                         ("QLM-RenLog.txt", check_rename_log)):
        path = os.path.join(config, log)
        runs = checker(read(path)) if os.path.exists(path) else []
        if not runs or len(runs) > 2 or (len(runs) == 2) != killed_run_logged(log, runs):
            raise Failure("%s holds %d run(s)" % (log, len(runs)))
        last = runs[-1]
        if not last[0]:
            raise Failure("%s: the completing run's record is cut short" % log)
        if last[-1] != expected or (log == "QLM-RenLog.txt" and last[1] != expected):
            raise Failure("%s: the completing run counts %s, not %d" % (log, last[1:], expected))


def command(cli, profile, config, work):
    args = [cli, "--config-dir", config]
    for key, value in sorted(profile.items()):
        args += ["--option", "%s=%d" % (key, value)]
    return args + [work]


def run(args, env, timeout=120):
    with open(os.devnull, "rb") as stdin:
        return subprocess.run(args, env=env, stdin=stdin, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=timeout)


class Harness:
    def __init__(self, options, base):
        self.o = options
        self.base = base
        self.pristine = os.path.join(base, "pristine")
        make_pages.generate(options.pages, self.pristine, options.seed)
        self.originals = list(documents(self.pristine)[0].values())
        self.expected = len(self.originals)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("QLM_KILL")}
        self.trial = 0

    def fresh(self):
        self.trial += 1
        trial = os.path.join(self.base, "trial%d" % self.trial)
        work, config = os.path.join(trial, "work"), os.path.join(trial, "config")
        shutil.copytree(self.pristine, work)
        os.makedirs(config)
        return trial, work, config

    def calibrate(self, profile):
        """The traced mutating operations of a clean run, and its duration."""
        trial, work, config = self.fresh()
        trace = os.path.join(trial, "trace")
        start = time.monotonic()
        done = run(command(self.o.cli, profile, config, work), dict(self.env, QLM_KILL_TRACE=trace))
        duration = time.monotonic() - start
        if done.returncode != 0:
            raise Failure("clean run failed (%d): %s" % (done.returncode, done.stderr[-400:]))
        check_directory(work, self.originals)
        check_logs(config, self.expected, lambda log, runs: False)
        with open(trace, encoding="utf-8", errors="replace") as f:
            ops = [line.rstrip("\n").split("\t") for line in f]
        shutil.rmtree(trial)
        return ops, duration

    def pair(self, profile, env, delay=None):
        """One killed run and one completing run; True when the kill landed."""
        trial, work, config = self.fresh()
        args = command(self.o.cli, profile, config, work)
        with open(os.devnull, "rb") as stdin:
            process = subprocess.Popen(args, env=env, stdin=stdin, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            if delay is not None:
                time.sleep(delay)
                try:
                    process.send_signal(signal.SIGKILL)
                except ProcessLookupError:
                    pass
            code = process.wait(timeout=120)
        killed = code == -signal.SIGKILL
        if delay is None and not killed:
            raise Failure("the run was not killed at its kill point (exit %d)" % code)
        logged = {log: os.path.exists(os.path.join(config, log))
                  for log in ("QLM-ErrorLog.txt", "QLM-RenLog.txt")}
        for log, checker in (("QLM-ErrorLog.txt", check_error_log),
                             ("QLM-RenLog.txt", check_rename_log)):
            if logged[log]:
                logged[log] = bool(checker(read(os.path.join(config, log))))
        done = run(args, self.env)
        if done.returncode != 0:
            raise Failure("completing run failed (%d): %s" % (done.returncode, done.stderr[-400:]))
        check_directory(work, self.originals)
        check_logs(config, self.expected, lambda log, runs: logged[log])
        shutil.rmtree(trial)
        return killed


def spread(total, count):
    """`count` operation numbers spread evenly over 1..total, both ends included."""
    if count <= 1:
        return [total][:count]
    return sorted({1 + round(i * (total - 1) / (count - 1)) for i in range(count)})


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--product")
    parser.add_argument("--points", type=int, default=42)
    parser.add_argument("--timed", type=int, default=12)
    parser.add_argument("--pages", type=int, default=300)
    parser.add_argument("--seed", type=int, default=9)
    parser.add_argument("--keep-failures")
    o = parser.parse_args()

    base = tempfile.mkdtemp(prefix="qlm-crash-")
    harness = Harness(o, base)
    rng = random.Random(o.seed)
    survived = {"exact": 0, "second stage": 0, "timed": 0, "timed, finished first": 0}
    point = None
    try:
        if o.product:
            trial, work, config = harness.fresh()
            done = run(command(o.product, PROFILES[0], config, work),
                       dict(harness.env, QLM_KILL_AT="1"))
            if done.returncode != 0:
                raise Failure("the product binary reacted to QLM_KILL_AT (exit %d)"
                              % done.returncode)
            check_directory(work, harness.originals)
            shutil.rmtree(trial)
        for index, profile in enumerate(PROFILES):
            ops, duration = harness.calibrate(profile)
            first_scratch = next(i for i, op in enumerate(ops)
                                 if op[1] == "move" and op[3].lower().endswith(".qlm"))
            second = {i + 1 for i, op in enumerate(ops) if i > first_scratch and
                      op[1] == "move" and op[2].lower().endswith(".qlm")}
            share = o.points // len(PROFILES) + (index < o.points % len(PROFILES))
            for n, at in enumerate(spread(len(ops), share)):
                when = "after" if n % 2 else "before"
                point = "profile %d, %s operation %d of %d (%s)" % (
                    index, when, at, len(ops), " ".join(ops[at - 1][1:3]))
                harness.pair(profile, dict(harness.env, QLM_KILL_AT=str(at), QLM_KILL_WHEN=when))
                survived["exact"] += 1
                survived["second stage"] += at in second
            share = o.timed // len(PROFILES) + (index < o.timed % len(PROFILES))
            for _ in range(share):
                delay = rng.uniform(0, duration * 1.2)
                point = "profile %d, killed after %.3f s of a %.3f s run" % (index, delay, duration)
                if harness.pair(profile, harness.env, delay):
                    survived["timed"] += 1
                else:
                    survived["timed, finished first"] += 1
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED at %s: %s" % (point or "calibration", failure))
        if o.keep_failures:
            shutil.copytree(base, o.keep_failures, dirs_exist_ok=True)
            print("kept in %s" % o.keep_failures)
        shutil.rmtree(base, ignore_errors=True)
        return 1
    shutil.rmtree(base, ignore_errors=True)
    print("crash harness: %d documents; kill points survived: %d exact (%d in the second "
          "stage), %d timed (%d more runs finished before their kill)"
          % (harness.expected, survived["exact"], survived["second stage"], survived["timed"],
             survived["timed, finished first"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
