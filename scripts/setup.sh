#!/usr/bin/env bash
# Installs what korvax needs to build and test, with apt-get, when missing.
# Does nothing when everything is there.
set -euo pipefail

# python3-biopython and librsvg2-bin: the korvax-export tests read its MEME
# motifs back and render its logos. clang and libclang-rt-14-dev: the fuzz
# targets (scripts/fuzz.sh).
packages=(g++ make cmake mpich libmpich-dev libgtest-dev zlib1g-dev python3-biopython librsvg2-bin
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
