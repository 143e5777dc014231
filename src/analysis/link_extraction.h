// Cutting a fetched page down and finding its links.
//
// This is text surgery on one string, not an HTML parser: the scanner finds the letters "href"
// anywhere (any letter case) and cuts the value out with a handful of delimiters. What it finds
// and misses follows from those steps and is part of the behaviour, so the code keeps them
// exactly; it only avoids their cost. Each step is written as a single forward pass over the
// page, so a page with a million "href" words or ten megabytes without a ">" costs time linear
// in its length.
//
// Two limits keep hostile pages from exhausting memory: a link target longer than
// kMaxLinkLength characters is cut to that length, and once the links of a page add up to
// kMaxLinkBytes characters the scan stops. Real pages never come near either.
//
// Thread safety: pure functions; the observer is called on the caller's thread.
#ifndef ZEB_ANALYSIS_LINK_EXTRACTION_H_
#define ZEB_ANALYSIS_LINK_EXTRACTION_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "analysis/page_scratch.h"
#include "text/lines.h"

namespace zeb {

inline constexpr std::size_t kMaxLinkLength = 4096;
inline constexpr std::size_t kMaxLinkBytes = 64u << 20;

// Normalises the end of a page: when its first "</html>" (exact case, else "</HTML>") lies more
// than 10 characters before the end, or there is none and the page is longer than 10 characters,
// every "</html>" (any case) is removed and one "</html>" is put in front of the page's last
// character. A page of at most 10 characters without an end tag gets its NULs (but the last
// character) turned into blanks. The length of the result is the page size the crawl keeps.
std::string TrimToHtmlEnd(std::string_view page);

// TrimToHtmlEnd into out, whose capacity is kept for the next page; out must not share memory
// with page.
void TrimToHtmlEnd(std::string_view page, std::string& out);

// TrimToHtmlEnd into out and, in the same pass, JoinSplitLines of out into joined (neither may
// share memory with page or the other).
void TrimToHtmlEnd(std::string_view page, std::string& out, std::string& joined);

// Keeps the body of a page: renumbers the body tags so that only the first "<body" and the last
// "</body" keep their names (the others read "<bod1", "<bod2", ... and "</bod0", "</bod1", ...),
// then drops everything before the "<body" and everything after the 7 characters that start at
// the "</body". Without "<body" nothing is cut at the front; without "</body" after it, nothing
// at the end.
std::string CutToBody(std::string_view page);

// CutToBody without renumbering when the page has at most one "<bod" and one "</bod" (any
// case), each the start of a body tag: then the result is a view into page, or, when a tag is
// not spelled in lower case, a copy in scratch with the tag names lowered. Other pages are
// renumbered in scratch. Valid while page and scratch are unchanged.
std::string_view CutToBody(std::string_view page, std::string& scratch);

// Progress of ExtractLinks, for the console's connection bar and link counter.
class LinkScanObserver {
 public:
  virtual ~LinkScanObserver() = default;
  // Once per "href" visited: the number of characters of page text still to scan.
  virtual void StringLeft(std::size_t characters_left) = 0;
  // Once per link taken, with its class digit ('0' internal, '1' external) in front.
  virtual void NewLink(const std::string& link) = 0;
};

struct PageLinks {
  Lines All;       // every link, in page order, as made absolute (class digit removed)
  Lines Internal;  // the internal links, "http://" put in front of those that lack "http"
  Lines External;  // the external links, likewise
};

// How targets become addresses: the original crawl's MakeLinkAbsolute, or as a browser
// resolves them (MakeLinkAbsoluteModern: RFC 3986 against the address the page was served
// from, internal by host name whatever the scheme).
enum class LinkRules { kOriginal, kBrowser };

// Finds the links of a page. page is the text after the crawl's clean-up (line breaks and tabs
// removed, escapes decoded); page_url is the page's address (kBrowser: the address it was
// finally served from) and page_host its host without "www." (PageHost; unused by kBrowser).
// observer may be null.
PageLinks ExtractLinks(std::string_view page, std::string_view page_url,
                       std::string_view page_host, LinkScanObserver* observer = nullptr,
                       LinkRules rules = LinkRules::kOriginal);

// ExtractLinks with its working text kept in the thread's scratch buffers.
PageLinks ExtractLinks(std::string_view page, std::string_view page_url, std::string_view page_host,
                       LinkScanObserver* observer, LinkRules rules, PageScratch& scratch);

// ExtractLinks into links, whose lists and their strings are overwritten and keep their memory:
// a crawl thread that passes the same lists for every page allocates for a link only when the
// page has more links, or longer ones, than the pages before it.
void ExtractLinks(std::string_view page, std::string_view page_url, std::string_view page_host,
                  LinkScanObserver* observer, LinkRules rules, PageScratch& scratch,
                  PageLinks& links);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_LINK_EXTRACTION_H_
