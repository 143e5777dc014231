#include "data/field_limits.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace zeb {
namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7f;
}

std::optional<std::string> SizeProblem(std::string_view text, std::string_view what,
                                       std::size_t limit) {
  if (text.size() <= limit) return std::nullopt;
  return std::string(what) + " is " + std::to_string(text.size()) + " bytes; at most " +
         std::to_string(limit) + " are allowed";
}

std::optional<std::string> NulProblem(std::string_view text, std::string_view what) {
  if (text.find('\0') == std::string_view::npos) return std::nullopt;
  return std::string(what) + " " + QuoteForMessage(text) + " holds a NUL byte";
}

// "http://" or "https://" in any case, followed by something.
bool HasWebScheme(std::string_view address) {
  const auto starts = [&](std::string_view scheme) {
    return address.size() > scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), address.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(b)) == a;
           });
  };
  return starts("http://") || starts("https://");
}

}  // namespace

std::string QuoteForMessage(std::string_view text) {
  static const char* const kHex = "0123456789abcdef";
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\0': out += "\\0"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (IsControl(c)) {
          out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::optional<std::string> NameProblem(std::string_view name, std::string_view what,
                                       FieldRules rules) {
  if (auto size = SizeProblem(name, what, kMaxNameBytes)) return size;
  if (rules == FieldRules::kStored) return NulProblem(name, what);
  if (name.empty()) return std::string(what) + " must not be empty";
  if (std::any_of(name.begin(), name.end(), IsControl)) {
    return std::string(what) + " " + QuoteForMessage(name) + " holds a control character";
  }
  return std::nullopt;
}

std::optional<std::string> TextProblem(std::string_view text, std::string_view what) {
  if (auto size = SizeProblem(text, what, kMaxTextBytes)) return size;
  return NulProblem(text, what);
}

std::optional<std::string> AddressProblem(std::string_view address, std::string_view what,
                                          FieldRules rules) {
  if (auto size = SizeProblem(address, what, kMaxAddressBytes)) return size;
  if (rules == FieldRules::kStored) return NulProblem(address, what);
  const std::string quoted = QuoteForMessage(address);
  if (!HasWebScheme(address)) {
    return std::string(what) + " " + quoted + " is not an http:// or https:// address";
  }
  const bool blank = address.find(kNoBreakSpace) != std::string_view::npos ||
                     std::any_of(address.begin(), address.end(),
                                 [](char c) { return c == ' ' || IsControl(c); });
  if (blank) return std::string(what) + " " + quoted + " holds a blank or control character";
  if (address.find_first_of("\"<>") != std::string_view::npos) {
    return std::string(what) + " " + quoted + " holds a quote or angle bracket";
  }
  return std::nullopt;
}

std::optional<std::string> PartnerProblem(const PartnerRecord& p, FieldRules rules) {
  const bool entered = rules == FieldRules::kEntered;
  if (auto name = NameProblem(p.Project, "the project name", rules)) return name;
  if (auto name = NameProblem(p.SiteName, "the partner name", rules)) return name;
  if (auto home = AddressProblem(p.ContactWebSite, "the home page", rules)) return home;
  // Entered, the start page and the backlink are checked only when they are given.
  for (const auto& [address, what] : {std::pair{&p.BotStart, "the start page"},
                                      std::pair{&p.URL, "the backlink"}}) {
    if (entered && address->empty()) continue;
    if (auto problem = AddressProblem(*address, what, rules)) return problem;
  }
  if (auto find = TextProblem(p.ShortCheck, "the Find text")) return find;
  if (entered && p.ShortCheck.empty()) return "the Find text must not be empty";
  if (entered && p.ShortCheck.find_first_of("\r\n") != std::string::npos) {
    return "the Find text must be one line";
  }
  return TextProblem(JoinLines(p.LongCheck), "the link text");
}

std::optional<std::string> ProjectProblem(const ProjectRecord& project, FieldRules rules) {
  if (auto name = NameProblem(project.Name, "the project name", rules)) return name;
  if (rules == FieldRules::kEntered && project.YourHomePage.empty()) return std::nullopt;
  return AddressProblem(project.YourHomePage, "the home page", rules);
}

}  // namespace zeb
