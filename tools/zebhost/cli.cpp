#include "cli.h"

namespace zebhost {

Arguments::Arguments(const std::vector<std::string>& args,
                     const std::set<std::string>& value_options,
                     const std::set<std::string>& flag_options,
                     const std::set<std::string>& repeatable) {
  bool options_done = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      if (arg == "--") {
        options_done = true;
        continue;
      }
      positional_.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> inline_value;
    if (std::size_t eq = name.find('='); eq != std::string::npos) {
      inline_value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (value_options.count(name) != 0) {
      std::string value;
      if (inline_value) {
        value = *inline_value;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("--" + name + " needs a value");
      }
      std::vector<std::string>& slot = values_[name];
      if (!slot.empty() && repeatable.count(name) == 0) {
        throw UsageError("--" + name + " is given twice");
      }
      slot.push_back(value);
    } else if (flag_options.count(name) != 0 && !inline_value) {
      flags_.insert(name);
    } else {
      throw UsageError("unknown option --" + name);
    }
  }
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
  auto it = values_.find(option);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

std::vector<std::string> Arguments::Values(const std::string& option) const {
  auto it = values_.find(option);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

std::string Arguments::Required(const std::string& option) const {
  std::optional<std::string> value = Value(option);
  if (!value) throw UsageError("--" + option + " is required");
  return *value;
}

void Arguments::ExpectPositional(std::size_t count, const std::string& usage) const {
  if (positional_.size() != count) throw UsageError("usage: " + usage);
}

}  // namespace zebhost
