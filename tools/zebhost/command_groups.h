// The zebhost commands that RunZebhost dispatches to, one entry point per command word. Each
// takes the arguments after its word, writes its report to out and returns the exit status;
// bad arguments or input throw UsageError.
#ifndef ZEBHOST_COMMAND_GROUPS_H_
#define ZEBHOST_COMMAND_GROUPS_H_

#include <ostream>
#include <string>
#include <vector>

namespace zebhost {

// init [--data DIR] [--exe DIR] (init_command.cpp)
int Init(const std::vector<std::string>& args, std::ostream& out);
// project add|list|remove (project_commands.cpp)
int Project(const std::vector<std::string>& args, std::ostream& out);
// partner add|list|remove|import (project_commands.cpp)
int Partner(const std::vector<std::string>& args, std::ostream& out);
// settings list|set (settings_command.cpp)
int Settings(const std::vector<std::string>& args, std::ostream& out);
// check --project P (--partner N ... | --all) (check_command.cpp)
int Check(const std::vector<std::string>& args, std::ostream& out);
// gather --project P (gather_command.cpp)
int Gather(const std::vector<std::string>& args, std::ostream& out);
// demo [--dir DIR] [--sites DIR] [--tick-ms MS] (demo_command.cpp)
int Demo(const std::vector<std::string>& args, std::ostream& out);
// The windows, through libzebbot.so's exports (window_commands.cpp):
// bot [--project P] [--partner N ...] [--autorun]
int Bot(const std::vector<std::string>& args, std::ostream& out);
// analysis [--project P] [--partner N]
int Analysis(const std::vector<std::string>& args, std::ostream& out);
// kwcompare [--project P] [--partner N]
int KwCompare(const std::vector<std::string>& args, std::ostream& out);

}  // namespace zebhost

#endif  // ZEBHOST_COMMAND_GROUPS_H_
