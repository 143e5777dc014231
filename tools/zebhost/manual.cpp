#include "manual.h"

#include <stdexcept>

namespace zebhost {
namespace {

void Replace(std::string& text, const std::string& marker, const std::string& with) {
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) throw std::invalid_argument("the manual's template lacks " + marker);
  text.replace(at, marker.size(), with);
}

// A usage line in roff, on one line: the command words and option names bold, the
// placeholders italic.
std::string RoffUsage(const CommandSpec& spec) {
  auto bold = [](const std::string& text) { return "\\fB" + RoffText(text) + "\\fR"; };
  auto italic = [](const std::string& text) { return "\\fI" + RoffText(text) + "\\fR"; };
  std::string out = bold("zebhost" + (spec.path.empty() ? "" : " " + spec.path));
  if (!spec.run) return out + " " + italic("COMMAND") + " ...\n";
  for (const OptionSpec& o : spec.options) {
    std::string word = o.positional() ? italic(o.name)
                       : o.flag()     ? bold(o.name)
                                      : bold(o.name) + " " + italic(o.value_name);
    if (o.repeatable) word += " ...";
    out += " " + (o.required ? word : "[" + word + "]");
  }
  return out + "\n";
}

std::string RoffCommand(const CommandSpec& spec) {
  std::string out = ".SS \"" + RoffText(spec.path) + "\"\n" + RoffText(spec.summary) + ".\n";
  if (!spec.description.empty()) out += RoffText(spec.description) + "\n";
  if (spec.run) {
    out += ".PP\n" + RoffUsage(spec);
    for (const OptionSpec& o : spec.options) {
      out += ".TP\n";
      if (o.positional()) {
        out += ".I " + RoffText(o.name) + "\n";
      } else if (o.flag()) {
        out += ".B " + RoffText(o.name) + "\n";
      } else {
        out += ".BI " + RoffText(o.name) + " \" " + RoffText(o.value_name) + "\"\n";
      }
      out += RoffText(o.Description()) + ".\n";
    }
  }
  out += ".PP\nExample:\n.RS\n.nf\n" + RoffText(spec.example) + "\n.fi\n.RE\n";
  return out;
}

// The words that follow a command (its commands), for completion.
std::string Children(const std::vector<CommandSpec>& commands, const std::string& path) {
  std::string words;
  for (const CommandSpec& c : commands) {
    if (c.path.empty()) continue;
    const std::size_t space = c.path.rfind(' ');
    const std::string parent = space == std::string::npos ? "" : c.path.substr(0, space);
    if (parent == path)
      words += (words.empty() ? "" : " ") + c.path.substr(parent.empty() ? 0 : space + 1);
  }
  return words;
}

std::string ValueKindWord(const OptionSpec& o) {
  switch (o.kind) {
    case ValueKind::kFile:
      return "file";
    case ValueKind::kFolder:
      return "folder";
    case ValueKind::kChoice: {
      std::string words = "choice";
      for (const std::string& c : o.choices) words += " " + c;
      return words;
    }
    case ValueKind::kText:
      break;
  }
  return "text";
}

constexpr const char* kCompletionMain = R"bash(_zebhost() {
  local cur="${COMP_WORDS[COMP_CWORD]}" path="" word kind i
  COMPREPLY=()
  # The command so far: the words that name commands; option values are skipped.
  for ((i = 1; i < COMP_CWORD; i++)); do
    word="${COMP_WORDS[i]}"
    if [[ $word == -* ]]; then
      [[ $word != *=* && -n $(_zebhost_value "$path" "$word") ]] && ((i++))
      continue
    fi
    if [[ " $(_zebhost_commands "$path") " == *" $word "* ]]; then
      path="${path:+$path }$word"
    fi
  done
  if ((COMP_CWORD > 1)) && [[ ${COMP_WORDS[COMP_CWORD - 1]} == -* ]]; then
    kind=$(_zebhost_value "$path" "${COMP_WORDS[COMP_CWORD - 1]}")
    case "$kind" in
      folder) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")); return ;;
      file) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")); return ;;
      choice\ *) COMPREPLY=($(compgen -W "${kind#choice }" -- "$cur")); return ;;
      text) return ;;
    esac
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_zebhost_options "$path")" -- "$cur"))
  elif [[ -n $(_zebhost_commands "$path") ]]; then
    COMPREPLY=($(compgen -W "$(_zebhost_commands "$path")" -- "$cur"))
  elif [[ $(_zebhost_positional "$path") == file ]]; then
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -F _zebhost zebhost
)bash";

}  // namespace

std::string RoffText(std::string_view text) {
  std::string out;
  bool line_start = true;
  for (char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    line_start = c == '\n';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ManualPage(const std::vector<CommandSpec>& commands, std::string_view page_template,
                       const std::string& version) {
  std::string page(page_template);
  std::string synopsis;
  std::string reference;
  for (const CommandSpec& spec : commands) {
    if (spec.path.empty()) continue;
    if (spec.run) synopsis += (synopsis.empty() ? "" : ".br\n") + RoffUsage(spec);
    reference += RoffCommand(spec);
  }
  Replace(page, "@VERSION@", RoffText(version));
  Replace(page, "@SYNOPSIS@\n", synopsis);
  Replace(page, "@COMMANDS@\n", reference);
  return page;
}

std::string BashCompletion(const std::vector<CommandSpec>& commands) {
  std::string words = "_zebhost_commands() {\n  case \"$1\" in\n";
  std::string options = "_zebhost_options() {\n  case \"$1\" in\n";
  std::string values = "_zebhost_value() {\n  case \"$1|$2\" in\n";
  std::string positional = "_zebhost_positional() {\n  case \"$1\" in\n";
  for (const CommandSpec& spec : commands) {
    const std::string children = Children(commands, spec.path);
    if (!children.empty()) words += "    \"" + spec.path + "\") echo \"" + children + "\" ;;\n";
    std::string names = "--help";
    if (spec.path.empty()) names += " --version";
    for (const OptionSpec& o : spec.options) {
      if (o.positional()) {
        if (o.kind == ValueKind::kFile) positional += "    \"" + spec.path + "\") echo file ;;\n";
        continue;
      }
      names += " " + o.name;
      if (!o.flag()) {
        values +=
            "    \"" + spec.path + "|" + o.name + "\") echo \"" + ValueKindWord(o) + "\" ;;\n";
      }
    }
    options += "    \"" + spec.path + "\") echo \"" + names + "\" ;;\n";
  }
  const std::string end = "  esac\n}\n";
  return "# bash completion for zebhost, made by the build from zebhost's own command "
         "declarations.\n" +
         words + end + options + end + values + end + positional + end + kCompletionMain;
}

}  // namespace zebhost
