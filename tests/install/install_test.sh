#!/usr/bin/env bash
# make install: every program lands in bin/ with its man page in
# share/man/man1/, and each page renders without a warning where man is
# installed. Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/korvax-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }
for program in korvax korvax-prep korvax-export korvax-polish korvax-find; do
  [ -e "$prefix/bin/$program" ] || fail "$program is not installed"
done
for program in "$prefix"/bin/*; do
  name=$(basename "$program")
  page=$prefix/share/man/man1/$name.1
  [ -x "$program" ] || fail "$name is not executable"
  [ -f "$page" ] || { fail "$name has no man page"; continue; }
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot render $name.1"
    [ -z "$warnings" ] || fail "$name.1: $warnings"
    found=$(MANPATH=$prefix/share/man man -w "$name" 2>/dev/null) || true
    [ "$found" = "$page" ] || fail "man $name finds \"$found\", not $page"
  fi
done
[ "$status" -eq 0 ] && echo "installed and documented: $(ls "$prefix/bin" | tr '\n' ' ')"
exit "$status"
