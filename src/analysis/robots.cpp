#include "analysis/robots.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::string_view kUserAgent = "user-agent:";
constexpr std::string_view kDisallow = "disallow:";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// text without the control characters and blanks at either end.
std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// text without its first count bytes (empty when it is shorter).
std::string_view DropFirst(std::string_view text, std::size_t count) {
  return text.substr(std::min(count, text.size()));
}

}  // namespace

std::string RobotsHostKey(std::string_view url) {
  std::string_view rest = url;
  // A secure address names the same site: its rules are read from the same robots.txt.
  if (StartsWithNoCase(rest, "http://")) {
    rest.remove_prefix(7);
  } else if (StartsWithNoCase(rest, "https://")) {
    rest.remove_prefix(8);
  }
  rest = rest.substr(0, rest.find('/'));
  std::string key;
  key.reserve(rest.size() + 4);
  if (!StartsWithNoCase(rest, "www")) key = "www.";
  key += rest;
  return key;
}

Lines ParseRobots(const Lines& file_lines, std::string_view host) {
  Lines entries;
  bool in_group = false;    // a user-agent line has been read
  bool all_robots = false;  // and its value was "*"
  for (const std::string& line : file_lines) {
    if (!line.empty() && line[0] == '#') continue;
    // A user-agent line, wherever the field stands in it, starts the next group; its value is
    // what follows the field's length from the start of the line.
    if (PosNoCase(line, kUserAgent) != 0) {
      in_group = true;
      all_robots = Trim(DropFirst(line, kUserAgent.size())) == "*";
      continue;
    }
    if (!in_group || !all_robots || !StartsWithNoCase(line, kDisallow)) continue;
    const std::string_view value = Trim(DropFirst(line, kDisallow.size()));
    if (value == "/") {
      // The whole site is closed: the host alone denies every address on it.
      entries.assign(1, std::string(host));
      return entries;
    }
    std::string entry(value);
    if (const std::size_t star = entry.find('*'); star != std::string::npos) {
      entry.erase(star, 1);
    }
    if (entry.starts_with('/')) entry.insert(0, host);
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool RobotsDenies(std::string_view url, const Lines& entries) {
  return ContainsAnyExact(url, entries);
}

}  // namespace zeb
