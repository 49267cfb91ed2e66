#include "export_cli.hpp"

int main(int argc, char** argv) { return static_cast<int>(run_export(argc, argv)); }
