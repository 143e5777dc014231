// The command line of zebhost: each command declares its options, help text and example once, as
// a CommandSpec; ParseCommandLine (CLI11 underneath, in cli.cpp only) finds the command a line
// names and hands its values to the command as ParsedArgs. The --help texts, the manual page and
// the bash completion are all made from the same declarations (manual.h).
//
// Adding a command: write its run function, then add a CommandSpec to the list of its group
// (e.g. PartnerCommands() in project_commands.cpp):
//
//   {"partner show", "Show one partner",
//    "Every stored field of the partner, its last result and its recent history.",
//    "zebhost partner show --project \"My Site\" --name \"Cats Corner\"",
//    {Required("--project", "P", "the partner's project"),
//     Required("--name", "N", "the partner's name"),
//     Option("--last", "N", "how many of the latest checks to show", "10")},
//    PartnerShow},
//
// Adding an option: one more OptionSpec in that list; the run function reads it by name
// (args.Value("last")). A group ("partner") is a CommandSpec without a run function.
#ifndef ZEBHOST_CLI_H_
#define ZEBHOST_CLI_H_

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zebhost {

// Bad arguments or input: RunZebhost prints "zebhost: " + what() and exits with status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What shell completion offers for a value.
enum class ValueKind { kText, kFile, kFolder, kChoice };

// One option ("--project") or positional argument ("NAME") of a command.
struct OptionSpec {
  std::string name;          // "--project", or the positional's placeholder "FILE"
  std::string value_name;    // "P"; empty for a flag (never for a positional)
  std::string help;          // what it means, lower case, without a final full stop
  std::string default_text;  // the value when it is not given ("" when it has none)
  bool required = false;
  bool repeatable = false;  // may be given more than once (an option only)
  ValueKind kind = ValueKind::kText;
  std::vector<std::string> choices;  // the allowed values of a kChoice option

  bool positional() const { return name.rfind("--", 0) != 0; }
  bool flag() const { return !positional() && value_name.empty(); }
  // The option's name without its dashes ("project"), as ParsedArgs knows it.
  std::string key() const { return positional() ? name : name.substr(2); }
  // The help text with what is needed or assumed: "the project (required)",
  // "how often (default: 10)", "the output format: table, csv or json (default: table)".
  std::string Description() const;
};

// Builders that keep the declarations short.
OptionSpec Required(std::string name, std::string value_name, std::string help,
                    ValueKind kind = ValueKind::kText);
OptionSpec Option(std::string name, std::string value_name, std::string help,
                  std::string default_text = "", ValueKind kind = ValueKind::kText);
OptionSpec Repeatable(std::string name, std::string value_name, std::string help);
OptionSpec Flag(std::string name, std::string help);
OptionSpec Positional(std::string name, std::string help, ValueKind kind = ValueKind::kText);
// --format table|csv|json, for the listings (output_format.h reads it).
OptionSpec FormatOption();
// --out FILE: where a command writes its file instead of the standard output.
OptionSpec OutOption(std::string help);

class ParsedArgs;
using RunFunction = std::function<int(const ParsedArgs&, std::ostream&)>;

struct CommandSpec {
  std::string path;         // the command words: "partner edit"
  std::string summary;      // one line for the list of commands, capitalised, no full stop
  std::string description;  // a few sentences for its --help and the manual page
  std::string example;      // one command line that shows it in use
  std::vector<OptionSpec> options;
  RunFunction run;  // empty for a group of commands ("partner")

  // "zebhost partner edit --project P --name N [--home URL] ..."
  std::string Usage() const;
};

// The values of one parsed command line. Options are known by their name without dashes.
class ParsedArgs {
 public:
  // The option's value (the first, for a repeatable one); nullopt when not given.
  std::optional<std::string> Value(const std::string& option) const;
  std::vector<std::string> Values(const std::string& option) const;
  // The value of an option the spec marks required (ParseCommandLine has checked it is there).
  std::string Required(const std::string& option) const;
  bool Flag(const std::string& option) const { return Value(option).has_value(); }
  bool Has(const std::string& option) const { return Value(option).has_value(); }
  // The value of a positional argument by its placeholder ("NAME").
  std::string Positional(const std::string& name) const { return Required(name); }

  void Add(const std::string& option, std::string value) {
    values_[option].push_back(std::move(value));
  }

 private:
  std::map<std::string, std::vector<std::string>> values_;
};

// The outcome of a command line: a command to run with its values, or text to print (help or
// the version) with status 0.
struct ParsedLine {
  const CommandSpec* command = nullptr;
  ParsedArgs args;
  std::string text;  // help or version, when command is null
};

// Parses args (without the program name) against commands (the root first, path ""). Throws
// UsageError with a one-line message for bad use: an unknown command or option, a missing
// value, a required option left out, a non-repeatable option given twice, the wrong number of
// positional words, a value not among an option's choices.
ParsedLine ParseCommandLine(const std::vector<CommandSpec>& commands,
                            const std::vector<std::string>& args, const std::string& version);

// The help text of one command as --help prints it (for the manual's tests and "zebhost help").
std::string HelpText(const std::vector<CommandSpec>& commands, const std::string& path,
                     const std::string& version);

}  // namespace zebhost

#endif  // ZEBHOST_CLI_H_
