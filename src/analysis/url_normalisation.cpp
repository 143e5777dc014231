#include "analysis/url_normalisation.h"

#include <cstddef>
#include <initializer_list>

#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// The host part of url with its user information, from the start of the authority up to the
// first "/", "?" or "#". A "://" counts as the end of a scheme only when no "/" comes before it.
struct AuthoritySpan {
  std::size_t begin;
  std::size_t end;
};

AuthoritySpan FindAuthority(std::string_view url) {
  std::size_t begin = 0;
  const std::size_t first_slash = url.find('/');
  if (first_slash != kNone && first_slash > 0 && url[first_slash - 1] == ':' &&
      first_slash + 1 < url.size() && url[first_slash + 1] == '/') {
    begin = first_slash + 2;
  }
  std::size_t end = url.find_first_of("/?#", begin);
  if (end == kNone) end = url.size();
  return {begin, end};
}

// A path join collapses the "//" after the scheme; result (class digit, then address) gets
// "http://" back when it reads "http:/".
void RestoreSchemeSlashes(std::string& result) {
  const std::string_view address = std::string_view(result).substr(1);
  if (StartsWithNoCase(address, "http:/") && !StartsWithNoCase(address, "http://")) {
    result.insert(7, 1, '/');
  }
}

}  // namespace

namespace {

// A link with its mark in front: the parts joined after it, written into out.
void Marked(char mark, std::initializer_list<std::string_view> parts, std::string& out) {
  std::size_t size = 1;
  for (std::string_view part : parts) size += part.size();
  out.clear();
  out.reserve(size);
  out += mark;
  for (std::string_view part : parts) out += part;
}

}  // namespace

std::string MakeLinkAbsolute(std::string_view link, std::string_view page_url,
                             std::string_view page_host) {
  std::string result;
  MakeLinkAbsolute(link, page_url, page_host, result);
  return result;
}

void MakeLinkAbsolute(std::string_view link, std::string_view page_url, std::string_view page_host,
                      std::string& out) {
  PageLinkBase(page_url, page_host).MakeAbsolute(link, out);
}

PageLinkBase::PageLinkBase(std::string_view page_url, std::string_view page_host)
    : page_url_(page_url), page_host_(page_host) {
  // The page address without its query (and without a "/" right in front of the query).
  std::string_view base = page_url;
  if (const std::size_t query = base.find('?'); query != kNone) {
    base = base.substr(0, query);
    if (base.ends_with('/')) base.remove_suffix(1);
  }
  // Root-relative links are joined to the page address up to the end of the page host, or,
  // when the address does not hold the host (the page came from a redirect), to its scheme and
  // authority.
  const std::size_t host_at = PosExact(base, page_host);
  root_prefix_ = host_at != 0 ? base.substr(0, host_at - 1 + page_host.size())
                              : base.substr(0, FindAuthority(base).end);
  // The directory of the page: a last segment with a dot is a file name and is dropped; one
  // without a dot (or one that is the host itself) counts as a directory.
  const std::size_t last_slash = base.rfind('/');
  const std::string_view last_segment = last_slash == kNone ? base : base.substr(last_slash + 1);
  if (last_segment.find('.') != kNone && PosNoCase(last_segment, page_host) == 0) {
    base = base.substr(0, last_slash == kNone ? 0 : last_slash + 1);
  }
  directory_ = base;
  // A page at the top of its site ("scheme://host/") has no parent directory.
  top_of_site_ = CountOccurrences(directory_, "/") == 3;
}

void PageLinkBase::MakeAbsolute(std::string_view link, std::string& out) const {
  // A bare "/" names the page itself, query included.
  if (link == "/") return Marked(kInternalLink, {page_url_}, out);
  if (link.starts_with('/')) return Marked(kInternalLink, {root_prefix_, link}, out);

  // The verdict: a link that mentions the page host is internal; otherwise an address with a
  // scheme or a "www." name is external and everything else is a path on this site.
  if (PosNoCase(link, page_host_) != 0) {
    if (StartsWithNoCase(link, "http")) return Marked(kInternalLink, {link}, out);
    if (StartsWithNoCase(link, "www.")) return Marked(kInternalLink, {"http://", link}, out);
  } else if (StartsWithNoCase(link, "http") || StartsWithNoCase(link, "www.")) {
    Marked(kExternalLink, {link}, out);
    RestoreSchemeSlashes(out);
    return;
  }

  // A relative link joined to the page's directory; at the top of the site one "../" of the
  // link is dropped so that the join keeps the host.
  std::string_view relative = link;
  std::string shortened;
  if (const std::size_t up = link.find("../"); up != kNone && top_of_site_) {
    shortened.reserve(link.size() - 3);
    shortened.append(link.substr(0, up));
    shortened.append(link.substr(up + 3));
    relative = shortened;
  }
  // A query-only link replaces the file name and query of the page.
  out.clear();
  out += kInternalLink;
  AppendProcessedPath(directory_, relative, relative.starts_with('?') ? "" : "/", out);
  RestoreSchemeSlashes(out);
}

std::string UrlHost(std::string_view url) {
  const AuthoritySpan span = FindAuthority(url);
  std::string_view authority = url.substr(span.begin, span.end - span.begin);
  if (const std::size_t at = authority.rfind('@'); at != kNone) authority.remove_prefix(at + 1);
  return std::string(authority);
}

std::string PageHost(std::string_view url) {
  std::string host = UrlHost(url);
  if (StartsWithNoCase(host, "www.")) host.erase(0, 4);
  return host;
}

}  // namespace zeb
