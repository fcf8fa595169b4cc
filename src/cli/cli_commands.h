#pragma once

namespace qorn {

// qorn-cli: the program's commands without a window. Returns the exit code:
// 0 done, 1 the command failed, 2 the command line was wrong.
int RunCli(int argc, char** argv);

}  // namespace qorn
