// How a node ends when its download goes wrong, and that the run goes on after it.
#include <gtest/gtest.h>

#include "engine/crawl_engine.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using testing::CrawlFixture;
using testing::Reply;
using testing::RunRecord;

constexpr int kLimit = 5000;

// A page of exactly `length` characters whose end tag is within its last 10, so the end trim
// leaves it as it is.
std::string PageOfLength(std::size_t length) {
  const std::string head = "<html><body>", tail = "</body></html>";
  return head + std::string(length - head.size() - tail.size(), 'w') + tail;
}

TEST(CrawlDownloadTest, EachFailureEndsItsNodeWithItsStateAndNotice) {
  CrawlFixture f;
  f.SetNetwork("HTTPReadTimeout", "200");
  f.SetNetwork("HTTPRedirectMaximum", "5");
  f.settings.IgnoreSize = kLimit;
  const std::vector<std::string> paths = {"/gzip.htm",  "/missing.htm", "/moved.htm",
                                          "/loop1.htm", "/over.htm",    "/exact.htm",
                                          "/endless.htm", "/trickle.htm", "/last.htm"};
  std::string index = "<html><body>";
  for (const std::string& p : paths) index += "<a href=\"" + p + "\">x</a>";
  f.site().Page("/index.htm", index + "</body></html>");

  Reply gzip;
  gzip.body = std::string("\x1f\x8b\x08\x00 not really", 15);
  gzip.headers = {{"Content-Encoding", "gzip"}};
  f.site().Serve("/gzip.htm", gzip);
  f.site().Redirect("/moved.htm", "/target.htm");
  f.site().Page("/target.htm", "<html><body><a href=\"/from-target.htm\">t</a></body></html>");
  f.site().Redirect("/loop1.htm", "/loop2.htm");
  f.site().Redirect("/loop2.htm", "/loop1.htm");
  f.site().Page("/over.htm", PageOfLength(kLimit + 1));
  f.site().Page("/exact.htm", PageOfLength(kLimit));
  Reply endless;
  endless.kind = Reply::Body::kEndless;
  f.site().Serve("/endless.htm", endless);
  Reply trickle;
  trickle.kind = Reply::Body::kTrickle;
  trickle.trickle_gap = 50ms;  // under the read time-out: only the transfer limit ends it
  f.site().Serve("/trickle.htm", trickle);
  f.site().Page("/last.htm", "<html><body>the end</body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "never.example");
  f.AddPartner("Closed", "http://127.0.0.1:1/index.htm", "never.example");

  RunOptions options = CrawlFixture::FastOptions();
  options.transfer_floor = 1500ms;
  const auto started = std::chrono::steady_clock::now();
  RunRecord run = f.Run({"Cats", "Closed"}, {}, options);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);

  // The second partner's start page cannot be reached at all.
  ASSERT_EQ(run.outcomes.size(), 2u);
  std::vector<FrontierRow> closed = f.Frontier();
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_EQ(closed[0].RunState, "Error");
  EXPECT_EQ(closed[0].ResponseCode, "0");
  EXPECT_NE(run.FinalNotice("http://127.0.0.1:1/index.htm").find("onnect"), std::string::npos);

  // The first partner's rows, read back from its notices and a rerun of the crawl alone.
  run = f.Run({"Cats"}, {}, options);
  struct Want {
    std::string path, state, code, notice;
  };
  const std::vector<Want> want = {
      {"/gzip.htm", "gzip", "200", "gzip"},
      {"/missing.htm", "Error", "404", "HTTP/1.1 404 Not Found"},
      {"/moved.htm", "OK", "200", ""},
      {"/loop1.htm", "Error", "301", "Maximum (5) redirects followed"},
      {"/over.htm", "TooBig", "200", "TooBig"},
      {"/exact.htm", "OK", "200", ""},
      {"/endless.htm", "TooBig", "200", "TooBig"},
      {"/trickle.htm", "Error", "200", "Operation timed out after"},
      {"/last.htm", "OK", "200", ""},
  };
  for (const Want& w : want) {
    SCOPED_TRACE(w.path);
    std::optional<FrontierRow> row = f.RowOf(f.Url(w.path));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->RunState, w.state);
    EXPECT_EQ(row->ResponseCode, w.code);
    const std::string notice = run.FinalNotice(f.Url(w.path));
    if (w.notice.empty()) {
      EXPECT_EQ(notice, "");
    } else {
      EXPECT_EQ(notice.rfind(w.notice, 0), 0u) << notice;
    }
  }
  // The redirected page was read from its new address: its links are relative to it.
  EXPECT_TRUE(f.RowOf(f.Url("/from-target.htm")));
  EXPECT_EQ(f.RowOf(f.Url("/moved.htm"))->Host,
            "partner.localhost:" + std::to_string(f.site().port()));
  // Failed fetches are recorded in URLTrack; a refused page has no analysis fields.
  EXPECT_FALSE(f.RowOf(f.Url("/gzip.htm"))->StringsFound);
  EXPECT_EQ(f.RowOf(f.Url("/over.htm"))->FileSize, 0);
  EXPECT_EQ(f.RowOf(f.Url("/exact.htm"))->FileSize, kLimit);
}

// A start page behind an endless chain of redirects: the partner is not found, and the messages
// say why.
TEST(CrawlDownloadTest, AStartPageThatCannotBeReadIsNamedInTheMessages) {
  CrawlFixture f;
  for (int i = 0; i < 30; ++i) {
    f.site().Redirect("/r" + std::to_string(i) + ".htm", "/r" + std::to_string(i + 1) + ".htm");
  }
  f.AddPartner("Cats", f.Url("/r0.htm"), "mysite.example");
  RunRecord run = f.Run({"Cats"});
  EXPECT_TRUE(run.outcomes[0].FoundURL.empty());
  int named = 0;
  for (const std::string& m : run.messages) {
    named += m.starts_with("The start page could not be read: ") ? 1 : 0;
  }
  EXPECT_EQ(named, 1);
}

TEST(CrawlDownloadTest, IgnoreSizeZeroReadsAllPages) {
  CrawlFixture f;
  f.settings.IgnoreSize = 0;
  f.site().Page("/big.htm", PageOfLength(300000) );
  f.AddPartner("Cats", f.Url("/big.htm"), "never.example");
  f.Run({"Cats"});
  EXPECT_EQ(f.Frontier()[0].RunState, "OK");
  EXPECT_EQ(f.Frontier()[0].FileSize, 300000);
}

TEST(CrawlDownloadTest, BadNetworkValueIsReportedOnceAndItsDefaultUsed) {
  CrawlFixture f;
  f.SetNetwork("HTTPReadTimeout", "soon");
  f.site().Page("/index.htm", "<html><body><a href=\"/a.htm\">a</a></body></html>");
  f.site().Page("/a.htm", "<html><body>mysite.example</body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  RunRecord run = f.Run({"Cats"});
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a.htm"));
  int lines = 0;
  for (const std::string& m : run.messages) {
    lines += m.find("HTTPReadTimeout") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(lines, 1);
}

TEST(CrawlDownloadTest, RequestsCarryTheUserAgentAndTheLiteralAcceptEncoding) {
  CrawlFixture f;
  f.SetNetwork("HTTPAccept", "text/html");
  f.site().Page("/index.htm", "<html><body>x</body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  f.Run({"Cats"});
  bool page_seen = false;
  for (const testing::LoggedRequest& r : f.site().Requests()) {
    if (r.path == "/robots.txt") {
      EXPECT_EQ(r.user_agent, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
      continue;
    }
    page_seen = true;
    EXPECT_EQ(r.user_agent, "ZEB test");
    EXPECT_EQ(r.accept, "text/html");
    EXPECT_EQ(r.accept_encoding, "*");
  }
  EXPECT_TRUE(page_seen);
}

TEST(CrawlDownloadTest, TransferLimitCoversTheThrottledPage) {
  EXPECT_EQ(TransferLimit(120000ms, 30000ms, 0, 125000), 300000ms);
  EXPECT_EQ(TransferLimit(120000ms, 5000ms, 0, 125000), 120000ms);
  // 125,000 bytes at 1,000 bytes per second need 125 s more.
  EXPECT_EQ(TransferLimit(120000ms, 5000ms, 1000, 125000), 245000ms);
}

}  // namespace
}  // namespace zeb
