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
from e2e_checks import KORVAX_ENV, check, finish, planted_portion, read, write  # noqa: E402

MPIEXEC, KORVAX, POLISH, EXPORT, SOURCE = sys.argv[1:6]


def run(args, cwd):
    return subprocess.run(args, cwd=cwd, env=KORVAX_ENV, capture_output=True, text=True)


def best_qualities(text):
    """Quality of place 1 by quality, per reported portion, by a parser of its own."""
    return [float(q) for q in re.findall(r"^Best quality result #1 \[.*quality: ([0-9.]+),", text, re.M)]


rng = random.Random(23)
DNA, PROTEIN = "acgt", "acdefghiklmnpqrstvwy"
AT_RICH = "a" * 13 + "t" * 13 + "c" * 7 + "g" * 7   # 65% a and t
crp0 = read(SOURCE, "examples", "crp0.seq")
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
    # -BG1: every letter weighed by the portion's own frequencies (65% a and t).
    ("AT-rich, -BG1", ["-L7", "-BG1", "-U30"], planted_portion(rng, 8, 60, AT_RICH, "gcacgtg", 1)),
    ("AT-rich word pair, -BG1, level 2, conservation bonus", ["-L5", "-LL4", "-SMIN1", "-SMAX3", "-SPEN0,1,2", "-BG1",
                                                              "-BA1", "-D2", "-U12"],
     planted_portion(rng, 7, 40, AT_RICH, "cacgt" + "aa" + "gcgc", 1)),
    ("AT-rich both strands, -BG1, level 2", ["-L6", "-BG1", "-RC", "-D2", "-U20"],
     planted_portion(rng, 6, 50, AT_RICH, "gcgtgc", 1)),
    ("AT-rich word pair on both strands, -BG1", ["-L4", "-LL4", "-SMIN0", "-SMAX3", "-SPEN0,0,1,1", "-BG1", "-RC", "-U30"],
     planted_portion(rng, 8, 50, AT_RICH, "agct" + "a" + "ccta", 1)),
]
workdirs = []
for name, options, text in cases:
    wd = tempfile.mkdtemp(prefix="korvax-polish-")
    workdirs.append(wd)
    write(text, wd, "in.seq")
    run([MPIEXEC, "-n", "2", KORVAX, "-F"] + options + ["in.seq"], wd)
    result = read(wd, "in.seq.out")
    p = run([POLISH, "in.seq", "in.seq.out", "--history", "in.seq.csv"], wd)
    check(p.returncode == 0, "%s: exit %d, %s" % (name, p.returncode, p.stderr))
    polished = p.stdout
    write(polished, wd, "polished.out")
    before, after = best_qualities(result), best_qualities(polished)
    check(len(before) == len(after) and all(a >= b for a, b in zip(after, before)),
          "%s: polished %s, run %s" % (name, after, before))
    check(run([POLISH, "in.seq", "in.seq.out", "--history", "in.seq.csv"], wd).stdout == polished,
          "%s: a second polish writes another file" % name)

    if "word pair on both strands" in name:
        check(re.search(r"^ +\d+:.*\[\d+-;\d+-\] ", result, re.M) is not None,
              "%s: the report holds a word pair of the reverse strand" % name)
    # -BG1: the polished file shows the run's weights again (one parameters line each).
    check(set(re.findall(r"^.*background=1 .*$", polished, re.M)) == set(re.findall(r"^.*background=1 .*$", result, re.M)),
          "%s: the background part of the parameters lines" % name)

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
m = re.search(r"^(Best quality result #1 \[.*quality: )([0-9.]+)", read(one, "in.seq.out"), re.M)  # one reported quality off by 0.01
write(m.string[:m.start(2)] + "%.2f" % (float(m[2]) + 0.01) + m.string[m.end(2):], one, "bad.out")
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

# ---- Damaged files: refused by both programs, with the line and the reason ----
# Each damage is one found by fuzzing; none may abort (no exception escapes),
# exit 0, or write anything. (Sequence numbers out of order and letters of no
# alphabet in a word: ResultFile.DamagedReportsAreTakenOnlyWithinKorvaxLimits.)

def damaged(wd, source, edit, name):
    text = read(wd, source)
    new = edit(text)
    assert new != text, name
    write(new, wd, "damaged", encoding="latin-1")


def first_word_line(text):
    return re.search(r"^( +1:\S+ *\[)(\d+)(\] )(\w+)", text, re.M)


def sub_once(pattern, repl, flags=re.M):
    return lambda t: re.sub(pattern, repl, t, count=1, flags=flags)


def repeat_first_block(t):
    m = re.search(r"^Best quality result #1 .*?\n\n", t, re.M | re.S)
    return t[:m.end()] + m.group(0) + t[m.end():]


def letter_in_word(letter):
    def edit(t):
        m = first_word_line(t)
        return t[:m.start(4)] + letter + t[m.start(4) + 1:]
    return edit


one_word_damage = [
    # what, edit of crp0's result (-D1), words of the refusal
    ("motif line without its trailing blanks",
     sub_once(r"(aftermax=5\n)\n", r"\1motif='acgtacgtacgtacgtacgtac'  leff=22  a-bonus=1  A-penalty=5\n"),
     "the line after the parameters line cannot be read"),
    ("a word length korvax cannot write", sub_once(r"l=22 ", "l=70 "), "word lengths l=70"),
    ("no closing line (a killed run)", sub_once(r"^Global RC:.*\n", ""), 'no closing "Global RC" line'),
    ("a word start of 0", sub_once(r"^( +1:\S+ *\[)\d+\]", r"\g<1>0000]"), "starts outside the letters"),
    ("a word start near 2^31", sub_once(r"^( +1:\S+ *\[)\d+\]", r"\g<1>2147483640]"),
     "starts outside the letters"),
    ("a block repeated", repeat_first_block, "repeated block"),
]
pair_damage = [
    ("a spacing range over all ints", sub_once(r"spacing=\[2,4\]", "spacing=[-2147483647,2147483647]"),
     "spacing=[-2147483647,2147483647]"),
    ("a spacing range of 2e9", sub_once(r"spacing=\[2,4\]", "spacing=[0,2000000000]"),
     "spacing=[0,2000000000]"),
    ("fewer penalties than spacings", sub_once(r"penalty=0,1,2", "penalty=0,1"), "2 spacing penalties for 3"),
]
def expect_refused(wd, table, label=""):
    """Each damaged copy of wd's result file is refused by export and polish
    alike: exit 2, the reason named, nothing written."""
    for name, edit, words in table:
        damaged(wd, "in.seq.out", edit, name)
        for program in ([EXPORT, "--input", "in.seq", "--sites", "-", "damaged"], [POLISH, "in.seq", "damaged"]):
            r = run(program, wd)
            check(r.returncode == 2 and words in r.stderr and r.stdout == "",
                  "%s%s, %s: exit %d, %r" % (label, name, os.path.basename(program[0]), r.returncode, r.stderr))


for wd, table in ((one, one_word_damage), (pair, pair_damage)):
    expect_refused(wd, table)

history_damage = [
    ("cut at a line end (11 rows)", lambda t: "".join(t.splitlines(True)[:12]), "a cut history file?"),
    ("a word start near 2^31", sub_once(r"^(0\t0\t-1\t(?:[^\t]*\t){4})\d+", r"\g<1>2147483600"),
     "not a row of a korvax history file"),
]
for name, edit, words in history_damage:
    damaged(one, "in.seq.csv", edit, name)
    r = run([POLISH, "in.seq", "in.seq.out", "--history", "damaged"], one)
    check(r.returncode == 2 and words in r.stderr and r.stdout == "",
          "history %s: exit %d, %r" % (name, r.returncode, r.stderr))

# -BG1: a weight or letter korvax cannot write is a damaged file; weights
# that it can write but the input does not give belong to another input.
bg = workdirs[4]


def weight_of_a(delta):
    return sub_once(r"weights=a:(\d+)", lambda m: "weights=a:%d" % (int(m[1]) + delta))


def feasible(weights):
    """Frequencies 2^(-w/4), each within the rounding of its weight, can sum to 1."""
    least = sum(2 ** (-(w + 0.5) / 4) for w in weights)
    most = sum(1.0 if w == 1 else 2 ** (-(w - 0.5) / 4) for w in weights)
    return least <= 1 <= most


shown = [int(w) for w in re.search(r"weights=a:(\d+),c:(\d+),t:(\d+),g:(\d+)", read(bg, "in.seq.out")).groups()]
delta = next(d for d in (1, -1, 2, -2) if feasible([shown[0] + d] + shown[1:]))
bg_damage = [
    ("a weight of 0", sub_once(r"weights=a:\d+", "weights=a:0"), "the line after the parameters line cannot be read"),
    ("a weight above any portion's", sub_once(r"weights=a:\d+", "weights=a:89"),
     "the line after the parameters line cannot be read"),
    ("a letter outside the alphabet", sub_once(r",g:", ",z:"), "the line after the parameters line cannot be read"),
    ("a letter twice", sub_once(r",g:", ",a:"), "the line after the parameters line cannot be read"),
    ("no blanks after the weights", sub_once(r"(weights=\S+)  \n", r"\1\n"),
     "the line after the parameters line cannot be read"),
    ("weights of four equal letters at 6", sub_once(r"weights=\S+", "weights=a:6,c:6,t:6,g:6"), "cannot sum to 1"),
    ("the weights of another input", weight_of_a(delta),
     "the input's letter weights a:%d,c:%d,t:%d,g:%d differ from the run's a:%d," % tuple(shown + [shown[0] + delta])),
]
expect_refused(bg, bg_damage, "-BG1 ")
# --with cannot take the background away from a -BG1 run.
r = run([POLISH, "in.seq", "in.seq.out", "--with", "-BG0"], bg)
check(r.returncode == 2 and "the background (-BG) is 1 in the result file but 0" in r.stderr, "--with -BG0: %r" % r.stderr)
r = run([POLISH, "in.seq", "in.seq.out", "--with", "-BG0"], workdirs[5])
check(r.returncode == 2 and "-BG is 1 in the echo" in r.stderr, "--with -BG0 against the echo: %r" % r.stderr)

# Messages: a damaged word is not blamed on the bonuses; the input's open
# failure its reason.
damaged(one, "in.seq.out", letter_in_word("a" if first_word_line(open(os.path.join(one, "in.seq.out")).read())[4][0] != "a"
                                          else "c"), "a word changed")
r = run([POLISH, "in.seq", "damaged"], one)
check(r.returncode == 2 and "is not the input's" in r.stderr and "did the run have" not in r.stderr,
      "a changed word: %r" % r.stderr)
r = run([POLISH, "nothere.seq", "in.seq.out"], one)
check(r.returncode == 4 and "cannot open the input file: No such file or directory" in r.stderr,
      "a missing input: %r" % r.stderr)

# --with against the echo (-BA2 in the protein run at -D2) is refused as the
# parameters lines are; the same value is accepted.
prot = workdirs[2]
r = run([POLISH, "in.seq", "in.seq.out", "--with", "-BA3"], prot)
check(r.returncode == 2 and "-BA is 2 in the echo" in r.stderr and r.stdout == "", "--with -BA3: %r" % r.stderr)
r = run([POLISH, "in.seq", "in.seq.out", "--with", "-BA2"], prot)
check(r.returncode == 0, "--with the echo's own -BA2: %r" % r.stderr)

# ---- -o: checked against the inputs, written whole ----
for name, args in [("INPUT", ["-o", "in.seq"]), ("RESULT.out", ["-o", "./in.seq.out"]),
                   ("--history", ["--history", "in.seq.csv", "-o", "in.seq.csv"])]:
    before = {f: open(os.path.join(one, f), "rb").read() for f in ("in.seq", "in.seq.out", "in.seq.csv")}
    r = run([POLISH, "in.seq", "in.seq.out"] + args, one)
    after = {f: open(os.path.join(one, f), "rb").read() for f in before}
    check(r.returncode == 1 and "is the input %s" % name in r.stderr and before == after,
          "-o naming %s: exit %d, %r" % (name, r.returncode, r.stderr))
r = run([POLISH, "in.seq", "in.seq.out", "-o", "p.out"], one)
written = read(one, "p.out")
check(r.returncode == 0 and r.stdout == "" and written == run([POLISH, "in.seq", "in.seq.out"], one).stdout,
      "-o writes what standard output gets")
check(written.endswith("Global RC: 0  (time: 0 sec)\n\n"), "the polished file has its closing line")
r = run([POLISH, "in.seq", "in.seq.out", "-o", "nodir/p.out"], one)
check(r.returncode == 4 and "nothing written" in r.stderr, "-o into a missing folder: %r" % r.stderr)
v = run([POLISH, "--version"], one)
check(v.returncode == 0 and re.fullmatch(r"korvax-polish \d+\.\d+\n", v.stdout) is not None, "--version: %r" % v.stdout)

for wd in workdirs:
    shutil.rmtree(wd)
finish()
