# shapes.sh: sourced by the whole-run benchmarks. Writes the seeded planted
# inputs of the shapes of real collections into $work with $planted, and sets
# `runs` to the input and options of each run (ONLY="FILE OPTIONS" keeps one).
"$planted" 60 113 13 113 > "$work/p60x113.fa"
"$planted" 19 800 8 800 > "$work/p19x800.fa"
"$planted" 20 600 15 600 > "$work/p20x600.fa"
"$planted" 64 500 15 500 > "$work/p64x500.fa"
runs=("p60x113.fa -L13 -U300" "p19x800.fa -L6 -U1" "p19x800.fa -L8 -U1" "p20x600.fa -L15 -U20"
      "p64x500.fa -L15 -U6")
[ -n "${ONLY:-}" ] && runs=("$ONLY")
