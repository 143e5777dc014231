// The whole text pipeline a crawl thread runs on one fetched page: end trim, cache text,
// clean-up, check string test, link extraction, title, meta tags, keyword density and the four
// word counts, with the buffers a crawl thread keeps from page to page.
//
//   build/bench/page_pipeline_bench --benchmark_counters_tabular=true
//
// "Page/real" is a 125 KB page with about 1,000 links; "Page/synthetic/N" are N-megabyte pages
// made of the same kind of markup. bytes_per_second is the page size over the time for all of it.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "analysis/link_extraction.h"
#include "analysis/page_normalisation.h"
#include "analysis/page_scratch.h"
#include "analysis/page_text.h"
#include "analysis/url_normalisation.h"
#include "analysis/word_count.h"
#include "text/lines.h"
#include "text/text_routines.h"

namespace {

// A page that looks like a links page of a partner site: a head with meta tags, paragraphs of
// prose, lists of internal and external links, a script and a footer.
std::string MakePage(std::size_t target_size, unsigned seed) {
  std::mt19937 rng(seed);
  static const char* const kWords[] = {"links", "partner", "garden", "cats", "dogs", "travel",
                                       "the", "and", "of", "resources", "free", "best", "guide",
                                       "home", "news", "about", "contact", "page", "site"};
  auto word = [&] { return std::string(kWords[rng() % std::size(kWords)]); };
  std::string page =
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>Link partners of Example Site</title>\r\n"
      "<meta name=\"keywords\" content=\"links, partners, garden, cats\">\r\n"
      "<meta name=\"description\" content=\"Our link partners and friends\">\r\n"
      "<script type=\"text/javascript\">var counter = 0; function go() { counter++; }</script>\r\n"
      "</head>\r\n<body bgcolor=\"#ffffff\">\r\n";
  int n = 0;
  while (page.size() < target_size) {
    switch (rng() % 5) {
      case 0: {
        page += "<p>";
        for (int i = 0; i < 30; ++i) page += word() + (i % 9 == 8 ? ", " : " ");
        page += "</p>\r\n";
        break;
      }
      case 1:
        page += "<li><a href=\"/" + word() + "/page" + std::to_string(n++) + ".htm\">" + word() +
                " " + word() + "</a></li>\r\n";
        break;
      case 2: {
        const std::string id = std::to_string(n++);
        page += "<li><a href='http://www." + word() + id + ".example/?ref=site&amp;id=" + id +
                "' target=_blank>" + word() + "</a> &nbsp; " + word() + "</li>\r\n";
        break;
      }
      case 3:
        page += "<li><a href=\"http://www.partner.example/" + word() + "/\">" + word() +
                "</a></li>\r\n";
        break;
      default:
        page += "<div class=\"box\"><img src=\"/img/" + word() + ".gif\" alt=\"" + word() +
                "\"><a href=\"" + word() + ".html#top\">" + word() + "</a></div>\r\n";
    }
  }
  page += "<a href=\"http://www.mysite.test/\">My Site</a>\r\n</body>\r\n</html>\r\n";
  return page;
}

// What one crawl thread computes for a page; compared once against the copying calls.
struct PipelineResult {
  std::string page;
  std::string cache;
  std::size_t check = 0;
  zeb::PageLinks links;
  zeb::Lines keywords, title, description, density;
  zeb::WordCounts words;

  bool operator==(const PipelineResult& o) const {
    return page == o.page && cache == o.cache && check == o.check && links.All == o.links.All &&
           links.Internal == o.links.Internal && links.External == o.links.External &&
           keywords == o.keywords && title == o.title && description == o.description &&
           density == o.density && words.total_no_tags == o.words.total_no_tags &&
           words.position_no_tags == o.words.position_no_tags &&
           words.total_tags == o.words.total_tags && words.position_tags == o.words.position_tags;
  }
};

const char kUrl[] = "http://www.partner.example/links/index.htm";
const char kFind[] = "mysite.test";

// The pipeline through the functions that return new strings, step by step.
PipelineResult CopyingPipeline(const std::string& raw, const zeb::StopWords& stop) {
  const std::string host = zeb::PageHost(kUrl);
  PipelineResult r;
  std::string page = zeb::TrimToHtmlEnd(raw);
  r.cache = zeb::JoinLines(zeb::SplitLines(page));
  page = zeb::NormalizeForCheck(zeb::StripLeadingLineBreaks(page));
  r.check = zeb::PosNoCase(page, kFind);
  page = zeb::DecodeLinkEscapes(page);
  r.links = zeb::ExtractLinks(page, kUrl, host);
  r.keywords = zeb::ExtractMetaKeywords(page);
  r.title = zeb::ExtractTitle(page);
  r.description = zeb::ExtractMetaDescription(page);
  r.density = zeb::AnalyzeKeywordDensity(page, 2, stop);
  r.words.total_no_tags = zeb::CountWords(r.cache, false, "");
  r.words.position_no_tags = zeb::CountWords(r.cache, false, kFind);
  r.words.total_tags = zeb::CountWords(r.cache, true, "");
  r.words.position_tags = zeb::CountWords(r.cache, true, kFind);
  r.page = std::move(page);
  return r;
}

// The pipeline as a crawl thread runs it: its page, cache text, link lists and scratch buffers
// are kept from page to page, the clean-up is done in place, and one pass gives the four word counts.
void CrawlPipeline(const std::string& raw, const std::string& host, const zeb::StopWords& stop,
                   zeb::PageScratch& scratch, PipelineResult& r) {
  zeb::TrimToHtmlEnd(raw, r.page, r.cache);  // and the Cache memo's lines
  // The analysis counts the words of the cache text right after it has joined its lines.
  r.words = zeb::CountWordPositions(r.cache, kFind, scratch);
  const bool escapes = zeb::NormalizeForCheckInPlace(r.page);
  r.check = zeb::PosNoCase(r.page, kFind);
  if (escapes) zeb::DecodeLinkEscapesInPlace(r.page);
  zeb::ExtractLinks(r.page, kUrl, host, nullptr, zeb::LinkRules::kOriginal, scratch, r.links);
  r.keywords = zeb::ExtractMetaKeywords(r.page);
  r.title = zeb::ExtractTitle(r.page);
  r.description = zeb::ExtractMetaDescription(r.page);
  r.density = zeb::AnalyzeKeywordDensity(r.page, 2, stop, scratch);
}

void RunPipeline(const std::string& raw, benchmark::State& state) {
  const std::string host = zeb::PageHost(kUrl);
  const zeb::StopWords stop(zeb::Lines{"the", "and", "of"});
  zeb::PageScratch scratch;
  PipelineResult result;
  CrawlPipeline(raw, host, stop, scratch, result);
  if (!(result == CopyingPipeline(raw, stop))) {
    state.SkipWithError("the crawl pipeline and the copying calls disagree");
    return;
  }
  for (auto _ : state) {
    CrawlPipeline(raw, host, stop, scratch, result);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * raw.size()));
  state.counters["links"] = static_cast<double>(result.links.All.size());
  state.counters["page_KB"] = static_cast<double>(raw.size()) / 1024.0;
}

void BM_RealPage(benchmark::State& state) {
  static const std::string page = MakePage(125 * 1024, 1);
  RunPipeline(page, state);
}
BENCHMARK(BM_RealPage)->Name("Page/real")->Unit(benchmark::kMillisecond);

void BM_SyntheticPage(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20, 2);
  RunPipeline(page, state);
}
BENCHMARK(BM_SyntheticPage)
    ->Name("Page/synthetic")
    ->Arg(1)->Arg(2)->Arg(4)->Arg(8)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
