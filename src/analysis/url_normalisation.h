// Turning a raw link target into an absolute address with an internal/external verdict.
//
// MakeLinkAbsolute is text surgery, not an RFC 3986 resolver: it keeps the crawl's own rules (a
// last path segment without a dot is a directory, a page at the top of its site drops one "../",
// a query-only link replaces the file name, a link that mentions the page host is internal).
// The verdict travels as the first character of the result, the class digit: '0' internal, '1'
// external.
//
// Thread safety: pure functions.
#ifndef ZEB_ANALYSIS_URL_NORMALISATION_H_
#define ZEB_ANALYSIS_URL_NORMALISATION_H_

#include <string>
#include <string_view>

namespace zeb {

inline constexpr char kInternalLink = '0';
inline constexpr char kExternalLink = '1';

// link: the raw target as cut from the page (non-empty, fragment removed, "&amp;" not decoded);
// page_url: the address of the page it was found on; page_host: the page's host without a
// leading "www." (see PageHost). Returns the class digit followed by the address.
//
// A root-relative link on a page whose address does not hold page_host (a redirect to another
// host) is joined to the scheme and authority of page_url instead of a meaningless prefix.
// The path join collapses the "//" after a scheme and only "http:/" is repaired, so relative
// links on an https page come back as "https:/host/..."; such links are recorded as secure and
// never fetched.
std::string MakeLinkAbsolute(std::string_view link, std::string_view page_url,
                             std::string_view page_host);

// The same, written into out (which must not overlap the arguments), so that its memory is
// reused from link to link.
void MakeLinkAbsolute(std::string_view link, std::string_view page_url, std::string_view page_host,
                      std::string& out);

// MakeLinkAbsolute for the links of one page: what depends on the page alone (its address
// without the query, the prefix of root-relative links, its directory) is worked out once.
class PageLinkBase {
 public:
  PageLinkBase(std::string_view page_url, std::string_view page_host);
  // MakeLinkAbsolute(link, page_url, page_host, out).
  void MakeAbsolute(std::string_view link, std::string& out) const;

 private:
  std::string page_url_;
  std::string page_host_;
  std::string root_prefix_;    // what a root-relative link is joined to
  std::string directory_;      // what a relative link is joined to
  bool top_of_site_ = false;   // the directory is "scheme://host/": one "../" goes
};

// The host of an address as the address names it: the host name, plus ":" and the port when the
// address gives one ("http://Site.test:8080/a" gives "Site.test:8080"). Letter case is kept.
// Text before "://" is the scheme (only when no "/" comes before it); the host ends at the
// first "/", "?" or "#". User information ("user:pw@") is dropped.
std::string UrlHost(std::string_view url);

// UrlHost without a leading "www." (any letter case): the page host that link extraction uses.
std::string PageHost(std::string_view url);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_URL_NORMALISATION_H_
