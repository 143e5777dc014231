#include "analysis/robots_rfc.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldCase(x) == FoldCase(y);
         });
}

bool IsTokenChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-';
}

// ---- Reading the file ------------------------------------------------------------------------

enum class Key { kUserAgent, kAllow, kDisallow, kOther };

Key KeyOf(std::string_view key) {
  for (std::string_view name : {"user-agent", "useragent", "user agent"}) {
    if (EqualsNoCase(key, name)) return Key::kUserAgent;
  }
  if (EqualsNoCase(key, "allow")) return Key::kAllow;
  // Misspellings seen often enough in the wild that Googlebot obeys them too.
  for (std::string_view name :
       {"disallow", "dissallow", "dissalow", "disalow", "diasllow", "disallaw"}) {
    if (EqualsNoCase(key, name)) return Key::kDisallow;
  }
  return Key::kOther;
}

struct Directive {
  Key key;
  std::string_view value;
};

// The key and value of one line (without its line end), or nothing for a blank, comment-only or
// unreadable line.
std::optional<Directive> ReadLine(std::string_view line) {
  line = line.substr(0, std::min(line.size(), kRobotsLineBytes));
  line = line.substr(0, line.find('\0'));
  line = Trim(line.substr(0, line.find('#')));
  std::string_view key;
  std::string_view value;
  if (const std::size_t colon = line.find(':'); colon != kNone) {
    key = Trim(line.substr(0, colon));
    value = Trim(line.substr(colon + 1));
  } else {
    // "disallow /": a forgotten colon is accepted when the line is exactly two words.
    const std::size_t blank = line.find_first_of(" \t\v\f");
    if (blank == kNone) return std::nullopt;
    key = line.substr(0, blank);
    value = Trim(line.substr(blank));
    if (value.find_first_of(" \t\v\f") != kNone) return std::nullopt;
  }
  if (key.empty()) return std::nullopt;
  return Directive{KeyOf(key), value};
}

// "*", or "*" and a blank before more text ("* # all" has lost its comment already).
bool NamesEveryCrawler(std::string_view value) {
  return !value.empty() && value[0] == '*' && (value.size() == 1 || IsBlank(value[1]));
}

// Whether the user-agent value names agent: its leading [A-Za-z_-] run is agent in any case.
bool NamesAgent(std::string_view value, std::string_view agent) {
  std::size_t length = 0;
  while (length < value.size() && IsTokenChar(value[length])) ++length;
  return length > 0 && EqualsNoCase(value.substr(0, length), agent);
}

// The part of file that is read: its whole lines within kRobotsParsedBytes, without a leading
// byte order mark (or the first bytes of one).
std::string_view ReadablePart(std::string_view file) {
  file = RobotsWholeLines(file);
  std::size_t bom = 0;
  while (bom < kByteOrderMark.size() && bom < file.size() && file[bom] == kByteOrderMark[bom]) {
    ++bom;
  }
  return file.substr(bom);
}

// ---- Matching --------------------------------------------------------------------------------

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

void AppendEscaped(std::string& out, unsigned char c) {
  out += '%';
  out += kHexDigits[c >> 4];
  out += kHexDigits[c & 0xF];
}

// RobotsNormalisePattern (is_path false) and RobotsNormalisePath (is_path true).
std::string Normalise(std::string_view text, bool is_path) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2])) {
      const auto decoded =
          static_cast<unsigned char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      if (IsUnreserved(decoded)) {
        out += static_cast<char>(decoded);
      } else {
        AppendEscaped(out, decoded);
      }
      i += 2;
    } else if (c >= 0x80 || (is_path && (c == '*' || c == '$')) ||
               (!is_path && c == '$' && i + 1 < text.size())) {
      AppendEscaped(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The position just after the first occurrence of word in text at or after from (from <=
// text.size()), or kNone. Knuth-Morris-Pratt, so that hostile texts cost linear time;
// border is scratch space.
std::size_t FindEnd(std::string_view text, std::string_view word, std::size_t from,
                    std::vector<std::size_t>& border) {
  if (word.empty()) return from;
  if (text.size() - from < word.size()) return kNone;
  // border[k]: the length of the longest proper prefix of word[0..k] that is also its suffix.
  border.assign(word.size(), 0);
  for (std::size_t k = 1, length = 0; k < word.size(); ++k) {
    while (length > 0 && word[k] != word[length]) length = border[length - 1];
    if (word[k] == word[length]) ++length;
    border[k] = length;
  }
  std::size_t matched = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    while (matched > 0 && text[i] != word[matched]) matched = border[matched - 1];
    if (text[i] == word[matched]) ++matched;
    if (matched == word.size()) return i + 1;
  }
  return kNone;
}

// Whether the normalised pattern matches the start of the normalised path. The pattern is
// literal pieces between "*"s; placing each piece at its leftmost possible place leaves the most
// room for the pieces after it, so one left-to-right pass decides without backtracking.
bool Matches(std::string_view path, std::string_view pattern, std::vector<std::size_t>& scratch) {
  const bool anchored = !pattern.empty() && pattern.back() == '$';
  if (anchored) pattern.remove_suffix(1);
  const std::size_t first_star = pattern.find('*');
  const std::string_view head = pattern.substr(0, first_star);
  if (!path.starts_with(head)) return false;
  if (first_star == kNone) return !anchored || path.size() == head.size();

  std::size_t pos = head.size();
  std::string_view rest = pattern.substr(first_star + 1);
  const std::size_t last_star = rest.rfind('*');
  const std::string_view tail = last_star == kNone ? rest : rest.substr(last_star + 1);
  rest = last_star == kNone ? std::string_view() : rest.substr(0, last_star + 1);
  while (!rest.empty()) {
    const std::size_t star = rest.find('*');
    pos = FindEnd(path, rest.substr(0, star), pos, scratch);
    if (pos == kNone) return false;
    rest.remove_prefix(star + 1);
  }
  // The last piece: anywhere after pos, or with "$" exactly at the end of the path.
  if (anchored) return path.size() - pos >= tail.size() && path.ends_with(tail);
  return FindEnd(path, tail, pos, scratch) != kNone;
}

}  // namespace

std::string_view RobotsWholeLines(std::string_view file) {
  if (file.size() <= kRobotsParsedBytes) return file;
  const char next = file[kRobotsParsedBytes];
  file = file.substr(0, kRobotsParsedBytes);
  if (next == '\n' || next == '\r') return file;
  const std::size_t last_end = file.find_last_of("\r\n");
  return last_end == kNone ? std::string_view() : file.substr(0, last_end + 1);
}

std::vector<RobotsRule> RobotsRulesFor(std::string_view file, std::string_view agent) {
  const std::string_view body = ReadablePart(file);
  std::vector<RobotsRule> specific;  // rules of the groups that name agent
  std::vector<RobotsRule> global;    // rules of the "*" groups
  bool agent_named = false;          // some group names agent
  bool group_names_agent = false;    // the current group does
  bool group_names_all = false;      // the current group is a "*" group
  bool after_rule = false;           // a rule line came since the last user-agent line

  std::size_t pos = 0;
  while (true) {
    std::size_t end = body.find_first_of("\r\n", pos);
    if (end == kNone) end = body.size();
    if (const std::optional<Directive> line = ReadLine(body.substr(pos, end - pos))) {
      switch (line->key) {
        case Key::kUserAgent:
          if (after_rule) {
            // A user-agent line after rules starts the next group.
            group_names_agent = group_names_all = after_rule = false;
          }
          if (NamesEveryCrawler(line->value)) {
            group_names_all = true;
          } else if (NamesAgent(line->value, agent)) {
            group_names_agent = agent_named = true;
            global.clear();  // the "*" groups no longer count
          }
          break;
        case Key::kAllow:
        case Key::kDisallow:
          after_rule = true;
          if (group_names_agent) {
            specific.push_back({line->key == Key::kAllow, std::string(line->value)});
          } else if (group_names_all && !agent_named) {
            global.push_back({line->key == Key::kAllow, std::string(line->value)});
          }
          break;
        case Key::kOther:
          break;
      }
    }
    if (end == body.size()) break;
    pos = end + 1;
    if (body[end] == '\r' && pos < body.size() && body[pos] == '\n') ++pos;
  }
  return agent_named ? specific : global;
}

bool RobotsAllowed(const std::vector<RobotsRule>& rules, std::string_view path_query) {
  if (rules.empty()) return true;
  const std::string path = RobotsNormalisePath(path_query);
  if (path == "/robots.txt") return true;
  std::vector<std::size_t> scratch;
  // The longest matching pattern of each kind; -1 for none.
  long longest_allow = -1;
  long longest_disallow = -1;
  for (const RobotsRule& rule : rules) {
    const std::string pattern = RobotsNormalisePattern(rule.pattern);
    if (!rule.allow && pattern.empty()) continue;
    long& longest = rule.allow ? longest_allow : longest_disallow;
    if (Matches(path, pattern, scratch)) {
      longest = std::max(longest, static_cast<long>(pattern.size()));
    } else if (rule.allow) {
      // "Allow: /dir/index.html" also allows "/dir/" itself, as Googlebot reads it.
      const std::size_t slash = pattern.rfind('/');
      if (slash != kNone && std::string_view(pattern).substr(slash + 1).starts_with("index.htm")) {
        const std::string directory = pattern.substr(0, slash + 1) + '$';
        if (Matches(path, directory, scratch)) {
          longest = std::max(longest, static_cast<long>(directory.size()));
        }
      }
    }
  }
  return longest_disallow < 0 || longest_allow >= longest_disallow;
}

bool RobotsAllowsUrl(std::string_view file, std::string_view agent, std::string_view url) {
  return RobotsAllowed(RobotsRulesFor(file, agent), RobotsPathOf(url));
}

std::string RobotsPathOf(std::string_view url) {
  const std::size_t start = url.starts_with("//") ? 2 : 0;
  std::size_t authority = url.find("://", start);
  if (url.find_first_of("/?;", start) < authority) {
    authority = start;  // the "://" stands in the path or query: there is no scheme
  } else {
    authority = authority == kNone ? start : authority + 3;
  }
  const std::size_t path_begin = url.find_first_of("/?;", authority);
  if (path_begin == kNone) return "/";
  const std::size_t hash = url.find('#', start);
  if (hash < path_begin) return "/";
  const std::string_view path = url.substr(path_begin, hash == kNone ? kNone : hash - path_begin);
  return path.front() == '/' ? std::string(path) : "/" + std::string(path);
}

Lines RobotsRulesToLines(const std::vector<RobotsRule>& rules) {
  Lines lines;
  lines.reserve(rules.size());
  for (const RobotsRule& rule : rules) {
    lines.push_back((rule.allow ? "allow:" : "disallow:") + rule.pattern);
  }
  return lines;
}

std::vector<RobotsRule> RobotsRulesFromLines(const Lines& lines) {
  std::vector<RobotsRule> rules;
  for (const std::string& line : lines) {
    if (StartsWithNoCase(line, "allow:")) {
      rules.push_back({true, line.substr(6)});
    } else if (StartsWithNoCase(line, "disallow:")) {
      rules.push_back({false, line.substr(9)});
    }
  }
  return rules;
}

std::string RobotsProductToken(std::string_view user_agent) {
  std::string_view name = user_agent;
  constexpr std::string_view kCompatible = "compatible;";
  if (const std::size_t at = PosNoCase(name, kCompatible); at != 0) {
    name = name.substr(at - 1 + kCompatible.size());
    name = name.substr(0, name.find_first_of(";)"));
  }
  name = name.substr(0, name.find_first_of("/("));
  std::string token;
  for (char c : name) {
    if (IsTokenChar(c)) token += c;
  }
  return token;
}

bool RobotsIsProductToken(std::string_view token) {
  return !token.empty() && std::all_of(token.begin(), token.end(), IsTokenChar);
}

std::string RobotsNormalisePattern(std::string_view pattern) { return Normalise(pattern, false); }

std::string RobotsNormalisePath(std::string_view path_query) { return Normalise(path_query, true); }

}  // namespace zeb
