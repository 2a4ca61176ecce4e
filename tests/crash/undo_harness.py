#!/usr/bin/env python3
"""Undo harness: kills runs and undos at every mutating file operation (journal writes and
moves alike) and checks that undo still gives every document its name back.

usage: undo_harness.py --cli CRASHTEST_BINARY [--every N] [--keep-failures DIR]

A small directory that takes every way a name can change (distinct and shared titles, two
pages that swap names, a letter-case-only rename, pages that keep their names, a page without
a title, a .html page whose extension changes) is run with QLM_KILL_AT=K, killed with SIGKILL
right before and right after the K-th mutating operation, then taken through one of:
  undo             the killed run is undone at once;
  continue, undo   the run is started again and completes, then undone;
  undo killed      a completed run is undone, that undo is killed at K, and undo is asked again.
After each sequence every document must be under its original name (letter case included),
with its own bytes, exactly once, and no name may end in .qlm. Exits 1 on the first failure.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

PAGES = {
    "alpha.htm": "Annual Report",
    "beta.htm": "Intro",
    "gamma.html": "Intro",
    "delta.HTM": "INTRO",
    "a.htm": "b",                 # the two swap names
    "b.htm": "a",
    "Case.htm": "case",           # a change of letter case only
    "same.htm": "same",           # keeps its name: not journaled
    "kept.html": "kept",          # keeps its title, but its extension becomes .htm
    "untitled.htm": None,         # no title: keeps its name
}
OPTIONS = ["-o", "EnableFullAutoMode=1", "-o", "BackupRenamedFiles=0", "-o", "WriteErrorLog=0",
           "-o", "WriteRenameLog=0", "-o", "RenameAsHtm=1"]


class Failure(Exception):
    pass


def page(name, title):
    head = "<title>%s</title>" % title if title is not None else "<p>no title</p>"
    return ("<html><head>%s</head><body>%s</body></html>\n" % (head, name)).encode()


def listing(work):
    """name -> bytes of every entry in `work` (a directory shows as None)."""
    out = {}
    for name in os.listdir(work):
        path = os.path.join(work, name)
        out[name] = None if os.path.isdir(path) else open(path, "rb").read()
    return out


class Harness:
    def __init__(self, cli, keep):
        self.cli = cli
        self.keep = keep
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("QLM_KILL")}
        self.base = tempfile.mkdtemp(prefix="qlm-undo-harness-")

    def fresh(self):
        work = tempfile.mkdtemp(dir=self.base, prefix="work-")
        config = tempfile.mkdtemp(dir=self.base, prefix="config-")
        originals = {}
        for name, title in PAGES.items():
            data = page(name, title)
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
            originals[name] = data
        return work, config, originals

    def cli_run(self, config, args, kill=None, when="before"):
        env = dict(self.env)
        if kill is not None:
            env.update(QLM_KILL_AT=str(kill), QLM_KILL_WHEN=when)
        return subprocess.run([self.cli, "--config-dir", config] + args, env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=60)

    def count_operations(self, args_of):
        """Mutating operations of a clean run (args_of(work) gives the arguments), and the
        number of the one that writes the run's end record (the last journal write)."""
        work, config, _ = self.fresh()
        trace = os.path.join(self.base, "trace")
        if os.path.exists(trace):
            os.remove(trace)  # the trace is appended to
        env = dict(self.env, QLM_KILL_TRACE=trace)
        subprocess.run([self.cli, "--config-dir", config] + args_of(work, config), env=env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        with open(trace) as f:
            lines = f.read().splitlines()
        end = max((i + 1 for i, line in enumerate(lines)
                   if "\tlogwrite\t" in line and "QLM-Journal" in line), default=0)
        return len(lines), end

    def check_documents(self, work, originals, what):
        """Every document there once, none under a scratch name, whatever its name."""
        now = listing(work)
        if sorted(now.values(), key=repr) != sorted(originals.values(), key=repr):
            raise Failure("%s: a document is missing or doubled" % what)
        scratch = [name for name in now if name.lower().endswith(".qlm")]
        if scratch:
            raise Failure("%s: left under scratch names: %s" % (what, scratch))

    def check(self, work, originals, what):
        now = listing(work)
        if now != originals:
            missing = sorted(set(originals) - set(now))
            extra = sorted(set(now) - set(originals))
            if self.keep:
                shutil.copytree(work, os.path.join(self.keep, os.path.basename(work)))
            raise Failure("%s: documents not back under their names (missing %s, extra %s)"
                          % (what, missing, extra))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--every", type=int, default=1, help="try every N-th kill point")
    parser.add_argument("--keep-failures")
    options = parser.parse_args()
    harness = Harness(options.cli, options.keep_failures)
    tried = 0
    try:
        run_ops, run_end = harness.count_operations(lambda work, config: OPTIONS + [work])

        def undo_ops_of(work, config):
            harness.cli_run(config, OPTIONS + [work])
            return ["--undo", work]
        undo_ops, undo_end = harness.count_operations(undo_ops_of)
        for at in range(1, run_ops + 1, options.every):
            for when in ("before", "after"):
                for sequence in ("undo", "continue, undo"):
                    work, config, originals = harness.fresh()
                    harness.cli_run(config, OPTIONS + [work], kill=at, when=when)
                    if sequence == "continue, undo":
                        harness.cli_run(config, OPTIONS + [work])
                    harness.cli_run(config, ["--undo", work])
                    what = "run killed %s operation %d, then %s" % (when, at, sequence)
                    # Killed once its end record was written, the first run had ended: the
                    # second is a run of its own, and its undo goes back to the first's names.
                    ended = at > run_end or (at == run_end and when == "after")
                    if sequence == "continue, undo" and ended:
                        harness.check_documents(work, originals, what)
                    else:
                        harness.check(work, originals, what)
                    tried += 1
        for at in range(1, undo_ops + 1, options.every):
            for when in ("before", "after"):
                work, config, originals = harness.fresh()
                harness.cli_run(config, OPTIONS + [work])
                harness.cli_run(config, ["--undo", work], kill=at, when=when)
                harness.cli_run(config, ["--undo", work])
                what = "undo killed %s operation %d, then undo again" % (when, at)
                # An undo killed once its end record was written had ended: undoing it again
                # redoes the run.
                if at > undo_end or (at == undo_end and when == "after"):
                    harness.check_documents(work, originals, what)
                else:
                    harness.check(work, originals, what)
                tried += 1
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED after %d sequences: %s" % (tried, failure))
        return 1
    finally:
        shutil.rmtree(harness.base, ignore_errors=True)
    print("undo harness: %d sequences, every document back under its name (%d run and %d undo "
          "kill points)" % (tried, run_ops, undo_ops))
    return 0


if __name__ == "__main__":
    sys.exit(main())
