"""korvax-polish on results of real korvax runs (fixed coin, two tasks, -F).

Usage: polish_e2e.py MPIEXEC KORVAX KORVAX_POLISH KORVAX_EXPORT SOURCE_DIR

korvax-polish measures every reported signal and history row again and
refuses a difference, so a clean polish checks korvax's measure against its
report. The polished file must be no worse, the same on a second run, read by
korvax-export --input, and a fixed point. Then what cannot be polished must
fail with its message and status.
"""
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_checks import KORVAX_ENV, check, finish, planted_portion  # noqa: E402

MPIEXEC, KORVAX, POLISH, EXPORT, SOURCE = sys.argv[1:6]


def run(args, cwd):
    return subprocess.run(args, cwd=cwd, env=KORVAX_ENV, capture_output=True, text=True)


def best_qualities(text):
    """Quality of place 1 by quality, per reported portion, by a parser of its own."""
    return [float(q) for q in re.findall(r"^Best quality result #1 \[.*quality: ([0-9.]+),", text, re.M)]


rng = random.Random(23)
DNA, PROTEIN = "acgt", "acdefghiklmnpqrstvwy"
with open(os.path.join(SOURCE, "examples", "crp0.seq")) as f:
    crp0 = f.read()
cases = [
    # name, korvax options, input
    ("the bundled example", ["-L22"], crp0),
    ("word pair with a motif, level 2", ["-L7", "-LL5", "-SMIN2", "-SMAX4", "-SPEN0,1,2", "-M'tgaCagc'", "-D2", "-U12"],
     planted_portion(rng, 8, 60, DNA, "tgacagc" + "gca" + "tatgc", 2)),
    ("protein, other bonuses, level 2", ["-ACID", "-L8", "-BA2", "-BX0", "-D2"],
     planted_portion(rng, 7, 40, PROTEIN, "wkhmfpde", 2)),
    ("three portions, the middle one skipped", ["-L7"],
     planted_portion(rng, 6, 40, DNA, "ttgacag", 2) + "\n>only\nacgtacgtac\n\n" +
     planted_portion(rng, 5, 35, DNA, "gattaca", 2)),
]
workdirs = []
for name, options, text in cases:
    wd = tempfile.mkdtemp(prefix="korvax-polish-")
    workdirs.append(wd)
    with open(os.path.join(wd, "in.seq"), "w") as f:
        f.write(text)
    run([MPIEXEC, "-n", "2", KORVAX, "-F"] + options + ["in.seq"], wd)
    with open(os.path.join(wd, "in.seq.out")) as f:
        result = f.read()
    p = run([POLISH, "in.seq", "in.seq.out", "--history", "in.seq.csv"], wd)
    check(p.returncode == 0, "%s: exit %d, %s" % (name, p.returncode, p.stderr))
    polished = p.stdout
    with open(os.path.join(wd, "polished.out"), "w") as f:
        f.write(polished)
    before, after = best_qualities(result), best_qualities(polished)
    check(len(before) == len(after) and all(a >= b for a, b in zip(after, before)),
          "%s: polished %s, run %s" % (name, after, before))
    check(run([POLISH, "in.seq", "in.seq.out", "--history", "in.seq.csv"], wd).stdout == polished,
          "%s: a second polish writes another file" % name)

    # korvax-export reads the polished file and finds its words in the input.
    e = run([EXPORT, "--input", "in.seq", "--sites", "-", "polished.out"], wd)
    check(e.returncode == 0, "%s: export exit %d, %s" % (name, e.returncode, e.stderr))

    # A polished signal is a fixed point: polishing it again changes nothing.
    again = run([POLISH, "in.seq", "polished.out"], wd)
    check(again.returncode == 0 and best_qualities(again.stdout) == after and
          again.stdout.count("Words changed from that signal: none") == len(after),
          "%s: polishing the polished file changed it: %s" % (name, again.stderr))

# ---- Runs and arguments that cannot be polished ----

one, pair = workdirs[0], workdirs[1]
run([MPIEXEC, "-n", "2", KORVAX, "-L22", "-D0", "in.seq", "d0.out"], one)
shutil.copy(os.path.join(pair, "in.seq"), os.path.join(one, "other.seq"))
shutil.copy(os.path.join(pair, "in.seq.csv"), os.path.join(one, "other.csv"))
with open(os.path.join(one, "in.seq.out")) as f:  # one reported quality off by 0.01
    m = re.search(r"^(Best quality result #1 \[.*quality: )([0-9.]+)", f.read(), re.M)
with open(os.path.join(one, "bad.out"), "w") as f:
    f.write(m.string[:m.start(2)] + "%.2f" % (float(m[2]) + 0.01) + m.string[m.end(2):])
errors = [
    ("a quality raised by 0.01", ["in.seq", "bad.out"], 2, "is not what korvax's measure gives"),
    ("a result written at -D0", ["in.seq", "d0.out"], 2, "no parameters lines"),
    ("the input of another run", ["other.seq", "in.seq.out"], 2, "does not match"),
    ("the history of another run", ["in.seq", "in.seq.out", "--history", "other.csv"], 2, "history"),
    ("an option korvax refuses", ["in.seq", "in.seq.out", "--with", "-BQ3"], 1, "refuses the option -BQ3"),
    ("a result file that is not there", ["in.seq", "none.out"], 4, "cannot open"),
    ("a missing file name", ["in.seq"], 1, "both needed"),
    ("an unknown option", ["--shifts", "3", "in.seq", "in.seq.out"], 1, "unknown option --shifts"),
]
for name, args, status, text in errors:
    r = run([POLISH] + args, one)
    check(r.returncode == status and text in r.stderr and r.stdout == "",
          "%s: exit %d, stderr %r" % (name, r.returncode, r.stderr))

for wd in workdirs:
    shutil.rmtree(wd)
finish()
