#!/usr/bin/env python3
"""Plants each deliberate fault of faults.tsv, one at a time, in a scratch copy of the tracked tree,
rebuilds it incrementally, runs the suite and prints every fault the suite misses, then caught/total
for each product folder; the last line is "caught N of M". A fault whose snippet is not found
exactly once "does not apply", and one that does not build is wrong too: either makes the run exit
non-zero, since a list that has drifted from the code measures nothing. Faults marked asan leak
without failing a plain build; they run in a sanitizer build with --asan and are otherwise listed
as not run. Faults marked equivalent change nothing a user or a caller can see (the reason is in
their description); they are run and listed, and count only if the suite catches them anyway.

Usage, from the repository root: tests/faults/run.py [--asan] [--only ID,ID] [--scratch DIR]
Logs of every build and test run are left in SCRATCH/logs."""
import argparse, filecmp, os, shutil, subprocess, sys, time

root = subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip()
ap = argparse.ArgumentParser()
ap.add_argument("--asan", action="store_true", help="also run the asan faults in a sanitizer build")
ap.add_argument("--only", default="", help="comma-separated fault ids")
ap.add_argument("--scratch", default=os.path.join(root, "build-faults"))
ap.add_argument("--timeout", type=int, default=120, help="seconds per test; a hang counts as caught")
ap.add_argument("--faults", default=os.path.join(root, "tests/faults/faults.tsv"), help="the list of faults")
ap.add_argument("--survivors", action="store_true",
                help="mechanical mutants: one that does not build is dropped, one that is missed is a survivor")
args = ap.parse_args()
faults = [[c.replace("\\n", "\n") for c in (line.rstrip("\n").split("\t") + [""] * 6)[:6]]
          for line in open(args.faults, encoding="utf-8")
          if line.strip() and not line.startswith("#")]
faults = [f for f in faults if not args.only or f[0] in args.only.split(",")]
src, logs = os.path.join(args.scratch, "src"), os.path.join(args.scratch, "logs")
os.makedirs(logs, exist_ok=True)
# Only files whose text differs are copied, and they take the time of the copy: a scratch left by an
# interrupted run may still hold a planted fault whose objects are newer than the original's date.
for rel in subprocess.check_output(["git", "ls-files", "-z"], cwd=root, text=True).split("\0"):
    mine, theirs = os.path.join(root, rel), os.path.join(src, rel)
    if rel and os.path.isfile(mine) and not (os.path.isfile(theirs) and filecmp.cmp(mine, theirs, shallow=False)):
        os.makedirs(os.path.dirname(theirs), exist_ok=True)
        shutil.copyfile(mine, theirs)


def run(cmd, log, timeout=None):
    with open(os.path.join(logs, log), "w") as out:
        try:
            return subprocess.run(["nice", "-n", "10"] + cmd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return 124


def build_and_test(build, tag):
    if run(["cmake", "--build", build, "-j2"], tag + ".build") != 0:
        return None
    # The per-test timeout catches a hang; the outer limit only guards against ctest itself.
    return run(["ctest", "--test-dir", build, "-j2", "--output-on-failure"], tag + ".test", args.timeout * 20)


ready = set()


def configure(kind):
    name, config = ("build-asan", "RelWithDebInfo") if kind else ("build", "Release")
    build = os.path.join(args.scratch, name)
    if kind not in ready:
        run(["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=" + config, "-DZN_SANITIZE=" + ("ON" if kind else "OFF"),
             "-DZN_TEST_TIMEOUT=%d" % args.timeout], name + ".configure")
        if build_and_test(build, name + ".clean") != 0:
            sys.exit("the suite does not pass on the unchanged tree in %s; see %s" % (build, logs))
        ready.add(kind)
    return build


def folder(path):
    parts = path.split("/")
    return "/".join(parts[:3] if parts[0] == "plugins" and len(parts) > 3 else parts[:2] if len(parts) > 2 else parts[:1])


caught, total, notes, wrong, byFolder = 0, 0, [], 0, {}
for fid, path, old, new, desc, needs in faults:
    file = os.path.join(src, path)
    text = open(file, encoding="utf-8").read() if os.path.isfile(file) else ""
    if text.count(old) != 1:
        notes.append("does not apply: %s (%s): snippet found %d times" % (fid, path, text.count(old)))
        wrong += 1
        continue
    if needs == "asan" and not args.asan:
        notes.append("not run: %s needs the sanitizer build (--asan): %s" % (fid, desc))
        continue
    build, start = configure(needs), time.time()
    try:
        open(file, "w", encoding="utf-8").write(text.replace(old, new))
        rc = build_and_test(build, fid)
    finally:
        open(file, "w", encoding="utf-8").write(text)
    verdict = "does not build" if rc is None else "caught" if rc else "equivalent" if needs == "equivalent" else "missed"
    print("%-28s %-14s %4.0fs" % (fid, verdict, time.time() - start), file=sys.stderr, flush=True)
    if args.survivors:
        if rc == 0:
            notes.append("survivor %s (%s): %s  ->  %s" % (fid, desc, old.strip(), new.strip()))
        if rc is not None:
            total, caught = total + 1, caught + (rc != 0)
        continue
    wrong += rc is None
    if rc is not None and (rc != 0 or needs != "equivalent"):
        total, caught = total + 1, caught + (rc != 0)
        counts = byFolder.setdefault(folder(path), [0, 0])
        counts[0] += rc != 0
        counts[1] += 1
    if rc is None or rc == 0:
        notes.append("%s: %s (%s): %s" % (verdict, fid, path, desc))
print("\n".join(notes))
for name in sorted(byFolder):
    print("%-32s caught %d of %d" % (name, byFolder[name][0], byFolder[name][1]))
print("caught %d of %d" % (caught, total))
sys.exit(1 if wrong else 0)
