#!/usr/bin/python3
"""segyhdr over a survey of many files: the throughput of every core against one core, and the
peak memory, in the same run. The survey is written with the project's generator (sparse files:
the samples are holes, so the run measures the header work and not the disk).

Usage: bench/survey_throughput.py BUILD FOLDER [--files N] [--traces N] [--rounds N] [--verb VERB]
       BUILD holds bin/segyhdr and bin/segygen; the survey goes to FOLDER/survey and is removed.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time


def run(command):
    """Wall seconds and the peak resident memory (MiB) of one process."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) not in (0, 1):
        sys.exit(f"{' '.join(command)} failed: {child.stderr.read().decode()}")
    return wall, usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("folder")
    parser.add_argument("--files", type=int, default=200)
    parser.add_argument("--traces", type=int, default=10000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--verb", choices=("qc", "range", "info", "dump"), default="qc")
    args = parser.parse_args()

    survey = os.path.join(os.path.abspath(args.folder), "survey")
    shutil.rmtree(survey, ignore_errors=True)
    os.makedirs(survey)
    segygen = os.path.join(args.build, "bin", "segygen")
    segyhdr = os.path.join(args.build, "bin", "segyhdr")
    for f in range(args.files):
        subprocess.run([segygen, "--traces", str(args.traces), "--channels", "240", "--samples", "50",
                        "--ffid-start", str(1 + f * 1000), "--sparse", "--quiet",
                        os.path.join(survey, f"line{f:04d}.sgy")], check=True)

    cores = len(os.sched_getaffinity(0))
    figures = {"one core": [], f"{cores} cores": []}
    memory = []
    for round_ in range(args.rounds):
        for name in (list(figures) if round_ % 2 == 0 else reversed(list(figures))):
            # The indexes are built afresh each time: a run over a new survey.
            for index in (p for p in os.listdir(survey) if p.endswith(".index")):
                os.remove(os.path.join(survey, index))
            command = [segyhdr, args.verb, survey]
            if name == "one core":
                command = ["taskset", "-c", "0"] + command
            wall, peak = run(command)
            figures[name].append(wall)
            memory.append(peak)
    shutil.rmtree(survey)

    traces = args.files * args.traces
    one = statistics.median(figures["one core"])
    every = statistics.median(figures[f"{cores} cores"])
    print(f"segyhdr {args.verb} over {args.files} files of {args.traces:,} traces ({traces:,} traces of 440 B), "
          f"indexes built afresh, medians of {args.rounds} interleaved rounds")
    print(f"one core:      {one:7.2f} s   {traces / one / 1e6:6.2f} M traces/s")
    print(f"{cores} cores:       {every:7.2f} s   {traces / every / 1e6:6.2f} M traces/s   "
          f"{one / every:.2f}x the throughput of one core (goal >= 1.7x on 2 cores)")
    print(f"peak memory:   {max(memory):7.1f} MiB (goal <= 64 MB)")


if __name__ == "__main__":
    main()
