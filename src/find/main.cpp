#include "run_find.hpp"

int main(int argc, char** argv) { return run_find(argc, argv); }
