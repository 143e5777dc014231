// zebhost bot: opens the bot console window.
#ifndef ZEBHOST_BOT_COMMAND_H_
#define ZEBHOST_BOT_COMMAND_H_

#include <ostream>
#include <string>
#include <vector>

namespace zebhost {

// bot [--project P] [--partner N ...] [--autorun]: shows the console until it is closed.
int Bot(const std::vector<std::string>& args, std::ostream& out);

}  // namespace zebhost

#endif  // ZEBHOST_BOT_COMMAND_H_
