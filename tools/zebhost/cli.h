// Argument parsing for zebhost: positional words and "--name value" / "--flag" options.
#ifndef ZEBHOST_CLI_H_
#define ZEBHOST_CLI_H_

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zebhost {

// Bad arguments or input: main prints "zebhost: " + what() and exits with status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Arguments {
 public:
  // value_options take a value ("--data DIR"); flag_options take none ("--network").
  // Throws UsageError for an unknown option, a missing value or a repeated option (except those
  // listed in repeatable).
  Arguments(const std::vector<std::string>& args, const std::set<std::string>& value_options,
            const std::set<std::string>& flag_options,
            const std::set<std::string>& repeatable = {});

  const std::vector<std::string>& positional() const { return positional_; }
  std::optional<std::string> Value(const std::string& option) const;
  std::vector<std::string> Values(const std::string& option) const;
  // The value; throws UsageError naming the option when it was not given.
  std::string Required(const std::string& option) const;
  bool Flag(const std::string& option) const { return flags_.count(option) != 0; }

  // Throws UsageError unless there are exactly `count` positional words.
  void ExpectPositional(std::size_t count, const std::string& usage) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::vector<std::string>> values_;
  std::set<std::string> flags_;
};

}  // namespace zebhost

#endif  // ZEBHOST_CLI_H_
