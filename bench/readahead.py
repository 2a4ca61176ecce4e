#!/usr/bin/env python3
"""quillomat-cli against the bare loops, cold and warm, in one script.

For each corpus (N pages, titles distinct or all one shared title) and each mode, the programs
run in turn on fresh copies of the same corpus: limit.c, limit_readahead.c, quillomat-cli and,
with --gui, the desktop program (offscreen, through quillomat-gui-harness). Runs alternate
between the programs, so a slow spell of the machine falls on all of them. Cold runs drop the
page cache first (sync; echo 3 > /proc/sys/vm/drop_caches); where that is not permitted the
cold mode is skipped with a message. After the drop each program makes one run over a
directory of a single page, so that a cold run finds the pages cold and the program (its
libraries: Qt's for the desktop program) in memory, as on a desktop in use; --cold-programs
leaves the programs cold too. Prints the medians, the ratios the targets are about and
each program's peak memory.

With --floors it also times what no change to Quillomat can go below: limit.c reading and
parsing only (-d, no renames), so that limit.c's renames alone show, and, with --gui too, a
bare Qt Widgets program that starts, shows a label and quits, beside quillomat-cli and the
desktop program on a one-page directory. After each corpus it prints limit.c's warm run beside
half its cold run (the cold target asks a cold run to take that long).

Each run starts with an empty journal unless --keep-journal is given: then each Quillomat
program keeps its own program directory across the runs of a corpus, first filled by
--journal-runs untimed runs of its own on that corpus, as a user's journal holds the runs made
before (the journal keeps at least the last 20).

usage: bench/readahead.py [--pages 10000,100000] [--runs 5] [--modes cold,warm]
                          [--titles distinct,same] [--gui] [--baseline PATH]
                          [--cold-programs] [--keep-journal] [--journal-runs N] [--floors]
Needs the release preset built (cmake --preset release; --gui with -DQUILLOMAT_BUILD_GUI=ON).
--baseline times another quillomat-cli beside it (a build of an earlier commit, say).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHARED = os.environ.get("QUILLOMAT_SHARED", os.path.join(ROOT, "..", "shared"))
CLI = os.path.join(ROOT, "build/release/src/cli/quillomat-cli")
GUI = os.path.join(ROOT, "build/release/tests/gui/quillomat-gui-harness")
SETTINGS = ("Quillomat benchmark settings\r\n\r\n[Options]\r\nBackupRenamedFiles=0\r\n"
            "WriteErrorLog=0\r\nWriteRenameLog=0\r\nEnableFullAutoMode=1\r\n")


def drop_caches():
    """True when the page cache could be dropped."""
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def timed(command, env=None):
    """Wall time and peak resident memory (KB) of one run of `command`."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed with status {os.waitstatus_to_exitcode(status)}")
    return elapsed, usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--pages", default="10000,100000")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--modes", default="cold,warm")
    parser.add_argument("--titles", default="distinct,same")
    parser.add_argument("--gui", action="store_true")
    parser.add_argument("--baseline", help="another quillomat-cli to time beside this one")
    parser.add_argument("--cold-programs", action="store_true",
                        help="cold runs start the programs cold as well")
    parser.add_argument("--keep-journal", action="store_true",
                        help="keep each program's journal across runs, filled first")
    parser.add_argument("--journal-runs", type=int, default=20,
                        help="with --keep-journal, the untimed runs that fill each journal")
    parser.add_argument("--floors", action="store_true",
                        help="also time limit.c without renames and a bare Qt program's start")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="qlm-readahead-")
    try:
        subprocess.run(["cc", "-O2", "-o", f"{work}/limit", f"{SHARED}/bench/limit.c"], check=True)
        subprocess.run(["cc", "-O2", "-pthread", "-o", f"{work}/limit_readahead",
                        f"{SHARED}/bench/limit_readahead.c"], check=True)
        if args.floors and args.gui:
            try:
                qt = subprocess.run(["pkg-config", "--cflags", "--libs", "Qt6Widgets"],
                                    check=True, capture_output=True, text=True).stdout.split()
            except (OSError, subprocess.CalledProcessError):
                sys.exit("--floors with --gui builds a Qt program: it needs pkg-config and "
                         "qt6-base-dev (apt-get install pkg-config qt6-base-dev)")
            subprocess.run(["c++", "-O2", "-fPIC", "-o", f"{work}/qt_start",
                            f"{ROOT}/bench/qt_start.cpp", *qt], check=True)
        configs = ["config", "config-quillomat-cli", "config-baseline-cli", "config-quillomat"]
        for config in configs:
            os.mkdir(f"{work}/{config}")
            with open(f"{work}/{config}/Quillomat.ini", "w", newline="") as f:
                f.write(SETTINGS)
        run = f"{work}/run"

        def config_of(name):  # a program directory of its own for each, with --keep-journal
            return f"{work}/config-{name}" if args.keep_journal else f"{work}/config"

        def commands(directory, config=config_of):
            listed = {
                "limit": [f"{work}/limit", directory],
                "limit_readahead": [f"{work}/limit_readahead", directory],
                **({"limit-reads": [f"{work}/limit", "-d", directory]} if args.floors else {}),
                "quillomat-cli": [CLI, "--config-dir", config("quillomat-cli"), directory],
            }
            if args.baseline:
                listed["baseline-cli"] = [args.baseline, "--config-dir", config("baseline-cli"),
                                          directory]
            if args.gui:
                listed["quillomat"] = [GUI, "bench", directory, config("quillomat")]
            return listed

        programs = commands(run)
        gui_env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

        def env_of(name):  # Qt programs run offscreen
            return gui_env if name in ("quillomat", "bare Qt program") else None
        warm_up_dir = f"{work}/warm-up"
        subprocess.run([sys.executable, f"{SHARED}/bench/mkcorpus.py", "1", f"{work}/one", "1",
                        "mixed"], check=True, stdout=subprocess.DEVNULL)

        def clear_config(config="config"):  # no journal carried from one run to the next
            for leftover in os.listdir(f"{work}/{config}"):
                if leftover != "Quillomat.ini":
                    os.remove(f"{work}/{config}/{leftover}")

        def fill_journals(corpus):
            for name, command in programs.items():
                if name.startswith("limit"):
                    continue
                clear_config(config_of(name)[len(work) + 1:])
                for _ in range(args.journal_runs):
                    shutil.rmtree(run, ignore_errors=True)
                    subprocess.run(["cp", "-r", corpus, run], check=True)
                    timed(command, env_of(name))

        def warm_programs():  # their warm-up runs journal into the shared directory
            for name, command in commands(warm_up_dir, lambda _: f"{work}/config").items():
                shutil.rmtree(warm_up_dir, ignore_errors=True)
                subprocess.run(["cp", "-r", f"{work}/one", warm_up_dir], check=True)
                timed(command, env_of(name))
            clear_config()

        def alternate(listed, source, target, prepare):
            """Medians (s) and peaks (KB) of `listed` run in turn, each on a fresh copy of
            `source` at `target` made ready by `prepare`; the first round warms up and is
            dropped."""
            times = {name: [] for name in listed}
            peaks = {name: 0 for name in listed}
            for _ in range(args.runs + 1):
                for name, command in listed.items():
                    shutil.rmtree(target, ignore_errors=True)
                    subprocess.run(["cp", "-r", source, target], check=True)
                    prepare()
                    elapsed, peak = timed(command, env_of(name))
                    times[name].append(elapsed)
                    peaks[name] = max(peaks[name], peak)
            return {name: statistics.median(t[1:]) for name, t in times.items()}, peaks

        def start_floor():  # start and exit alone: each program on a fresh one-page directory
            start_dir = f"{work}/start"
            starters = {"quillomat-cli": [CLI, "--config-dir", f"{work}/config", start_dir],
                        "quillomat": [GUI, "bench", start_dir, f"{work}/config"],
                        "bare Qt program": [f"{work}/qt_start"]}
            seconds, _ = alternate(starters, f"{work}/one", start_dir, clear_config)
            medians = {name: median * 1000 for name, median in seconds.items()}
            print("start and exit, one page: " +
                  ", ".join(f"{name} {ms:.1f} ms" for name, ms in medians.items()) +
                  f"; Qt alone costs {medians['bare Qt program'] - medians['quillomat-cli']:.1f} ms"
                  " more than quillomat-cli's whole run", flush=True)

        if args.floors and args.gui:
            start_floor()

        modes = args.modes.split(",")
        if "cold" in modes and not drop_caches():
            print("cold mode skipped: the page cache cannot be dropped here (needs root)")
            modes.remove("cold")
        print(f"{'pages':>7} {'titles':8} {'mode':5} " +
              " ".join(f"{name:>16}" for name in programs) + "   cli/limit  peak MB (cli)")
        for pages in map(int, args.pages.split(",")):
            for titles in args.titles.split(","):
                corpus = f"{work}/corpus-{pages}-{titles}"
                subprocess.run([sys.executable, f"{SHARED}/bench/mkcorpus.py", str(pages), corpus,
                                "1", "mixed" if titles == "distinct" else "same"],
                               check=True, stdout=subprocess.DEVNULL)
                limit_medians = {}
                for mode in modes:
                    if args.keep_journal:
                        fill_journals(corpus)

                    def prepare():
                        if not args.keep_journal:
                            clear_config()
                        if mode == "cold":  # warm: the fresh copy is in the cache
                            drop_caches()
                            if not args.cold_programs:
                                warm_programs()

                    medians, peaks = alternate(programs, corpus, run, prepare)
                    limit_medians[mode] = medians["limit"]
                    print(f"{pages:>7} {titles:8} {mode:5} " +
                          " ".join(f"{medians[name]:>15.3f}s" for name in programs) +
                          f"   {medians['quillomat-cli'] / medians['limit']:>8.2f}x" +
                          f"  {peaks['quillomat-cli'] / 1024:>8.1f}" +
                          (f"   gui/cli {medians['quillomat'] / medians['quillomat-cli']:.2f}x"
                           if "quillomat" in medians else "") +
                          (f"   cli/baseline {medians['quillomat-cli'] / medians['baseline-cli']:.2f}x"
                           if "baseline-cli" in medians else ""), flush=True)
                if args.floors and {"cold", "warm"} <= limit_medians.keys():
                    print(f"{pages:>7} {titles:8} floor: limit.c warm {limit_medians['warm']:.3f}s,"
                          f" half of limit.c cold {limit_medians['cold'] / 2:.3f}s", flush=True)
                shutil.rmtree(corpus)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
