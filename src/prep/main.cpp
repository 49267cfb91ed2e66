// main.cpp: korvax-prep, everyday FASTA and FASTQ files made into korvax input.
#include "run_prep.hpp"

int main(int argc, char** argv) { return static_cast<int>(run_prep(argc, argv)); }
