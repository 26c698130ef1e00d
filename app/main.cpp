#include "app/cli/program.h"

int main(int argc, char* argv[]) { return app::cli::runProgram(argc, argv); }
