#include "analysis/web_address.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "analysis/url_normalisation.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }
bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSlash(char c) { return c == '/' || c == '\\'; }

// The value of a hex digit, or -1.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whether text holds "%" and two hex digits at i.
bool IsPercentEncoding(std::string_view text, std::size_t i) {
  return text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
         HexValue(text[i + 2]) >= 0;
}

// The text without the blanks and control bytes (all bytes up to 0x20) at its two ends, as
// browsers trim an href.
std::string_view TrimSpaceAndControls(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

// Browsers drop tabs and line breaks anywhere in an address (an href written over two lines).
std::string WithoutTabsAndBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\t' && c != '\n' && c != '\r') result += c;
  }
  return result;
}

// A "\" before the query counts as "/": browsers read "..\x" and "\\host\x" so.
void SlashesForBackslashes(std::string& text) {
  for (char& c : text) {
    if (c == '?' || c == '#') break;
    if (c == '\\') c = '/';
  }
}

std::string_view DefaultPort(std::string_view scheme) { return scheme == "https" ? "443" : "80"; }

// The scheme name in front of the first ":" (RFC 3986: a letter, then letters, digits, "+", "-",
// "."), or empty when the text does not begin with one.
std::string_view SchemeOf(std::string_view text) {
  if (text.empty() || !IsAsciiAlpha(text[0])) return {};
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ':') return text.substr(0, i);
    if (!IsAsciiAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return {};
  }
  return {};
}

bool IsWebScheme(std::string_view lower_scheme) {
  return lower_scheme == "http" || lower_scheme == "https";
}

// A port in decimal without leading zeros, empty for the scheme's default or for no digits;
// nullopt when it is not decimal or above 65535.
std::optional<std::string> ParsePort(std::string_view digits, std::string_view scheme) {
  for (char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
  }
  while (!digits.empty() && digits.front() == '0' && digits.size() > 1) digits.remove_prefix(1);
  if (digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) value = value * 10 + static_cast<unsigned>(c - '0');
  if (value > 65535) return std::nullopt;
  if (digits.empty() || digits == DefaultPort(scheme)) return std::string();
  return std::string(digits);
}

// The eight 16-bit pieces of an IPv6 address written between "[" and "]", read as browsers do
// ("::" for a run of zero pieces, a dotted IPv4 address as the last two pieces).
std::optional<std::array<std::uint16_t, 8>> ParseIpv6(std::string_view text) {
  std::array<unsigned, 8> pieces{};
  std::size_t piece = 0;
  std::optional<std::size_t> compress;
  std::size_t p = 0;
  const std::size_t n = text.size();
  if (p < n && text[p] == ':') {
    if (p + 1 >= n || text[p + 1] != ':') return std::nullopt;
    p += 2;
    compress = ++piece;
  }
  while (p < n) {
    if (piece == 8) return std::nullopt;
    if (text[p] == ':') {
      if (compress) return std::nullopt;
      ++p;
      compress = ++piece;
      continue;
    }
    unsigned value = 0;
    std::size_t length = 0;
    while (length < 4 && p < n && HexValue(text[p]) >= 0) {
      value = value * 16 + static_cast<unsigned>(HexValue(text[p]));
      ++p;
      ++length;
    }
    if (p < n && text[p] == '.') {
      // The last 32 bits as a dotted IPv4 address.
      if (length == 0 || piece > 6) return std::nullopt;
      p -= length;
      int numbers_seen = 0;
      while (p < n) {
        if (numbers_seen > 0) {
          if (text[p] != '.' || numbers_seen >= 4) return std::nullopt;
          ++p;
        }
        if (p >= n || !IsDigit(text[p])) return std::nullopt;
        int number = -1;
        while (p < n && IsDigit(text[p])) {
          const int digit = text[p] - '0';
          if (number == 0) return std::nullopt;  // no leading zeros
          number = number < 0 ? digit : number * 10 + digit;
          if (number > 255) return std::nullopt;
          ++p;
        }
        pieces[piece] = pieces[piece] * 0x100 + static_cast<unsigned>(number);
        ++numbers_seen;
        if (numbers_seen == 2 || numbers_seen == 4) ++piece;
      }
      if (numbers_seen != 4) return std::nullopt;
      break;
    }
    if (p < n && text[p] == ':') {
      ++p;
      if (p >= n) return std::nullopt;
    } else if (p < n) {
      return std::nullopt;
    }
    pieces[piece++] = value;
  }
  if (compress) {
    // Move the pieces after "::" to the end; the zero pieces between fill the gap.
    std::size_t swaps = piece - *compress;
    std::size_t last = 7;
    while (last != 0 && swaps > 0) {
      std::swap(pieces[last], pieces[*compress + swaps - 1]);
      --last;
      --swaps;
    }
  } else if (piece != 8) {
    return std::nullopt;
  }
  std::array<std::uint16_t, 8> result{};
  for (std::size_t i = 0; i < 8; ++i) result[i] = static_cast<std::uint16_t>(pieces[i]);
  return result;
}

// The canonical text of an IPv6 address (RFC 5952): lower-case hex without leading zeros, the
// first longest run of two or more zero pieces written "::".
std::string Ipv6Text(const std::array<std::uint16_t, 8>& pieces) {
  std::size_t best_start = 8;
  std::size_t best_length = 1;
  for (std::size_t i = 0; i < 8;) {
    if (pieces[i] != 0) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < 8 && pieces[end] == 0) ++end;
    if (end - i > best_length) {
      best_start = i;
      best_length = end - i;
    }
    i = end;
  }
  std::string text;
  for (std::size_t i = 0; i < 8; ++i) {
    if (i == best_start) {
      text += i == 0 ? "::" : ":";
      i += best_length - 1;
      continue;
    }
    const unsigned piece = pieces[i];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const unsigned digit = (piece >> shift) & 0xF;
      if (digit != 0 || started || shift == 0) {
        text += kLowerHex[digit];
        started = true;
      }
    }
    if (i != 7) text += ':';
  }
  return text;
}

// The host as the address is requested with: an IPv6 literal in canonical form, or a name
// percent-decoded and lower-cased; nullopt for an empty or refused host.
std::optional<std::string> ParseHost(std::string_view raw) {
  if (raw.empty()) return std::nullopt;
  if (raw.front() == '[') {
    if (raw.size() < 2 || raw.back() != ']') return std::nullopt;
    const auto pieces = ParseIpv6(raw.substr(1, raw.size() - 2));
    if (!pieces) return std::nullopt;
    return "[" + Ipv6Text(*pieces) + "]";
  }
  std::string host;
  if (raw.find('%') == kNone) {
    host.assign(raw);
  } else {
    host.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (IsPercentEncoding(raw, i)) {
        host += static_cast<char>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2]));
        i += 2;
      } else {
        host += raw[i];
      }
    }
  }
  for (char& c : host) c = FoldCase(c);
  constexpr std::string_view kRefused = "#%/:<>?@[\\]^|";
  for (char c : host) {
    if (IsBlankOrControl(c) || c == '\x7f' || kRefused.find(c) != kNone) return std::nullopt;
  }
  return host;
}

// ParseWebAddress on text already trimmed and rid of tabs and line breaks.
std::optional<WebAddress> ParseCleaned(std::string_view text) {
  const std::string_view scheme = SchemeOf(text);
  WebAddress address;
  address.scheme = LowerCase(scheme);
  if (!IsWebScheme(address.scheme)) return std::nullopt;
  std::size_t pos = scheme.size() + 1;
  if (text.size() < pos + 2 || !IsSlash(text[pos]) || !IsSlash(text[pos + 1])) {
    return std::nullopt;
  }
  pos += 2;
  std::size_t end = text.find_first_of("/\\?#", pos);
  if (end == kNone) end = text.size();
  std::string_view authority = text.substr(pos, end - pos);
  if (const std::size_t at = authority.rfind('@'); at != kNone) authority.remove_prefix(at + 1);

  // An IPv6 literal holds ":", so its port starts after the "]".
  std::string_view raw_host = authority;
  std::string_view raw_port;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == kNone) return std::nullopt;
    raw_host = authority.substr(0, close + 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      raw_port = after.substr(1);
    }
  } else if (const std::size_t colon = authority.find(':'); colon != kNone) {
    raw_host = authority.substr(0, colon);
    raw_port = authority.substr(colon + 1);
  }
  std::optional<std::string> host = ParseHost(raw_host);
  if (!host) return std::nullopt;
  std::optional<std::string> port = ParsePort(raw_port, address.scheme);
  if (!port) return std::nullopt;
  address.host = std::move(*host);
  address.port = std::move(*port);

  std::string_view rest = text.substr(end);
  if (const std::size_t hash = rest.find('#'); hash != kNone) rest = rest.substr(0, hash);
  const std::size_t question = rest.find('?');
  address.path = std::string(rest.substr(0, question));
  SlashesForBackslashes(address.path);
  if (address.path.empty()) address.path = "/";
  if (question != kNone) address.query = std::string(rest.substr(question));
  return address;
}

// RFC 3986 5.2.4 on a path that begins with "/": "." segments are dropped and each ".." drops
// the segment before it; a path ending in "." or ".." keeps its final "/". Each byte is copied
// and removed at most once, so the time is linear.
std::string RemoveDotSegments(std::string_view path) {
  if (path.starts_with('/')) path.remove_prefix(1);
  std::string result;
  result.reserve(path.size() + 1);
  std::size_t begin = 0;
  while (true) {
    const std::size_t slash = path.find('/', begin);
    const bool last = slash == kNone;
    const std::string_view segment = path.substr(begin, last ? kNone : slash - begin);
    if (segment == "..") {
      const std::size_t cut = result.rfind('/');
      result.erase(cut == kNone ? 0 : cut);
      if (last) result += '/';
    } else if (segment == ".") {
      if (last) result += '/';
    } else {
      result += '/';
      result += segment;
    }
    if (last) break;
    begin = slash + 1;
  }
  return result;
}

// Whether no byte of text would change in Encoded: no percent sign, control byte, blank, byte
// >= 0x7F or byte of `also`.
bool EncodedAlready(std::string_view text, std::string_view also) {
  return std::all_of(text.begin(), text.end(), [also](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F && c != '%' && also.find(c) == kNone;
  });
}

// text with its percent-encodings' hex digits in upper case and with control bytes, blanks,
// bytes >= 0x7F and the bytes of `also` percent-encoded.
std::string Encoded(std::string_view text, std::string_view also) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (IsPercentEncoding(text, i)) {
      result += '%';
      result += kUpperHex[HexValue(text[i + 1])];
      result += kUpperHex[HexValue(text[i + 2])];
      i += 2;
    } else if (byte <= 0x20 || byte >= 0x7F || also.find(c) != kNone) {
      result += '%';
      result += kUpperHex[byte >> 4];
      result += kUpperHex[byte & 0xF];
    } else {
      result += c;
    }
  }
  return result;
}

WebAddress Normalised(WebAddress address) {
  // Most addresses are normal already: a path that starts with "/" and has no segment starting
  // with "." has no dot segment to remove, and text with nothing to encode stays as it is.
  static constexpr std::string_view kPathAlso = "\"<>`{}";
  static constexpr std::string_view kQueryAlso = "\"<>'";
  if (!address.path.starts_with('/') || address.path.find("/.") != kNone) {
    address.path = RemoveDotSegments(address.path);
  }
  if (!EncodedAlready(address.path, kPathAlso)) address.path = Encoded(address.path, kPathAlso);
  if (!EncodedAlready(address.query, kQueryAlso)) {
    address.query = Encoded(address.query, kQueryAlso);
  }
  return address;
}

std::optional<WebAddress> ParseNormalised(std::string_view url) {
  std::optional<WebAddress> address = ParseWebAddress(url);
  if (address) *address = Normalised(std::move(*address));
  return address;
}

// A link that gives an authority (after "scheme:" or "//"): the slashes in front of it skipped,
// read as an absolute address of the scheme. `rest` has its backslashes turned into slashes.
// Without an address the link comes back trimmed.
ResolvedLink ResolveAuthority(std::string_view scheme, std::string_view rest,
                              std::string_view trimmed_link) {
  while (rest.starts_with('/')) rest.remove_prefix(1);
  std::string absolute(scheme);
  absolute += "://";
  absolute += rest;
  std::optional<WebAddress> address = ParseCleaned(absolute);
  if (!address) return {std::string(trimmed_link), std::nullopt};
  *address = Normalised(std::move(*address));
  return {ToString(*address), std::move(address)};
}

}  // namespace

std::optional<WebAddress> ParseWebAddress(std::string_view url) {
  const std::string_view trimmed = TrimSpaceAndControls(url);
  // Most addresses hold no tab or line break: they are read without a copy.
  if (trimmed.find_first_of("\t\n\r") == kNone) return ParseCleaned(trimmed);
  return ParseCleaned(WithoutTabsAndBreaks(trimmed));
}

std::string ToString(const WebAddress& a) {
  std::string text;
  text.reserve(a.scheme.size() + a.host.size() + a.port.size() + a.path.size() + a.query.size() +
               5);
  text += a.scheme;
  text += "://";
  text += a.host;
  if (!a.port.empty()) {
    text += ':';
    text += a.port;
  }
  if (!a.path.starts_with('/')) text += '/';
  text += a.path;
  text += a.query;
  return text;
}

std::string NormaliseWebAddress(std::string_view url) {
  const std::optional<WebAddress> address = ParseNormalised(url);
  return address ? ToString(*address) : std::string(url);
}

LinkResolver::LinkResolver(std::string_view base) : base_address_(ParseWebAddress(base)) {
  if (base_address_) base_site_ = SiteOf(base_address_->host);
}

std::string_view LinkResolver::SiteOf(std::string_view host) {
  return host.starts_with("www.") ? host.substr(4) : host;
}

ResolvedLink LinkResolver::ResolveParts(std::string_view link) const {
  const std::string_view trimmed = TrimSpaceAndControls(link);
  if (!base_address_) return {std::string(trimmed), std::nullopt};

  std::string reference = WithoutTabsAndBreaks(trimmed);
  if (const std::string_view scheme = SchemeOf(reference); !scheme.empty()) {
    const std::string lower_scheme = LowerCase(scheme);
    if (!IsWebScheme(lower_scheme)) return {std::string(trimmed), std::nullopt};
    reference.erase(0, lower_scheme.size() + 1);
    SlashesForBackslashes(reference);
    // The base's own scheme without "//" is a relative link (RFC 3986 5.2.2, the backward
    // compatible reading); the other web scheme always brings an authority.
    if (lower_scheme != base_address_->scheme || reference.starts_with("//")) {
      return ResolveAuthority(lower_scheme, reference, trimmed);
    }
  } else {
    SlashesForBackslashes(reference);
    if (reference.starts_with("//")) {
      return ResolveAuthority(base_address_->scheme, reference, trimmed);
    }
  }

  std::string_view rest = reference;
  if (const std::size_t hash = rest.find('#'); hash != kNone) rest = rest.substr(0, hash);
  const std::size_t question = rest.find('?');
  const std::string_view path = rest.substr(0, question);
  // RFC 3986 5.2.2: the base's path and query stand until the link gives its own.
  WebAddress target = *base_address_;
  if (!path.empty() || question != kNone) {
    target.query = question == kNone ? std::string() : std::string(rest.substr(question));
  }
  if (path.starts_with('/')) {
    target.path = std::string(path);
  } else if (!path.empty()) {
    // Merged with the base path up to and including its last "/".
    target.path.erase(target.path.rfind('/') + 1);
    target.path += path;
  }
  target = Normalised(std::move(target));
  std::string text = ToString(target);
  return {std::move(text), std::move(target)};
}

std::string LinkResolver::Resolve(std::string_view link) const {
  return ResolveParts(link).text;
}

std::string LinkResolver::MakeAbsolute(std::string_view link) const {
  ResolvedLink resolved = ResolveParts(link);
  // An address built here reads back as itself: its host holds none of the bytes that end an
  // authority, so the resolved text need not be parsed again to know its site. A link that came
  // back as it stands is read as the text it is.
  bool external = false;
  if (resolved.address) {
    external = SiteOf(resolved.address->host) != base_site_;
  } else if (const std::optional<WebAddress> address = ParseWebAddress(resolved.text)) {
    external = !base_address_ || SiteOf(address->host) != base_site_;
  }
  resolved.text.insert(resolved.text.begin(), external ? kExternalLink : kInternalLink);
  return std::move(resolved.text);
}

std::string ResolveWebLink(std::string_view base, std::string_view link) {
  return LinkResolver(base).Resolve(link);
}

bool SameSite(std::string_view a, std::string_view b) {
  const std::optional<WebAddress> first = ParseWebAddress(a);
  const std::optional<WebAddress> second = ParseWebAddress(b);
  if (!first || !second) return false;
  return LinkResolver::SiteOf(first->host) == LinkResolver::SiteOf(second->host);
}

std::string MakeLinkAbsoluteModern(std::string_view link, std::string_view base) {
  return LinkResolver(base).MakeAbsolute(link);
}

std::string DuplicateKey(std::string_view url) {
  const std::optional<WebAddress> address = ParseNormalised(url);
  if (!address) return std::string(url);
  std::string key = ToString(*address);
  key.erase(0, address->scheme.size() + 3);
  return key;
}

std::string OtherSchemeTwin(std::string_view url) {
  std::optional<WebAddress> address = ParseNormalised(url);
  if (!address) return std::string();
  address->scheme = address->scheme == "http" ? "https" : "http";
  if (address->port == DefaultPort(address->scheme)) address->port.clear();
  return ToString(*address);
}

std::string RobotsOrigin(std::string_view url) {
  const std::optional<WebAddress> address = ParseWebAddress(url);
  if (!address) return std::string();
  std::string origin = address->scheme + "://" + address->host + ":";
  origin += address->port.empty() ? DefaultPort(address->scheme) : address->port;
  return origin;
}

std::string RobotsFileUrl(std::string_view url) {
  std::optional<WebAddress> address = ParseWebAddress(url);
  if (!address) return std::string();
  address->path = "/robots.txt";
  address->query.clear();
  return ToString(*address);
}

}  // namespace zeb
