#!/usr/bin/python3
"""Times segyhdr qc of two builds on the same line in the same run, rounds interleaved, so that a
change can be shown to cost nothing: qc of a line without an index (the index build, as the viewer
builds it, then the check) and with the index there (the check alone). The figures are medians of
wall and CPU time; the ratio is the new build's over the old one's.

Usage: bench/ab_revisions.py OLD_BUILD NEW_BUILD FOLDER [--traces N] [--samples N] [--rounds N]
       OLD_BUILD and NEW_BUILD are build folders holding bin/segyhdr; the line is written into
       FOLDER with NEW_BUILD's bin/segygen and removed afterwards.
Example: git worktree add /tmp/old REV && cmake -S /tmp/old -B /tmp/old/build -DCMAKE_BUILD_TYPE=Release
         && cmake --build /tmp/old/build --target segyhdr && bench/ab_revisions.py /tmp/old/build build build/perf
"""
import argparse
import glob
import os
import resource
import statistics
import subprocess
import sys
import time


def timed(command, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode not in (0, 1):
        sys.exit(f"{' '.join(command)} failed: {result.stderr.decode()}")
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def remove_indexes(line, cache):
    for path in [line + ".index"] + glob.glob(os.path.join(cache, "segyhdr", "*.index")):
        if os.path.exists(path):
            os.remove(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("folder")
    parser.add_argument("--traces", type=int, default=2000000)
    parser.add_argument("--samples", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    os.makedirs(args.folder, exist_ok=True)
    line = os.path.join(os.path.abspath(args.folder), "ab-line.sgy")
    cache = os.path.join(os.path.abspath(args.folder), "ab-cache")
    env = dict(os.environ, XDG_CACHE_HOME=cache)
    subprocess.run([os.path.join(args.new, "bin", "segygen"), "--traces", str(args.traces), "--channels", "240",
                    "--samples", str(args.samples), "--sparse", "--quiet", line], check=True)
    builds = {"old": args.old, "new": args.new}
    figures = {(name, case): [] for name in builds for case in ("no index", "index there")}
    for round_ in range(args.rounds):
        order = ["old", "new"] if round_ % 2 == 0 else ["new", "old"]
        for name in order:
            command = [os.path.join(builds[name], "bin", "segyhdr"), "qc", line]
            remove_indexes(line, cache)
            timed(command, env)  # the first read of a round warms the page cache for both
            remove_indexes(line, cache)
            figures[(name, "no index")].append(timed(command, env))
            figures[(name, "index there")].append(timed(command, env))
    remove_indexes(line, cache)
    os.remove(line)

    print(f"segyhdr qc, {args.traces:,} traces of {240 + 4 * args.samples} B, warm page cache, "
          f"medians of {args.rounds} interleaved rounds on {os.cpu_count()} cores")
    print(f"{'case':<14}{'old wall':>10}{'new wall':>10}{'new/old':>9}{'old CPU':>10}{'new CPU':>10}{'new/old':>9}")
    for case in ("no index", "index there"):
        old = figures[("old", case)]
        new = figures[("new", case)]
        ow, nw = statistics.median(w for w, _ in old), statistics.median(w for w, _ in new)
        oc, nc = statistics.median(c for _, c in old), statistics.median(c for _, c in new)
        print(f"{case:<14}{ow:>9.3f}s{nw:>9.3f}s{nw / ow:>8.2f}x{oc:>9.3f}s{nc:>9.3f}s{nc / oc:>8.2f}x")


if __name__ == "__main__":
    main()
