// The zebhost commands, declared by group: each function returns the CommandSpecs of its group,
// the group itself first (a spec without a run function) and then its commands, so that a group
// exists before its members are added (cli.h says how to add a command or an option).
#ifndef ZEBHOST_COMMAND_GROUPS_H_
#define ZEBHOST_COMMAND_GROUPS_H_

#include <ostream>
#include <string>
#include <vector>

#include "cli.h"

namespace zebhost {

// init (init_command.cpp)
std::vector<CommandSpec> InitCommands();
// project add|list|remove (project_commands.cpp)
std::vector<CommandSpec> ProjectCommands();
// partner add|edit|show|list|remove|import|export (partner_commands.cpp)
std::vector<CommandSpec> PartnerCommands();
// settings list|set (settings_command.cpp)
std::vector<CommandSpec> SettingsCommands();
// check (check_command.cpp)
std::vector<CommandSpec> CheckCommands();
// report (report_command.cpp)
std::vector<CommandSpec> ReportCommands();
// gather (gather_command.cpp)
std::vector<CommandSpec> GatherCommands();
// bot, analysis, kwcompare: the windows, through libzebbot.so's exports (window_commands.cpp)
std::vector<CommandSpec> WindowCommands();
// demo (demo_command.cpp)
std::vector<CommandSpec> DemoCommands();

// Runs one command line (without the program name) as RunZebhost does, but lets a UsageError
// or any other failure escape: for commands that drive others (demo).
int Dispatch(const std::vector<std::string>& args, std::ostream& out);

}  // namespace zebhost

#endif  // ZEBHOST_COMMAND_GROUPS_H_
