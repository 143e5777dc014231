// The zebhost commands. RunZebhost is main() without the process: tests call it directly.
#ifndef ZEBHOST_COMMANDS_H_
#define ZEBHOST_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

namespace zebhost {

// Runs one command line (without the program name). Output goes to out, the one-line error of a
// failure to err as "zebhost: ...". Returns the exit status: 0 on success, 2 for bad arguments or
// input, 1 for an unexpected failure (a table or file error).
int RunZebhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zebhost

#endif  // ZEBHOST_COMMANDS_H_
