// The zebhost commands. RunZebhost is main() without the process: tests call it directly.
#ifndef ZEBHOST_COMMANDS_H_
#define ZEBHOST_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

#include "cli.h"

namespace zebhost {

// Runs one command line (without the program name). Output goes to out, the one-line error of a
// failure to err as "zebhost: ...". Returns the exit status: 0 on success (help and --version
// included), 2 for bad use, bad input or a failure.
int RunZebhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Every command of zebhost, the root (path "") first and each group before its members.
const std::vector<CommandSpec>& AllCommands();

// The version that --version prints.
const char* Version();

}  // namespace zebhost

#endif  // ZEBHOST_COMMANDS_H_
