#include "run_polish.hpp"

int main(int argc, char** argv) { return static_cast<int>(run_polish(argc, argv)); }
