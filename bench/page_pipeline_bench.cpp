// The whole text pipeline a crawl thread runs on one fetched page: end trim, clean-up, check
// string test, link extraction, title, meta tags, keyword density and the four word counts.
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

void RunPipeline(const std::string& raw, benchmark::State& state) {
  const std::string url = "http://www.partner.example/links/index.htm";
  const std::string host = zeb::PageHost(url);
  const zeb::StopWords stop(zeb::Lines{"the", "and", "of"});
  std::size_t links = 0;
  for (auto _ : state) {
    std::string page = zeb::TrimToHtmlEnd(raw);
    zeb::Lines cache = zeb::SplitLines(page);
    page = zeb::StripLeadingLineBreaks(page);
    page = zeb::NormalizeForCheck(page);
    benchmark::DoNotOptimize(zeb::PosNoCase(page, "mysite.test"));
    page = zeb::DecodeLinkEscapes(page);
    zeb::PageLinks found = zeb::ExtractLinks(page, url, host);
    links = found.All.size();
    benchmark::DoNotOptimize(zeb::ExtractMetaKeywords(page));
    benchmark::DoNotOptimize(zeb::ExtractTitle(page));
    benchmark::DoNotOptimize(zeb::ExtractMetaDescription(page));
    benchmark::DoNotOptimize(zeb::AnalyzeKeywordDensity(page, 2, stop));
    std::string cached = zeb::JoinLines(cache);
    benchmark::DoNotOptimize(zeb::CountWords(cached, false, ""));
    benchmark::DoNotOptimize(zeb::CountWords(cached, false, "mysite.test"));
    benchmark::DoNotOptimize(zeb::CountWords(cached, true, ""));
    benchmark::DoNotOptimize(zeb::CountWords(cached, true, "mysite.test"));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * raw.size()));
  state.counters["links"] = static_cast<double>(links);
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
