"""korvax-export on results of real korvax runs (fixed coin, two tasks).

Usage: export_e2e.py MPIEXEC KORVAX KORVAX_EXPORT

Every format is checked against the report's words; the MEME file is read
back by Biopython. Then what cannot be exported must fail with its message.
"""
import json
import os
import random
import re
import resource
import signal
import subprocess
import sys
import tempfile
import time

import Bio
from Bio import motifs

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_checks import KORVAX_ENV, check, finish, planted_portion, read, write  # noqa: E402

MPIEXEC, KORVAX, EXPORT = sys.argv[1:4]
# The MEME format makes every field after "letter-probability matrix:"
# optional; Biopython's reader takes a line without E= from 1.84 on.
BIOPYTHON_READS_WITHOUT_E = tuple(int(x) for x in Bio.__version__.split(".")[:2]) >= (1, 84)


def korvax(workdir, args):
    subprocess.run([MPIEXEC, "-n", "2", KORVAX] + args, cwd=workdir, env=KORVAX_ENV,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def export(workdir, args):
    return subprocess.run([EXPORT] + args, cwd=workdir, capture_output=True, text=True)


def reported_words(result_text, place=1):
    """The sequence lines of each portion's best quality block #place, read
    with a parser of its own: [(number, start, word, start2, word2)]."""
    portions = []
    blocks = re.findall(r"Best quality result #%d \[.*?\n(.*?)\n\n" % place, result_text, re.S)
    for block in blocks:
        words = []
        for line in block.split("\n"):
            m = re.match(r"\s*(\d+):.*\[(\d+)(?:;(\d+))?\] (\w+)(?:-\d+-(\w+))? \(", line)
            if m:
                words.append((int(m[1]), int(m[2]), m[4].upper(), int(m[3] or 0), (m[5] or "").upper()))
        portions.append(words)
    return portions


def column_counts(words, letters):
    return [[sum(w[pos] == a for w in words) for a in letters] for pos in range(len(words[0]))]


# ---- Exports of real results, checked against the result ----

rng = random.Random(17)
DNA, PROTEIN = "ACGT", "ACDEFGHIKLMNPQRSTVWY"
AT_RICH = "a" * 13 + "t" * 13 + "c" * 7 + "g" * 7   # 65% a and t
cases = [
    # name, korvax options, portions (None: a portion korvax skips), letters
    ("one word, three portions, the middle one skipped", ["-L6", "-D1"],
     [planted_portion(rng, 6, 30, "acgt", "ttgaca"), ">only\nacgtacgtac\n",
      planted_portion(rng, 5, 25, "acgt", "gattac")], DNA),
    ("word pair, level 2", ["-L5", "-LL4", "-SMIN3", "-SMAX5", "-SPEN0,0,0", "-D2"],
     [planted_portion(rng, 6, 32, "acgt", "tgaca" + "gca" + "tata")], DNA),
    ("protein, level 0", ["-ACID", "-L5", "-D0"],
     [planted_portion(rng, 5, 24, PROTEIN.lower(), "wkhmf"),
      planted_portion(rng, 4, 20, PROTEIN.lower(), "pdeyc")], PROTEIN),
    ("AT-rich, -BG1, two portions", ["-L6", "-BG1", "-U30"],
     [planted_portion(rng, 6, 40, AT_RICH, "gcacgc", 1), planted_portion(rng, 5, 36, AT_RICH, "cgtgcg", 1)], DNA),
]
workdirs = []
for name, options, portions, letters in cases:
    wd = tempfile.mkdtemp(prefix="korvax-export-")
    workdirs.append(wd)
    input_text = "\n".join(portions)
    write(input_text, wd, "in.seq")
    korvax(wd, options + ["in.seq"])
    result = read(wd, "in.seq.out")
    r = export(wd, ["--meme", "m.meme", "--sites", "s.tsv", "--bed", "s.bed", "--logo", "l.svg",
                    "--json", "j.json", "--input", "in.seq", "in.seq.out"])
    check(r.returncode == 0, "%s: exit %d, %s" % (name, r.returncode, r.stderr))
    skipped = [i + 1 for i, p in enumerate(portions) if p.count("\n") < 3]
    for k in skipped:
        check("data portion %d not exported" % k in r.stderr, "%s: no word of the skipped portion" % name)

    # The sites are the words of the report.
    expected = reported_words(result)
    exported = [k + 1 for k in range(len(portions)) if k + 1 not in skipped]
    check(len(expected) == len(exported), "%s: %d reported blocks" % (name, len(expected)))
    rows = [line.rstrip("\n").split("\t") for line in read(wd, "s.tsv").splitlines(True)]
    header, rows = rows[0], [dict(zip(rows[0], row)) for row in rows[1:]]
    bed = [line.split("\t") for line in read(wd, "s.bed").splitlines(True)]
    pair = "word2" in header
    check(len(bed) == len(rows) * (2 if pair else 1), "%s: one BED line per word" % name)
    for portion, words in zip(exported, expected):
        got = [(int(s["number"]), int(s["start"]), s["word"], int(s.get("start2", 0)), s.get("word2", ""))
               for s in rows if int(s["portion"]) == portion]
        check(got == words, "%s, portion %d: sites %s, reported %s" % (name, portion, got, words))
    for s, b in zip(rows, bed[::2] if pair else bed):
        check((b[0], int(b[1]), int(b[2])) == ("s" + s["number"], int(s["start"]) - 1, int(s["end"])),
              "%s: BED line %s for site %s" % (name, b, s))

    # The JSON and the MEME motifs hold the counts of those words.
    doc = json.loads(read(wd, "j.json"))
    check(doc["letters"] == letters, "%s: alphabet %s" % (name, doc["letters"]))
    json_motifs = [m for p in doc["portions"] if p["exported"] for m in p["motifs"]]
    words_of_motifs = []
    for portion in exported:
        sites = [s for s in rows if int(s["portion"]) == portion]
        words_of_motifs.append([s["word"] for s in sites])
        if pair:
            words_of_motifs.append([s["word2"] for s in sites])
    for m, words in zip(json_motifs, words_of_motifs):
        check(m["counts"] == column_counts(words, letters), "%s: JSON counts of %s" % (name, m["id"]))
        check(m["nsites"] == len(words), "%s: nsites of %s" % (name, m["id"]))
    if letters == DNA:
        with open(os.path.join(wd, "m.meme")) as f:
            read_back = motifs.parse(f, "minimal")
        check(len(read_back) == len(words_of_motifs), "%s: %d MEME motifs" % (name, len(read_back)))
        for m, words, jm in zip(read_back, words_of_motifs, json_motifs):
            counts = [[int(m.counts[a][pos]) for a in DNA] for pos in range(m.length)]
            check(m.name == jm["id"], "%s: MEME motif named %s" % (name, m.name))
            check(counts == column_counts(words, letters), "%s: MEME counts of %s" % (name, m.name))
        if pair:
            check(read_back[1].name.startswith("portion1.word2.spacing"), "%s: spacing in the name" % name)

    # Statistics: E= on every matrix line with the input, the E-value p times
    # the alignments (in log10), p-values in (0, 1], never written as 0.
    lpm = [line for line in read(wd, "m.meme").splitlines(True) if line.startswith("letter-probability matrix:")]
    check(len(lpm) == len(words_of_motifs) and all(" E= " in line for line in lpm), "%s: E= in MEME" % name)
    for p in doc["portions"]:
        if not p["exported"]:
            continue
        st = p["statistics"]
        check(p["evalue"] is not None and
              abs(p["log10_evalue"] - st["log10_llr_pvalue"] - st["log10_alignments"]) < 2e-4,
              "%s: E-value %s is not p times alignments" % (name, p["log10_evalue"]))
        check(st["sites"] == len(p["sites"]) and st["columns"] == p["l"] + p["l2"], "%s: statistics" % name)
        check(all(s["log10_pvalue"] <= 0 for s in p["sites"]), "%s: site p-value above 1" % name)
    pvalues = [s["pvalue"] for s in rows]
    check(all(re.fullmatch(r"\d\.\de[-+]\d\d+", v) and float(v) <= 1 for v in pvalues),
          "%s: sites table p-values %s" % (name, pvalues))

    # Without the input: no E-value, and no E= in the MEME file.
    r = export(wd, ["--json", "bare.json", "--meme", "bare.meme", "in.seq.out"])
    bare = read(wd, "bare.meme")
    bare_doc = json.loads(read(wd, "bare.json"))
    check(r.returncode == 0 and "E=" not in bare and bare.count("letter-probability matrix:") == len(lpm),
          "%s: MEME without the input: %s" % (name, r.stderr))
    check(all(p["evalue"] is None for p in bare_doc["portions"] if p["exported"]), "%s: E-value without input" % name)
    if letters == DNA and BIOPYTHON_READS_WITHOUT_E:
        with open(os.path.join(wd, "bare.meme")) as f:
            check(len(motifs.parse(f, "minimal")) == len(lpm), "%s: Biopython reads MEME without E=" % name)

    # --by evalue: the least E-value of every block reported.
    evalues = {}
    for ranking in ("quality", "proximity"):
        for place in (1, 2, 3):
            r = export(wd, ["--json", "-", "--input", "in.seq", "--by", ranking, "--place", str(place), "in.seq.out"])
            for p in json.loads(r.stdout)["portions"] if r.returncode == 0 else []:
                if p["exported"]:
                    evalues.setdefault(p["portion"], []).append(p["log10_evalue"])
    r = export(wd, ["--json", "-", "--input", "in.seq", "--by", "evalue", "in.seq.out"])
    chosen = {p["portion"]: p["log10_evalue"] for p in json.loads(r.stdout)["portions"] if p["exported"]}
    check(chosen == {k: min(v) for k, v in evalues.items()}, "%s: --by evalue chose %s of %s" % (name, chosen, evalues))

    # The logo renders.
    png = subprocess.run(["rsvg-convert", os.path.join(wd, "l.svg")], capture_output=True)
    check(png.returncode == 0 and png.stdout[:4] == b"\x89PNG", "%s: the logo does not render" % name)

# ---- -BG1: the run's own background, in MEME, JSON and the statistics ----

def meme_background(text):
    line = text.split("Background letter frequencies\n")[1].split("\n")[0].split()
    return {line[k]: float(line[k + 1]) for k in range(0, len(line), 2)}


def korvax_frequencies(text):
    """The letter frequencies korvax weighs with, counted by a reader of our
    own: every sequence line of every portion, an absent letter half a letter."""
    counts = {a: 0 for a in "acgt"}
    for line in text.split("\n"):
        if line and line[0] not in "<> #@%$()[];,.^'/":
            for c in line.lower():
                counts[c] = counts.get(c, 0) + 1
    total = sum(counts[a] for a in "acgt")
    return {a.upper(): (counts[a] if counts[a] else 0.5) / total for a in "acgt"}


bg = workdirs[-1]
expected = korvax_frequencies(read(bg, "in.seq"))
got = meme_background(read(bg, "m.meme"))
check(all(abs(got[a] - expected[a]) < 6e-5 for a in expected), "-BG1: MEME background %s, input %s" % (got, expected))
doc = json.loads(read(bg, "j.json"))
check(doc["background_source"] == "run_input", "-BG1 with the input: background source %s" % doc["background_source"])
# Without the input: from the weights, 2^(-w/4) scaled to 1 per portion, the mean of the portions.
with open(os.path.join(bg, "in.seq.out")) as f:
    weights = [dict((a, int(w)) for a, w in re.findall(r"(\w):(\d+)", m))
               for m in re.findall(r"weights=(\S+)", f.read())]
from_weights = {a.upper(): sum(2 ** (-w[a] / 4) / sum(2 ** (-v / 4) for v in w.values()) for w in weights) / len(weights)
                for a in "acgt"}
got = meme_background(read(bg, "bare.meme"))
check(len(weights) == 2 and all(abs(got[a] - from_weights[a]) < 6e-5 and abs(got[a] - expected[a]) < 0.1 * expected[a]
                                for a in expected), "-BG1 without the input: MEME background %s" % got)
check(json.load(open(os.path.join(bg, "bare.json")))["background_source"] == "run_weights", "-BG1: weights source")

# ---- What cannot be exported: a message and a non-zero exit ----

wd = workdirs[0]
lines = read(wd, "in.seq.out").split("\n")
title = next(i for i, l in enumerate(lines) if l.startswith("Best quality result #1"))
write("\n".join(lines[:title + 3]) + "\n", wd, "truncated.out")
refusals = [
    # arguments, exit code (the status word: 1 usage, 2 data, 4 file), words of the message
    (["in.seq"], 2, "not a korvax result file"),
    (["truncated.out"], 2, "line %d: a reported result does not show as many words as its power" % (title + 1)),
    (["missing.out"], 4, "missing.out: cannot open"),
    (["--portion", "2", "in.seq.out"], 2, "data portion 2: korvax skipped it"),
    (["--portion", "4", "in.seq.out"], 1, "there is no data portion 4"),
    (["--place", "9", "in.seq.out"], 2, "has no best quality result #9"),
    (["--input", os.path.join(workdirs[1], "in.seq"), "in.seq.out"], 2, "the input does not match"),
    (["--by", "size", "in.seq.out"], 1, "invalid option: --by size"),
    (["--by", "evalue", "in.seq.out"], 1, "--by evalue needs --input"),
]
for args, code, words in refusals:
    r = export(wd, args)
    check(r.returncode == code and words in r.stderr and r.stdout == "",
          "%s: exit %d, %r" % (" ".join(args), r.returncode, r.stderr))

# ---- Outputs: never an input, never each other, all or none ----

def snapshot(wd):
    return {f: open(os.path.join(wd, f), "rb").read() for f in sorted(os.listdir(wd))}


all_outputs = ["--meme", "m.meme", "--sites", "s.tsv", "--bed", "s.bed", "--logo", "l.svg", "--json", "j.json"]
clashes = [
    # arguments, words of the refusal (exit 1, nothing touched)
    (["--meme", "in.seq.out", "in.seq.out"], "is the input result file"),
    (["--input", "in.seq", "--bed", "./in.seq", "in.seq.out"], "is the input --input"),
    (["--meme", "new.meme", "--json", "new.meme", "in.seq.out"], "are one file"),
    (["--meme", "m.meme", "--logo", "../%s/m.meme" % os.path.basename(wd), "in.seq.out"], "are one file"),
]
os.symlink("in.seq.out", os.path.join(wd, "link.out"))
clashes.append((["--json", "link.out", "in.seq.out"], "is the input result file"))
for args, words in clashes:
    before = snapshot(wd)
    r = export(wd, args)
    check(r.returncode == 1 and words in r.stderr and snapshot(wd) == before,
          "%s: exit %d, %r" % (" ".join(args), r.returncode, r.stderr))


def no_temporaries(where):
    left = [f for f in os.listdir(wd) if ".korvax-" in f]
    check(not left, "%s: temporaries left: %s" % (where, left))


# A failed output leaves every output as it was: a missing folder, and a
# write that fails in the middle of a file (a file size limit, as a full disk).
before = snapshot(wd)
r = export(wd, all_outputs[:4] + ["--bed", "nodir/x.bed", "in.seq.out"])
check(r.returncode == 4 and "nodir/x.bed" in r.stderr and snapshot(wd) == before, "--bed nodir/x.bed: %r" % r.stderr)


def small_files():
    resource.setrlimit(resource.RLIMIT_FSIZE, (600, 600))
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)


r = subprocess.run([EXPORT, "--input", "in.seq"] + all_outputs + ["in.seq.out"], cwd=wd, capture_output=True,
                   text=True, preexec_fn=small_files)
check(r.returncode == 4 and "writing failed" in r.stderr and snapshot(wd) == before,
      "a write failing mid-file: exit %d, %r" % (r.returncode, r.stderr))
no_temporaries("a write failing mid-file")

# SIGTERM at any moment: the outputs are all complete or all as they were.
complete = export(wd, ["--input", "in.seq"] + all_outputs + ["in.seq.out"])
finished = snapshot(wd)
names = all_outputs[1::2]
for f in names:
    os.remove(os.path.join(wd, f))
for attempt in range(30):
    p = subprocess.Popen([EXPORT, "--input", "in.seq"] + all_outputs + ["in.seq.out"], cwd=wd,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(rng.uniform(0, 0.02))
    p.send_signal(signal.SIGTERM)
    p.wait()
    present = [f for f in names if os.path.exists(os.path.join(wd, f))]
    check(present in ([], names), "SIGTERM: outputs %s" % present)
    check(all(finished[f] == open(os.path.join(wd, f), "rb").read() for f in present), "SIGTERM: a cut output")
    no_temporaries("SIGTERM")
    for f in present:
        os.remove(os.path.join(wd, f))

v = export(wd, ["--version"])
echoed = re.search(r"\[v\.([0-9.]+)\]", open(os.path.join(workdirs[1], "in.seq.out")).read())[1]
check(v.returncode == 0 and v.stdout == "korvax-export %s\n" % echoed, "--version: %r" % v.stdout)

# ---- Names that hold a tab or a Latin-1 byte: columns and UTF-8 kept ----
wd = tempfile.mkdtemp(prefix="korvax-export-")
workdirs.append(wd)
portion = planted_portion(rng, 5, 30, "acgt", "ttgaca").split("\n")
portion[0], portion[2] = ">tab\there", ">caf\xe9 au lait"
write("\n".join(portion), wd, "in.seq", encoding="latin-1")
korvax(wd, ["-L6", "in.seq"])
r = subprocess.run([EXPORT, "--input", "in.seq", "--sites", "s.tsv", "--json", "j.json", "in.seq.out"], cwd=wd,
                   capture_output=True)
check(r.returncode == 0, "odd names: exit %d, %r" % (r.returncode, r.stderr))
with open(os.path.join(wd, "s.tsv"), "rb") as f:
    rows = f.read().split(b"\n")[:-1]
check(len({row.count(b"\t") for row in rows}) == 1, "odd names: the sites table has rows of other widths")
with open(os.path.join(wd, "j.json"), "rb") as f:
    doc = json.loads(f.read().decode("utf-8"))
got = {s["sequence"] for p in doc["portions"] for s in p["sites"]}
check("caf\xe9 au lait" in got and "tab\there" in got, "odd names in the JSON: %s" % got)

finish()
