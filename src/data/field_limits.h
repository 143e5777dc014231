// The bounds of the text fields of projects and partners: how many bytes a name, a text and an
// address may hold, and which bytes they may not hold. A careless or hostile partner list must
// not store a field that later floods a table print-out or a window.
//
// Two sets of rules: kStored is what every writer of the tables keeps to (the byte limits and no
// NUL byte, which would cut the text where it is read back); kEntered is what a user may type or
// import (also non-empty names without control bytes, a one-line Find text and http:// or
// https:// addresses without blanks, quotes or angle brackets).
//
// Each check returns the first problem as a message that names the field (the `what` given, e.g.
// "the partner name") and, for a field too long, its size and limit; nothing when the field is
// fine. User text in a message is quoted with QuoteForMessage, so the message holds it whole on
// one line. Pure functions: safe from any thread.
#ifndef ZEB_DATA_FIELD_LIMITS_H_
#define ZEB_DATA_FIELD_LIMITS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "data/app_tables.h"

namespace zeb {

inline constexpr std::size_t kMaxNameBytes = 4096;     // project and partner names
inline constexpr std::size_t kMaxTextBytes = 4096;     // a Find text; a link text, lines joined
inline constexpr std::size_t kMaxAddressBytes = 2048;  // home, start, backlink and project pages

enum class FieldRules {
  kStored,   // the byte limits, no NUL byte
  kEntered,  // also the form of names, texts and addresses as a user gives them
};

// The text between double quotes, with control bytes shown as escapes (NUL as \0, a line end
// as \n or \r, a tab as \t, others as \xNN).
std::string QuoteForMessage(std::string_view text);

// A project or partner name: at most kMaxNameBytes; entered, not empty and without control
// bytes (< 0x20, 0x7f).
std::optional<std::string> NameProblem(std::string_view name, std::string_view what,
                                       FieldRules rules);
// A text that may run over lines (a link text): at most kMaxTextBytes, no NUL.
std::optional<std::string> TextProblem(std::string_view text, std::string_view what);
// An address: at most kMaxAddressBytes; entered, an http:// or https:// address (scheme in any
// case) without blanks, control bytes, '"', '<', '>' or the no-break space (UTF-8 C2 A0).
std::optional<std::string> AddressProblem(std::string_view address, std::string_view what,
                                          FieldRules rules);

// A partner's names, addresses and texts. Entered, the home page and the Find text are needed;
// the start page and backlink may be empty.
std::optional<std::string> PartnerProblem(const PartnerRecord& partner, FieldRules rules);
// A project's name and home page (which may be empty).
std::optional<std::string> ProjectProblem(const ProjectRecord& project, FieldRules rules);

}  // namespace zeb

#endif  // ZEB_DATA_FIELD_LIMITS_H_
