// zebhost init: the program and data folders, their tables and the seeded settings keys.
#include <optional>
#include <string>

#include "cli.h"
#include "command_groups.h"
#include "setup.h"

namespace zebhost {
namespace {

int Init(const ParsedArgs& a, std::ostream& out) {
  auto given = [&](const char* option) {
    std::optional<std::string> folder = a.Value(option);
    if (folder && folder->empty()) throw UsageError(std::string("--") + option + " needs a folder");
    return folder;
  };
  const std::optional<std::string> exe = given("exe");
  const std::optional<std::string> data = given("data");
  const SetupResult made = SetUp(exe, data);
  out << "Settings store: " << made.store << '\n'
      << "Program folder: " << made.folders.exe << '\n'
      << "Data folder:    " << made.folders.data << '\n'
      << "Tables:         " << made.folders.data << "zeb.sqlite (" << made.projects
      << " projects)\n"
      << "Next: zebhost project add NAME --home-page URL\n";
  return 0;
}

}  // namespace

std::vector<CommandSpec> InitCommands() {
  return {
      {"init",
       "Create the folders, tables and settings",
       "Creates the program and data folders, the tables in the data folder and the settings "
       "keys, with working defaults, and writes where they are into the settings store. Safe to "
       "rerun: existing data and settings stay, and without options the folders stay where the "
       "store says they are.",
       "zebhost init --data ~/zeb/data",
       {Option("--data", "DIR", "the data folder (tables and word lists)",
               "$XDG_DATA_HOME/Quillbex/data", ValueKind::kFolder),
        Option("--exe", "DIR", "the program folder (run report, window places)",
               "$XDG_DATA_HOME/Quillbex", ValueKind::kFolder)},
       Init},
  };
}

}  // namespace zebhost
