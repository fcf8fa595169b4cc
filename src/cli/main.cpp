#include "cli/cli_commands.h"

int main(int argc, char** argv) { return qorn::RunCli(argc, argv); }
