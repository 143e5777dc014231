// Web addresses as a browser reads them: splitting, normalising and resolving http(s) links.
//
// This is the link code of the "modern web" mode. Unlike MakeLinkAbsolute (url_normalisation.h),
// which keeps the crawl's historic text surgery, links are resolved by RFC 3986 section 5 against
// the address the page was finally served from, and a site is recognised by its host name
// whatever the scheme.
//
// Reading an address follows what browsers do with an href, so that the crawl requests what a
// visitor's browser would:
//  - blanks and control bytes around the text are dropped, tabs and line breaks inside it too;
//  - a "\" before the query counts as "/";
//  - the host is percent-decoded and lower-cased (ASCII letters only; bytes >= 0x80 are kept as
//    they are, there is no IDNA); a host holding a blank, a control byte or one of
//    # % / : < > ? @ [ \ ] ^ | is refused; an IPv6 literal ("[::1]") is checked and written in
//    its canonical form ("[0:0::1]" gives "[::1]"); IPv4 hosts are kept as written;
//  - a port is decimal, at most 65535; an empty port counts as none.
// Normalising also percent-encodes the bytes that cannot stand in a request line (control bytes,
// blanks, bytes >= 0x7F, and " < > ` { } in the path, " < > ' in the query), so a result never
// holds a raw blank or NUL byte. Percent-encodings are not decoded.
//
// Every function accepts any input, never fails and runs in time linear in its input.
//
// Thread safety: pure functions.
#ifndef ZEB_ANALYSIS_WEB_ADDRESS_H_
#define ZEB_ANALYSIS_WEB_ADDRESS_H_

#include <optional>
#include <string>
#include <string_view>

namespace zeb {

// An absolute http or https address, split. Scheme and host in lower case; port empty when the
// address gives none or gives the scheme's default (80 for http, 443 for https); path at least
// "/"; query with its "?" or empty; fragment dropped. User info ("user:pw@") dropped.
struct WebAddress {
  std::string scheme, host, port, path, query;
};

// nullopt: not absolute http(s) ("scheme://" followed by an authority), empty or refused host,
// bad port. Apart from the reading rules above, the path and query are kept as written (dot
// segments and encodings untouched).
std::optional<WebAddress> ParseWebAddress(std::string_view url);

// "https://host[:port]/path?query"; a path that does not begin with "/" gets one in front.
std::string ToString(const WebAddress& a);

// The address normalised: ParseWebAddress + ToString, with dot segments removed from the path
// ("/a/./b/../c" -> "/a/c"), percent-encodings' hex digits in upper case and the bytes named
// above percent-encoded; text that is not an absolute http(s) address comes back unchanged.
std::string NormaliseWebAddress(std::string_view url);

// RFC 3986 5.2 reference resolution of `link` (a raw href value: may have blanks around it, may be
// "//host/x" (scheme-relative), "/x", "x", "../x", "?q", "#f", "" ) against `base` (an absolute
// http(s) address). Fragment removed from the result; result normalised as above. Links with a
// scheme other than http/https ("mailto:", "javascript:", "tel:", "ftp:", "data:" ...) come back as
// they stand (trimmed). An empty or fragment-only link gives the base without its fragment. A base
// that is not absolute http(s): return the link trimmed as it stands.
//
// As in browsers, a link that names the base's scheme without "//" is relative ("http:g" on an
// http page is "g"), one that names the other web scheme reads its authority after any number of
// slashes ("https:g" on an http page is "https://g/"), and extra slashes of a scheme-relative
// link are skipped ("///x" is "//x"). A link whose target has an empty or refused host or a bad
// port ("//", "http://x:99999/") comes back trimmed as it stands.
std::string ResolveWebLink(std::string_view base, std::string_view link);

// Whether two absolute addresses belong to one site: their host names are equal ignoring letter
// case and one leading "www."; scheme and port are ignored. False when either is not http(s).
bool SameSite(std::string_view a, std::string_view b);

// The class digit ('0' internal, '1' external, as in url_normalisation.h: kInternalLink,
// kExternalLink) followed by the resolved address: internal when the resolved address is http(s)
// and SameSite(base, resolved); external when it is http(s) on another site; a non-web scheme
// link ("mailto:x") is '0' followed by the link as it stands (the crawl classifies and skips it).
// So is a link that does not resolve to an address (see ResolveWebLink).
std::string MakeLinkAbsoluteModern(std::string_view link, std::string_view base);

// A resolved link's text and, when the text was built from an address, that address (already
// normalised); ResolveWebLink's result is the text.
struct ResolvedLink {
  std::string text;
  std::optional<WebAddress> address;
};

// ResolveWebLink and MakeLinkAbsoluteModern for the links of one page: the base is read once,
// not once per link (or twice, as the classing needs it again).
class LinkResolver {
 public:
  explicit LinkResolver(std::string_view base);
  std::string Resolve(std::string_view link) const;       // ResolveWebLink(base, link)
  std::string MakeAbsolute(std::string_view link) const;  // MakeLinkAbsoluteModern(link, base)
  ResolvedLink ResolveParts(std::string_view link) const;

  // A host without one leading "www.": two addresses are one site when these are equal.
  static std::string_view SiteOf(std::string_view host);

 private:
  std::optional<WebAddress> base_address_;
  std::string base_site_;  // the base's host without "www."
};

// The key under which an address counts as one page for the crawl's duplicate test: the
// normalised address without its scheme, so that http://Site.test/a, http://site.test:80/a,
// https://site.test/a and https://site.test:443/a share "site.test/a"; "http://x:8080/a" gives
// "x:8080/a". Non-http(s) text comes back unchanged.
std::string DuplicateKey(std::string_view url);

// The twin of an address under the other scheme, normalised: http://x/a <-> https://x/a (an
// explicit non-default port is kept as it is; "http://x:443/a" gives "https://x/a" since 443 is
// the default of https). Non-http(s) text: empty.
std::string OtherSchemeTwin(std::string_view url);

// The origin whose robots.txt governs an address, always with its port:
// "https://Site.test/a" -> "https://site.test:443", "http://x:8080/b" -> "http://x:8080". Empty for
// non-http(s). And the robots.txt address of that origin, port omitted when default:
// "https://site.test/robots.txt" (empty for non-http(s)).
std::string RobotsOrigin(std::string_view url);
std::string RobotsFileUrl(std::string_view url);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_WEB_ADDRESS_H_
