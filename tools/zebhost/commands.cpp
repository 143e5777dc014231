// The zebhost command line: the list of commands, and the run of one command line.
#include "commands.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"

namespace zebhost {
namespace {

// An error message on one line: control characters of user text are shown as escapes.
std::string OneLine(const std::string& message) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  for (char c : message) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7f) {
      out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// help [COMMAND ...]: the help of the command those words name.
int Help(const std::vector<std::string>& words, std::ostream& out) {
  std::string path;
  for (const std::string& word : words) path += (path.empty() ? "" : " ") + word;
  out << HelpText(AllCommands(), path, Version());
  return 0;
}

std::vector<CommandSpec> MakeCommands() {
  std::vector<CommandSpec> commands = {
      {"",
       "Keep track of the backlinks your link partners promised",
       "zebhost drives the ZEB Bot library without its windows: it keeps your projects (your own "
       "sites) and their link partners, checks whether each partner's site still links to you, and "
       "opens the bot's windows when there is a desktop. Every command but init and demo finds "
       "its data through the settings store that init writes.",
       "zebhost partner --help",
       {},
       {}},
      {"help",
       "Show the help of zebhost or of one of its commands",
       "The same text as COMMAND --help.",
       "zebhost help partner edit",
       {[] {
         OptionSpec o = Positional("COMMAND", "the command words whose help to show");
         o.required = false;
         o.repeatable = true;
         return o;
       }()},
       [](const ParsedArgs& args, std::ostream& out) { return Help(args.Values("COMMAND"), out); }},
  };
  for (auto group : {InitCommands, ProjectCommands, PartnerCommands, SettingsCommands,
                     CheckCommands, ReportCommands, GatherCommands, WindowCommands, DemoCommands}) {
    for (CommandSpec& spec : group()) commands.push_back(std::move(spec));
  }
  return commands;
}

}  // namespace

const char* Version() { return ZEB_VERSION; }

const std::vector<CommandSpec>& AllCommands() {
  static const std::vector<CommandSpec> commands = MakeCommands();
  return commands;
}

int Dispatch(const std::vector<std::string>& args, std::ostream& out) {
  // The words after "help" name a command; CLI11 would take them for commands to run.
  const auto is_help_flag = [](const std::string& w) { return w == "--help" || w == "-h"; };
  if (!args.empty() && args[0] == "help" && std::none_of(args.begin(), args.end(), is_help_flag)) {
    return Help({args.begin() + 1, args.end()}, out);
  }
  ParsedLine line = ParseCommandLine(AllCommands(), args, Version());
  if (line.command == nullptr) {
    out << line.text;
    return 0;
  }
  return line.command->run(line.args, out);
}

int RunZebhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return Dispatch(args, out);
  } catch (const std::exception& e) {
    err << "zebhost: " << OneLine(e.what()) << '\n';
    return 2;
  }
}

}  // namespace zebhost
