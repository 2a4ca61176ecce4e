#!/usr/bin/env python3
"""Tree harness: kills tree runs (quillomat-cli --recursive) and their undos at every mutating
file operation and checks that nothing is lost and that undo gives every name back.

usage: tree_harness.py --cli CRASHTEST_BINARY [--every N]

A tree three levels deep (clashing titles in every directory, a .html page whose extension
changes, a page without a title, and a directory named like a page, which a run renames as it
renames a page it cannot read and then walks into), with backups on, is run with
QLM_KILL_AT=K, killed with SIGKILL right before and right after the K-th mutating operation,
then taken through one of:
  undo             the killed tree run is undone at once: every name must be as before;
  continue, undo   the tree run is started again and completes, then undone: every document
                   must be there once, under no scratch name (the names the killed run gave
                   in the directories it finished stand, as that run is not the one undone);
  undo killed      a completed tree run is undone, that undo is killed at K, and undo is asked
                   again: every name must be as before (an interrupted undo is finished),
                   unless the undo had ended, when the tree run is redone.
Backup directories are left out of the comparison. Exits 1 on the first failure.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

DIRECTORIES = ["", "a", "a/b", "a/b/c", "docs.html"]
OPTIONS = ["-o", "EnableFullAutoMode=1", "-o", "BackupRenamedFiles=1", "-o",
           "BackupCreateNewDir=1", "-o", "RenameAsHtm=1", "-o", "WriteErrorLog=1"]
BACKUP = re.compile(r"^(?i:backup)$|^\d{8}(-\d+)?$")


class Failure(Exception):
    pass


def make_tree(work):
    for directory in DIRECTORIES:
        path = os.path.join(work, directory)
        os.makedirs(path, exist_ok=True)
        pages = {"one.htm": "Same", "two.html": "Same", "three.HTM": "Other " + directory,
                 "plain.htm": None}
        for name, title in pages.items():
            head = "<title>%s</title>" % title if title else "<p>no title</p>"
            with open(os.path.join(path, name), "wb") as f:
                f.write(("<html><head>%s</head><body>%s/%s</body></html>\n"
                         % (head, directory, name)).encode())


def documents(work):
    """relative path -> bytes of every file outside backup directories."""
    out = {}
    for directory, subdirectories, files in os.walk(work):
        subdirectories[:] = [d for d in subdirectories if not BACKUP.match(d)]
        for name in files:
            path = os.path.join(directory, name)
            out[os.path.relpath(path, work)] = open(path, "rb").read()
    return out


class Harness:
    def __init__(self, cli):
        self.cli = cli
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("QLM_KILL")}
        self.base = tempfile.mkdtemp(prefix="qlm-tree-harness-")
        self.count = 0

    def fresh(self):
        self.count += 1
        work = os.path.join(self.base, "work%d" % self.count)
        config = os.path.join(self.base, "config%d" % self.count)
        os.makedirs(config)
        make_tree(work)
        return work, config, documents(work)

    def cli_run(self, config, args, kill=None, when="before", trace=None):
        env = dict(self.env)
        if kill is not None:
            env.update(QLM_KILL_AT=str(kill), QLM_KILL_WHEN=when)
        if trace is not None:
            env.update(QLM_KILL_TRACE=trace)
        return subprocess.run([self.cli, "--config-dir", config] + args, env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=120)

    def count_operations(self, before_traced):
        """Mutating operations of a clean tree run (or of the undo of one, with
        `before_traced`), and the number of the last journal write (the last end record)."""
        work, config, _ = self.fresh()
        if before_traced:
            self.cli_run(config, OPTIONS + ["-r", work])
        trace = os.path.join(self.base, "trace%d" % self.count)
        args = ["--undo", "-r", work] if before_traced else OPTIONS + ["-r", work]
        self.cli_run(config, args, trace=trace)
        with open(trace) as f:
            lines = f.read().splitlines()
        end = max((i + 1 for i, line in enumerate(lines)
                   if "\tlogwrite\t" in line and "QLM-Journal" in line), default=0)
        return len(lines), end

    @staticmethod
    def check_documents(work, originals, what):
        now = documents(work)
        if sorted(now.values()) != sorted(originals.values()):
            raise Failure("%s: a document is missing or doubled" % what)
        scratch = [name for name in now if name.lower().endswith(".qlm")]
        if scratch:
            raise Failure("%s: left under scratch names: %s" % (what, scratch))

    @staticmethod
    def check(work, originals, what):
        now = documents(work)
        if now != originals:
            raise Failure("%s: not every name back (missing %s, extra %s)" % (
                what, sorted(set(originals) - set(now)), sorted(set(now) - set(originals))))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--every", type=int, default=1, help="try every N-th kill point")
    options = parser.parse_args()
    harness = Harness(options.cli)
    tried = 0
    try:
        run_ops, _ = harness.count_operations(before_traced=False)
        undo_ops, undo_end = harness.count_operations(before_traced=True)
        for at in range(1, run_ops + 1, options.every):
            for when in ("before", "after"):
                for sequence in ("undo", "continue, undo"):
                    work, config, originals = harness.fresh()
                    harness.cli_run(config, OPTIONS + ["-r", work], kill=at, when=when)
                    if sequence == "continue, undo":
                        harness.cli_run(config, OPTIONS + ["-r", work])
                    harness.cli_run(config, ["--undo", "-r", work])
                    what = "tree run killed %s operation %d, then %s" % (when, at, sequence)
                    if sequence == "undo":
                        harness.check(work, originals, what)
                    else:
                        harness.check_documents(work, originals, what)
                    tried += 1
        for at in range(1, undo_ops + 1, options.every):
            for when in ("before", "after"):
                work, config, originals = harness.fresh()
                harness.cli_run(config, OPTIONS + ["-r", work])
                harness.cli_run(config, ["--undo", "-r", work], kill=at, when=when)
                harness.cli_run(config, ["--undo", "-r", work])
                what = "undo of a tree killed %s operation %d, then undo again" % (when, at)
                if at > undo_end or (at == undo_end and when == "after"):
                    harness.check_documents(work, originals, what)  # it had ended: a redo
                else:
                    harness.check(work, originals, what)
                tried += 1
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED after %d sequences: %s (kept in %s)" % (tried, failure, harness.base))
        return 1
    shutil.rmtree(harness.base, ignore_errors=True)
    print("tree harness: %d sequences, nothing lost and every name back (%d run and %d undo "
          "kill points)" % (tried, run_ops, undo_ops))
    return 0


if __name__ == "__main__":
    sys.exit(main())
