// The manual page zebhost(1) and the bash completion script, made from the same command
// declarations as the --help texts, so that all three say the same things.
#ifndef ZEBHOST_MANUAL_H_
#define ZEBHOST_MANUAL_H_

#include <string>
#include <string_view>
#include <vector>

#include "cli.h"

namespace zebhost {

// The manual page in roff: the template (docs/man/zebhost.1.in) with @VERSION@, @SYNOPSIS@ (one
// usage line per command) and @COMMANDS@ (each command's summary, description, options with
// their meaning and default, and example) filled in. Throws std::invalid_argument when the
// template lacks one of the three.
std::string ManualPage(const std::vector<CommandSpec>& commands, std::string_view page_template,
                       const std::string& version);

// A bash completion script for zebhost: command words, each command's options, the choices of
// --format, file names for files and folder names for folders.
std::string BashCompletion(const std::vector<CommandSpec>& commands);

// text for roff: backslashes as \e, dashes as \-, a line that would start with "." or "'" led
// by \&.
std::string RoffText(std::string_view text);

}  // namespace zebhost

#endif  // ZEBHOST_MANUAL_H_
