// The one place that includes CLI11: it builds CLI11's tree of commands from the CommandSpecs,
// parses, and turns CLI11's outcomes into ParsedArgs or one-line UsageErrors. CLI11 does the
// tokenising (--name value, --name=value, "--", help flags) and the help layout; the checks whose
// messages users see (unknown words, missing or doubled values) are ours, so that their wording
// stays the same whatever CLI11 version builds zebhost.
#include "cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <utility>

namespace zebhost {
namespace {

constexpr int kManyWords = 1 << 20;

std::string Join(const std::vector<std::string>& words, const std::string& between) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : between) + w;
  return out;
}

// "table, csv or json"
std::string Alternatives(const std::vector<std::string>& words) {
  if (words.size() < 2) return Join(words, "");
  std::vector<std::string> head(words.begin(), words.end() - 1);
  return Join(head, ", ") + " or " + words.back();
}

std::vector<std::string> Children(const std::vector<CommandSpec>& commands,
                                  const std::string& path) {
  std::vector<std::string> words;
  for (const CommandSpec& c : commands) {
    if (c.path.empty() || c.path == path) continue;
    const std::string parent =
        c.path.find(' ') == std::string::npos ? std::string() : c.path.substr(0, c.path.rfind(' '));
    if (parent == path) words.push_back(c.path.substr(parent.empty() ? 0 : parent.size() + 1));
  }
  return words;
}

const CommandSpec& Find(const std::vector<CommandSpec>& commands, const std::string& path) {
  for (const CommandSpec& c : commands) {
    if (c.path == path) return c;
  }
  throw std::logic_error("no command \"" + path + "\" is declared");
}

constexpr std::size_t kHelpWidth = 79;

// The text's words in lines of at most `width` characters (a longer word has its own line).
std::string Wrap(const std::string& text, std::size_t width) {
  std::string out;
  std::size_t line = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (line > 0 && line + 1 + word.size() > width) {
      out += '\n';
      line = 0;
    } else if (line > 0) {
      out += ' ';
      ++line;
    }
    out += word;
    line += word.size();
  }
  return out;
}

// CLI11's help layout with our description (the long one; the list of commands shows the
// summary), our usage line and the example.
class HelpFormatter : public CLI::Formatter {
 public:
  void Add(const CLI::App* app, const CommandSpec* spec) { specs_[app] = spec; }

  std::string make_description(const CLI::App* app) const override {
    const CommandSpec* spec = specs_.at(app);
    return spec->summary + ".\n\n" +
           (spec->description.empty() ? "" : Wrap(spec->description, kHelpWidth) + "\n\n");
  }
  std::string make_usage(const CLI::App* app, std::string) const override {
    return "Usage: " + specs_.at(app)->Usage() + "\n";
  }
  std::string make_footer(const CLI::App* app) const override {
    const CommandSpec* spec = specs_.at(app);
    std::string footer = "Example:\n  " + spec->example + "\n";
    if (!spec->run) {
      footer += "\nRun \"zebhost " + (spec->path.empty() ? "" : spec->path + " ") +
                "COMMAND --help\" for the options of a command.\n";
    }
    return footer;
  }

 private:
  std::map<const CLI::App*, const CommandSpec*> specs_;
};

// CLI11's tree for the commands, with a place for every option's values.
struct Tree {
  std::unique_ptr<CLI::App> root;
  std::map<std::string, CLI::App*> apps;  // by path
  std::map<std::string, std::vector<std::pair<const OptionSpec*, CLI::Option*>>> options;
  // Values as CLI11 stores them; a std::map keeps their addresses stable.
  std::map<std::pair<std::string, std::string>, std::vector<std::string>> values;
  // A positional taken once binds to a single text: CLI11 would give a list all the words.
  std::map<std::pair<std::string, std::string>, std::string> singles;
};

std::unique_ptr<Tree> Build(const std::vector<CommandSpec>& commands, const std::string& version) {
  auto tree = std::make_unique<Tree>();
  auto formatter = std::make_shared<HelpFormatter>();
  const CommandSpec& root = Find(commands, "");
  tree->root = std::make_unique<CLI::App>(root.summary, "zebhost");
  formatter->label("Subcommands", "Commands");
  tree->root->formatter(formatter);
  tree->root->set_version_flag("--version", version, "print the version and exit");
  tree->apps[""] = tree->root.get();
  formatter->Add(tree->root.get(), &root);
  // Parents come before their children in the list, so each parent exists when its children
  // are added.
  for (const CommandSpec& spec : commands) {
    CLI::App* app = tree->root.get();
    if (!spec.path.empty()) {
      const std::size_t space = spec.path.rfind(' ');
      const std::string parent = space == std::string::npos ? "" : spec.path.substr(0, space);
      const std::string word = space == std::string::npos ? spec.path : spec.path.substr(space + 1);
      app = tree->apps.at(parent)->add_subcommand(word, spec.summary);
      tree->apps[spec.path] = app;
      formatter->Add(app, &spec);
    }
    app->allow_extras();
    app->set_help_flag("-h,--help", "print this help and exit");
    for (const OptionSpec& o : spec.options) {
      std::vector<std::string>& slot = tree->values[{spec.path, o.key()}];
      CLI::Option* option = nullptr;
      if (o.flag()) {
        option = app->add_flag(o.name);
      } else if (o.positional() && !o.repeatable) {
        option = app->add_option(o.name, tree->singles[{spec.path, o.key()}]);
        option->type_name("");
      } else {
        option = app->add_option(o.name, slot);
        option->type_name(o.positional() ? "" : o.value_name);
        // A repeatable positional takes the rest of the words; an option one value each time
        // it is given.
        if (o.positional()) {
          option->expected(0, kManyWords);
        } else {
          option->expected(1);
        }
        if (!o.positional()) {
          option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)->allow_extra_args(false);
        }
      }
      option->description(o.Description());
      tree->options[spec.path].emplace_back(&o, option);
    }
  }
  return tree;
}

// The option's name without a value given with "=".
std::string OptionWord(const std::string& word) { return word.substr(0, word.find('=')); }

bool IsOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// The command line's words that no command took, from the root to the chosen command.
std::vector<std::string> Leftovers(const Tree& tree, const std::string& path) {
  std::vector<std::string> words;
  std::string prefix;
  auto take = [&](const std::string& p) {
    for (const std::string& w : tree.apps.at(p)->remaining(false)) {
      if (w != "--") words.push_back(w);
    }
  };
  take("");
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(' ', start);
    if (end == std::string::npos) end = path.size();
    take(path.substr(0, end));
    start = end + 1;
  }
  return words;
}

// Throws the UsageError that a group's leftover words call for (or its usage when none).
[[noreturn]] void RefuseGroup(const std::vector<CommandSpec>& commands, const CommandSpec& spec,
                              const std::vector<std::string>& leftovers) {
  const std::vector<std::string> children = Children(commands, spec.path);
  for (const std::string& w : leftovers) {
    if (IsOptionWord(w)) continue;
    if (spec.path.empty()) {
      throw UsageError("unknown command \"" + w + "\" (zebhost help lists them)");
    }
    throw UsageError("unknown " + spec.path + " command \"" + w + "\" (" + Join(children, ", ") +
                     ")");
  }
  if (!leftovers.empty()) throw UsageError("unknown option " + OptionWord(leftovers.front()));
  if (spec.path.empty()) throw UsageError("a command is needed (zebhost help lists them)");
  throw UsageError("usage: zebhost " + spec.path + " " + Join(children, "|") + " ...");
}

// The values of the chosen command, after the checks of its declarations.
ParsedArgs Collect(Tree& tree, const CommandSpec& spec, const std::vector<std::string>& leftovers) {
  for (const std::string& w : leftovers) {
    if (IsOptionWord(w)) throw UsageError("unknown option " + OptionWord(w));
  }
  if (!leftovers.empty()) throw UsageError("usage: " + spec.Usage());
  ParsedArgs args;
  for (const auto& [o, option] : tree.options[spec.path]) {
    std::vector<std::string> values = tree.values[{spec.path, o->key()}];
    if (o->positional() && !o->repeatable && option->count() > 0) {
      values = {tree.singles[{spec.path, o->key()}]};
    }
    if (o->positional()) {
      if (values.empty() && o->required) throw UsageError("usage: " + spec.Usage());
    } else if (o->required && option->count() == 0) {
      throw UsageError(o->name + " is required");
    } else if (!o->repeatable && option->count() > 1) {
      throw UsageError(o->name + " is given twice");
    }
    if (o->flag()) {
      if (option->count() > 0) args.Add(o->key(), "");
      continue;
    }
    for (const std::string& v : values) {
      if (!o->choices.empty() &&
          std::find(o->choices.begin(), o->choices.end(), v) == o->choices.end()) {
        throw UsageError(o->name + " \"" + v + "\" is not " + Alternatives(o->choices));
      }
      args.Add(o->key(), v);
    }
  }
  return args;
}

// The chosen command: the last one CLI11 selected on the way down from the root.
std::string ChosenPath(const Tree& tree) {
  std::string path;
  const CLI::App* app = tree.root.get();
  while (true) {
    std::vector<CLI::App*> chosen = app->get_subcommands();
    if (chosen.empty()) return path;
    app = chosen.front();
    path += (path.empty() ? "" : " ") + app->get_name();
  }
}

}  // namespace

std::string OptionSpec::Description() const {
  std::string text = help;
  if (!choices.empty()) text += ": " + Alternatives(choices);
  if (required && !positional()) {
    text += " (required)";
  } else if (!default_text.empty()) {
    text += " (default: " + default_text + ")";
  } else if (!positional() && !flag()) {
    text += " (default: none)";
  }
  if (repeatable) text += "; may be given more than once";
  return text;
}

namespace {

OptionSpec Make(std::string name, std::string value_name, std::string help) {
  OptionSpec o;
  o.name = std::move(name);
  o.value_name = std::move(value_name);
  o.help = std::move(help);
  return o;
}

}  // namespace

OptionSpec Required(std::string name, std::string value_name, std::string help, ValueKind kind) {
  OptionSpec o = Make(std::move(name), std::move(value_name), std::move(help));
  o.required = true;
  o.kind = kind;
  return o;
}

OptionSpec Option(std::string name, std::string value_name, std::string help,
                  std::string default_text, ValueKind kind) {
  OptionSpec o = Make(std::move(name), std::move(value_name), std::move(help));
  o.default_text = std::move(default_text);
  o.kind = kind;
  return o;
}

OptionSpec Repeatable(std::string name, std::string value_name, std::string help) {
  OptionSpec o = Make(std::move(name), std::move(value_name), std::move(help));
  o.repeatable = true;
  return o;
}

OptionSpec Flag(std::string name, std::string help) {
  return Make(std::move(name), "", std::move(help));
}

OptionSpec Positional(std::string name, std::string help, ValueKind kind) {
  OptionSpec o = Make(name, name, std::move(help));
  o.required = true;
  o.kind = kind;
  return o;
}

OptionSpec FormatOption() {
  OptionSpec o = Option("--format", "FORMAT", "the output format", "table", ValueKind::kChoice);
  o.choices = {"table", "csv", "json"};
  return o;
}

OptionSpec OutOption(std::string help) {
  return Option("--out", "FILE", std::move(help), "the standard output", ValueKind::kFile);
}

std::string CommandSpec::Usage() const {
  std::string usage = "zebhost" + (path.empty() ? "" : " " + path);
  if (!run) return usage + " COMMAND ...";
  for (const OptionSpec& o : options) {
    std::string word = o.positional() ? o.name : o.name + (o.flag() ? "" : " " + o.value_name);
    if (o.repeatable) word += " ...";
    usage += " " + (o.required ? word : "[" + word + "]");
  }
  return usage;
}

std::optional<std::string> ParsedArgs::Value(const std::string& option) const {
  auto it = values_.find(option);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

std::vector<std::string> ParsedArgs::Values(const std::string& option) const {
  auto it = values_.find(option);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

std::string ParsedArgs::Required(const std::string& option) const {
  std::optional<std::string> value = Value(option);
  if (!value) throw UsageError("--" + option + " is required");
  return *value;
}

ParsedLine ParseCommandLine(const std::vector<CommandSpec>& commands,
                            const std::vector<std::string>& args, const std::string& version) {
  std::unique_ptr<Tree> tree = Build(commands, version);
  ParsedLine line;
  // CLI11 takes the words last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    tree->root->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    line.text = tree->root->help();
    return line;
  } catch (const CLI::CallForVersion&) {
    line.text = "zebhost " + version + "\n";
    return line;
  } catch (const CLI::ArgumentMismatch& e) {
    // CLI11 names the option first: "--data: 1 required DIR missing".
    const std::string what = e.what();
    throw UsageError(what.substr(0, what.find(':')) + " needs a value");
  } catch (const CLI::ParseError& e) {
    throw UsageError(e.what());
  }
  const std::string path = ChosenPath(*tree);
  const CommandSpec& spec = Find(commands, path);
  const std::vector<std::string> leftovers = Leftovers(*tree, path);
  if (!spec.run) RefuseGroup(commands, spec, leftovers);
  line.args = Collect(*tree, spec, leftovers);
  line.command = &spec;
  return line;
}

std::string HelpText(const std::vector<CommandSpec>& commands, const std::string& path,
                     const std::string& version) {
  if (std::none_of(commands.begin(), commands.end(),
                   [&](const CommandSpec& c) { return c.path == path; })) {
    throw UsageError("unknown command \"" + path + "\" (zebhost help lists them)");
  }
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(' ', start);
    if (end == std::string::npos) end = path.size();
    args.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  args.push_back("--help");
  return ParseCommandLine(commands, args, version).text;
}

}  // namespace zebhost
