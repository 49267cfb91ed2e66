"""korvax-find end to end: from a wrapped FASTA file to a folder with a page.

Usage: find_e2e.py KORVAX_FIND SOURCE_DIR

The folder holds every file and the planted signal; an existing folder is
refused, or replaced with --force only when korvax-find made it; a bad korvax
option is refused before anything runs; Ctrl-C leaves nothing behind.
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

from Bio import motifs

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_checks import KORVAX_ENV, check, finish, planted_portion, read, write  # noqa: E402

FIND, SOURCE = sys.argv[1:3]
PLANTED = "ttgacagctagctcagt"


def find(workdir, args, **kw):
    return subprocess.run([FIND] + args, cwd=workdir, env=KORVAX_ENV, capture_output=True, text=True, **kw)


def wrapped_fasta(text, width=60):
    """The FASTA text with every sequence wrapped at width letters."""
    out = []
    for line in text.splitlines():
        if line.startswith(">"):
            out.append(line)
        else:
            out.extend(line[k:k + width] for k in range(0, len(line), width))
    return "\n".join(out) + "\n"


FILES = ["index.html", "motif.meme", "sites.tsv", "sites.bed", "logo.svg", "result.json",
         "input.seq", "input.seq.out", "input.seq.csv", "polished.out", "korvax-find.log"]

with tempfile.TemporaryDirectory() as wd:
    rng = random.Random(11)
    write(wrapped_fasta(planted_portion(rng, 12, 150, "acgt", PLANTED, changed=1)), wd, "planted.fa")

    # The whole road: prep (the file is wrapped), korvax, polish, export, page.
    r = find(wd, ["--out", "res", "--tasks", "2", "-L17", "-U200", "planted.fa"])
    check(r.returncode == 0, "a run ends with 0: %s" % r.stderr)
    check("res written" in r.stderr, "the last line names the folder: %s" % r.stderr)
    res = os.path.join(wd, "res")
    for name in FILES:
        check(os.path.isfile(os.path.join(res, name)), "%s is written" % name)
    check(not [n for n in os.listdir(wd) if ".partial-" in n], "no partial folder is left")
    rows = [line.rstrip("\n").split("\t") for line in read(res, "sites.tsv").splitlines(True)][1:]
    words = [row[6].lower() for row in rows]
    near = [w for w in words if sum(a != b for a, b in zip(w, PLANTED)) <= 2]
    check(len(words) >= 10 and len(near) >= 10,
          "the planted word is found in most sequences: %s" % words)
    with open(os.path.join(res, "motif.meme")) as f:
        meme = motifs.parse(f, "minimal")
    check(len(meme) == 1 and meme[0].length == len(PLANTED), "Biopython reads the motif")
    page = read(res, "index.html")
    check("Common signal of planted.fa" in page and "<img src=\"logo.svg\"" in page and
          rows[0][6] in page, "the page shows the motif, its logo and its sites")
    check("-C1 -F input.seq" in page, "the page shows the korvax command")

    # An existing folder: refused; replaced with --force.
    before = read(res, "motif.meme")
    r = find(wd, ["--out", "res", "-L17", "-U50", "planted.fa"])
    check(r.returncode == 1 and "res exists" in r.stderr, "an existing folder is refused: %s" % r.stderr)
    check(read(res, "motif.meme") == before, "the refused run leaves the folder as it was")
    r = find(wd, ["--out", "res", "--force", "-L17", "-U50", "planted.fa"])
    check(r.returncode == 0, "--force replaces a folder korvax-find made: %s" % r.stderr)
    os.mkdir(os.path.join(wd, "mine"))
    write("keep me\n", wd, "mine", "notes.txt")
    r = find(wd, ["--out", "mine", "--force", "-L17", "planted.fa"])
    check(r.returncode == 1 and "did not make it" in r.stderr,
          "--force does not replace a folder of the user's: %s" % r.stderr)
    check(os.listdir(os.path.join(wd, "mine")) == ["notes.txt"], "the user's folder is untouched")

    # Bad arguments: refused before anything runs.
    for args, said in [(["--out", "x", "-L99", "planted.fa"], "invalid korvax option -L99"),
                       (["--out", "x", "-L17", "missing.fa"], "cannot read missing.fa"),
                       (["--out", "x", "--tasks", "1", "planted.fa"], "--tasks takes a whole number"),
                       (["-L17", "planted.fa"], "no --out DIR given")]:
        r = find(wd, args)
        check(r.returncode == 1 and said in r.stderr, "%s: %s" % (said, r.stderr))
        check(not os.path.exists(os.path.join(wd, "x")), "nothing is made for %s" % said)

    # Ctrl-C while korvax runs: exit 130 and nothing left.
    write(planted_portion(rng, 40, 700, "acgt", PLANTED, changed=3), wd, "long.fa")
    p = subprocess.Popen([FIND, "--out", "long", "--tasks", "2", "-L12", "-U100000", "long.fa"],
                         cwd=wd, env=KORVAX_ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.time() + 60
    while time.time() < deadline:  # until korvax has begun its portion
        partial = [n for n in os.listdir(wd) if n.startswith("long.partial-")]
        console = os.path.join(wd, partial[0], "korvax.console") if partial else ""
        if console and os.path.exists(console) and "Job accepted" in open(console).read():
            break
        time.sleep(0.2)
    p.send_signal(signal.SIGINT)
    out, err = p.communicate(timeout=120)
    check(p.returncode == 130 and "interrupted; nothing written" in err, "Ctrl-C: %d %s" % (p.returncode, err))
    check(sorted(n for n in os.listdir(wd) if n.startswith("long")) == ["long.fa"],
          "no folder of the interrupted run: %s" % os.listdir(wd))

finish()
