// main.cpp: korvax, common signal search in sets of sequences, as an MPI job.
#include "run_driver.hpp"

int main(int argc, char** argv) { return exit_status(run_korvax(argc, argv)); }
