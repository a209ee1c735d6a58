#!/usr/bin/env python3
"""Mechanical mutants of the product code that a change touches, run against the suite by the
fault runner: each mutant is one line changed in one of four ways (a relational or arithmetic
operator swapped, an integer constant off by one, a condition negated, a call dropped), and the
ones the suite does not catch are printed as survivors.

Usage, from the repository root:
    tests/faults/mutants.py [--base REV] [--files PATH,PATH] [--most N] [--scratch DIR]
The changed files are those that differ from REV (default HEAD~1), less tests, benchmarks and the
generator; --files names them instead. At most N mutants a file (default 12), spread over it.
"""
import argparse, os, re, subprocess, sys, tempfile

root = subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip()
ap = argparse.ArgumentParser()
ap.add_argument("--base", default="HEAD~1")
ap.add_argument("--files", default="")
ap.add_argument("--most", type=int, default=12)
ap.add_argument("--scratch", default=os.path.join(root, "build-mutants"))
args = ap.parse_args()

SWAPS = [(" <= ", " < "), (" < ", " <= "), (" >= ", " > "), (" > ", " >= "), (" == ", " != "), (" != ", " == "),
         (" + ", " - "), (" - ", " + "), (" * ", " / "), (" && ", " || "), (" || ", " && ")]
SKIP = re.compile(r'^\s*(//|#|\*|/\*)|QStringLiteral|QLatin1String|tr\(|"')


def mutants_of(line):
    """Every mutant of one line of code, as (kind, new line)."""
    if SKIP.search(line) or not line.strip():
        return []
    out = [("operator", line.replace(a, b, 1)) for a, b in SWAPS if a in line]
    number = re.search(r"(?<![\w.])(\d+)(?![\w.])", line)
    if number:
        out.append(("constant", line[:number.start()] + str(int(number.group(1)) + 1) + line[number.end():]))
    condition = re.match(r"^(\s*(?:if|while) \()(.*)(\)\s*\{?)$", line)
    if condition:
        out.append(("negated", condition.group(1) + "!(" + condition.group(2) + ")" + condition.group(3)))
    call = re.match(r"^(\s*)[\w:.>-]+\([^;]*\);$", line)
    if call and not line.strip().startswith("return"):
        out.append(("call removed", call.group(1) + ";"))
    return out


if args.files:
    files = args.files.split(",")
else:
    changed = subprocess.check_output(["git", "diff", "--name-only", args.base], cwd=root, text=True).split()
    files = [f for f in changed if f.endswith((".cpp", ".h")) and not f.startswith(("tests/", "bench/", "tools/"))
             and os.path.isfile(os.path.join(root, f))]
rows = []
for path in files:
    lines = open(os.path.join(root, path), encoding="utf-8").read().split("\n")
    text = "\n".join(lines)
    found = [(n, kind, line, new) for n, line in enumerate(lines) if text.count(line) == 1
             for kind, new in mutants_of(line) if new != line]
    step = max(1, len(found) // args.most)
    for n, kind, line, new in found[::step][:args.most]:
        rows.append("\t".join(["m%d:%s:%d" % (len(rows) + 1, os.path.basename(path), n + 1), path, line, new, kind, ""]))
if not rows:
    sys.exit("no mutants: no product file changed since %s" % args.base)
print("%d mutants in %d files" % (len(rows), len(files)), file=sys.stderr)
with tempfile.NamedTemporaryFile("w", suffix=".tsv", delete=False) as tsv:
    tsv.write("\n".join(rows) + "\n")
status = subprocess.call([sys.executable, os.path.join(root, "tests/faults/run.py"), "--faults", tsv.name,
                          "--scratch", args.scratch, "--survivors"])
os.unlink(tsv.name)
sys.exit(status)
