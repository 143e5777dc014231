#include <cstdlib>

#include "analysis/link_extraction.h"
#include "analysis/page_normalisation.h"
#include "analysis/page_scratch.h"
#include "analysis/url_normalisation.h"
#include "analysis/word_count.h"
#include "fuzz_input.h"
#include "text/lines.h"

namespace {

// The buffers a crawl thread keeps from page to page, kept here from input to input.
zeb::PageScratch scratch;
std::string reused_page;
std::string reused_cache;
zeb::PageLinks reused_links;

void Check(bool same) {
  if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = zeb::fuzz::Split(data, size, 3);
  std::string page = zeb::TrimToHtmlEnd(args[0]);
  zeb::TrimToHtmlEnd(args[0], reused_page);
  Check(reused_page == page);
  zeb::JoinSplitLines(page, reused_cache);
  Check(reused_cache == zeb::JoinLines(zeb::SplitLines(page)));
  zeb::TrimToHtmlEnd(args[0], reused_page, reused_cache);  // both in one pass
  Check(reused_page == page && reused_cache == zeb::JoinLines(zeb::SplitLines(page)));

  page = zeb::DecodeLinkEscapes(zeb::NormalizeForCheck(zeb::StripLeadingLineBreaks(page)));
  if (zeb::NormalizeForCheckInPlace(reused_page)) zeb::DecodeLinkEscapesInPlace(reused_page);
  Check(reused_page == page);

  std::string url = "http://" + args[1];
  zeb::PageLinks links = zeb::ExtractLinks(page, url, zeb::PageHost(url));
  if (links.All.size() != links.Internal.size() + links.External.size()) std::abort();
  zeb::PageLinks reusing =
      zeb::ExtractLinks(page, url, zeb::PageHost(url), nullptr, zeb::LinkRules::kOriginal, scratch);
  Check(reusing.All == links.All && reusing.Internal == links.Internal &&
        reusing.External == links.External);
  zeb::ExtractLinks(page, url, zeb::PageHost(url), nullptr, zeb::LinkRules::kOriginal, scratch,
                    reused_links);
  Check(reused_links.All == links.All && reused_links.Internal == links.Internal &&
        reused_links.External == links.External);

  const zeb::WordCounts counts = zeb::CountWordPositions(args[0], args[2], scratch);
  Check(counts.total_no_tags == zeb::CountWords(args[0], false, ""));
  Check(counts.position_no_tags == zeb::CountWords(args[0], false, args[2]));
  Check(counts.total_tags == zeb::CountWords(args[0], true, ""));
  Check(counts.position_tags == zeb::CountWords(args[0], true, args[2]));
  zeb::StripTags(args[2]);
  return 0;
}
