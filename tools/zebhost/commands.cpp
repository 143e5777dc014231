// The zebhost command line: the usage text and the dispatch of a command word to its command.
#include "commands.h"

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"

namespace zebhost {
namespace {

constexpr const char* kUsage =
    "usage: zebhost COMMAND ...\n"
    "  init [--data DIR] [--exe DIR]\n"
    "  project add NAME [--home-page URL] | project list | project remove NAME\n"
    "  partner add --project P --name N --home URL --find TEXT [--start URL --start-hop N]"
    " [--link-text TEXT] [--backlink URL]\n"
    "  partner list --project P | partner remove --project P --name N\n"
    "  partner import --project P FILE.csv\n"
    "  settings list [--network] | settings set NAME VALUE [--network]\n"
    "  check --project P (--partner N ... | --all) [--nodes] [--tick-ms MS]\n"
    "  gather --project P\n"
    "  bot [--project P] [--partner N ...] [--autorun]\n"
    "  analysis [--project P] [--partner N]\n"
    "  kwcompare [--project P] [--partner N]\n"
    "  demo [--dir DIR] [--sites DIR] [--tick-ms MS] [--original]\n";

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

}  // namespace

int RunZebhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  static const std::map<std::string,
                        std::function<int(const std::vector<std::string>&, std::ostream&)>>
      commands = {{"init", Init}, {"project", Project}, {"partner", Partner},
                  {"settings", Settings}, {"check", Check},
                  {"gather", Gather}, {"demo", Demo}, {"bot", Bot}, {"kwcompare", KwCompare}, {"analysis", Analysis}};
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    auto it = commands.find(args[0]);
    if (it == commands.end()) throw UsageError("unknown command \"" + args[0] + "\" (zebhost help lists them)");
    return it->second(rest, out);
  } catch (const UsageError& e) {
    err << "zebhost: " << OneLine(e.what()) << '\n';
    return 2;
  } catch (const std::exception& e) {
    err << "zebhost: " << OneLine(e.what()) << '\n';
    return 2;
  }
}

}  // namespace zebhost
