"""Checks of the end-to-end scripts run by CTest: each failed check is printed
at once, and the script ends with a count and a nonzero status if any failed."""
import os
import sys

# korvax under mpiexec: MPICH's start-up leaves a little memory that
# LeakSanitizer cannot attribute (see docs/testing.md).
KORVAX_ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0:verify_asan_link_order=0")
_failures = []
_checks = [0]


def check(ok, what):
    _checks[0] += 1
    if not ok:
        _failures.append(what)
        print("FAIL:", what)


def planted_portion(rng, n, length, letters, planted, changed=0):
    """n random sequences of the letters, each holding the planted text once
    with that many letters changed at random."""
    text = ""
    for i in range(n):
        seq = "".join(rng.choice(letters) for _ in range(length))
        copy = list(planted)
        for _ in range(changed):
            copy[rng.randrange(len(copy))] = rng.choice(letters)
        at = rng.randrange(0, length - len(planted))
        seq = seq[:at] + "".join(copy) + seq[at + len(planted):]
        text += ">s%d some description\n%s\n" % (i + 1, seq)
    return text


def finish():
    print("%d checks, %d failures" % (_checks[0], len(_failures)))
    sys.exit(1 if _failures else 0)


def read(*parts):
    """The text of the file os.path.join(*parts)."""
    with open(os.path.join(*parts)) as f:
        return f.read()


def write(text, *parts, encoding=None):
    with open(os.path.join(*parts), "w", encoding=encoding) as f:
        f.write(text)
