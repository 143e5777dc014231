#include "analysis/link_extraction.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>

#include "analysis/literal_reference.h"
#include "analysis/random_pages.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

const std::string kPage = "http://site.test/a/b.htm";
const std::string kHost = "site.test";

// Records the notices of a scan.
class Recorder : public LinkScanObserver {
 public:
  void StringLeft(std::size_t left) override { string_left.push_back(left); }
  void NewLink(const std::string& link) override { new_links.push_back(link); }
  std::vector<std::size_t> string_left;
  Lines new_links;
};

Lines AllLinks(const std::string& body) { return ExtractLinks(body, kPage, kHost).All; }

TEST(TrimToHtmlEndTest, Cases) {
  struct Case {
    const char* name;
    std::string page;
    std::string want;
  };
  const Case cases[] = {
      {"end tag in the middle moves in front of the last character",
       "<html>a</html>bcdefghijklmn", "<html>abcdefghijklm</html>n"},
      {"every end tag in any case goes", "x</HTML>y</html>z0123456789", "xyz012345678</html>9"},
      {"end tag within the last 10 characters stays", "<p>text</html>\r\n", "<p>text</html>\r\n"},
      {"end tag with 10 characters after it still moves", "ab</html>0123456789",
       "ab012345678</html>9"},
      {"end tag exactly 10 characters before the end stays", "ab</html>0123",
       "ab</html>0123"},
      {"one more character and it moves", "ab</html>01234", "ab0123</html>4"},
      {"no end tag on a long page: one is put in", "0123456789ABC", "0123456789AB</html>C"},
      {"upper-case tag near the end stays", "x</HTML>", "x</HTML>"},
      {"empty page", "", ""},
      {"short page: NULs become blanks, the last stays", std::string("a\0b\0", 4),
       std::string("a b\0", 4)},
      {"short page with the end tag keeps its NULs", std::string("\0</html>", 8),
       std::string("\0</html>", 8)},
      {"only end tags", "</html></html>", "</html>"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimToHtmlEnd(c.page), c.want) << c.name;
}

// TrimToHtmlEnd's steps as they read: the first "</html>" (else "</HTML>") in the whole page,
// then every end tag removed and one put in front of the last character, or the page kept.
std::string TrimStepByStep(const std::string& page) {
  auto end_tag = [](const std::string& t) {
    const std::size_t p = PosExact(t, "</html>");
    return p != 0 ? p : PosExact(t, "</HTML>");
  };
  std::size_t p = end_tag(page);
  std::string text = page;
  if (static_cast<long long>(p) < static_cast<long long>(page.size()) - 10) {
    text = FastAnsiReplace(page, "</html>", "", kReplaceAll | kIgnoreCase);
    text.insert(text.empty() ? 0 : text.size() - 1, "</html>");
    p = end_tag(text);
  }
  if (p == 0 && text.size() > 1) {
    for (std::size_t k = 0; k + 1 < text.size(); ++k) {
      if (text[k] == '\0') text[k] = ' ';
    }
  }
  return text;
}

// Pages of up to a few hundred kilobytes with end tags (of either spelling, whole or cut) near
// the boundaries of the chunks the copy is searched in, near the end and nowhere.
TEST(TrimToHtmlEndTest, MatchesTheStepsOnLongPages) {
  std::mt19937 random(2718);
  const std::vector<std::string> tags = {"</html>", "</HTML>", "</HtMl>", "</html", "/html>",
                                         std::string(1, '\0')};
  std::string reused;
  std::string joined;
  const char* const line_ends[] = {"\r\n", "\r", "\n"};
  for (int round = 0; round < 300; ++round) {
    std::string page(random() % (200 * 1024), 'x');
    // Line ends here and there, some at the copy's chunk boundaries, for the joined lines.
    for (int k = static_cast<int>(random() % 6); k > 0; --k) {
      const std::size_t at = k % 2 == 0 ? (random() % 4 + 1) * 64 * 1024 - random() % 2
                                        : random() % (page.size() + 1);
      if (at <= page.size()) page.insert(at, line_ends[random() % 3]);
    }
    for (int k = static_cast<int>(random() % 4); k > 0; --k) {
      const std::string& tag = tags[random() % tags.size()];
      std::size_t at = 0;
      switch (random() % 3) {
        case 0: at = (random() % 4) * 64 * 1024 + random() % 16; break;  // at a chunk start
        case 1: at = (random() % 4 + 1) * 64 * 1024 - random() % 16; break;  // across its end
        default: at = page.size() - random() % 24;  // near the end of the page
      }
      if (at <= page.size()) page.insert(std::min(at, page.size()), tag);
    }
    const std::string want = TrimStepByStep(page);
    ASSERT_EQ(TrimToHtmlEnd(page), want) << "round " << round;
    TrimToHtmlEnd(page, reused);
    ASSERT_EQ(reused, want) << "round " << round;
    TrimToHtmlEnd(page, reused, joined);
    ASSERT_EQ(reused, want) << "round " << round;
    ASSERT_EQ(joined, JoinLines(SplitLines(want))) << "round " << round;
  }
}

TEST(CutToBodyTest, Cases) {
  struct Case {
    const char* name;
    std::string page;
    std::string want;
  };
  const Case cases[] = {
      {"head is cut", "<head><a href=x></head><body>b</body>tail", "<body>b</body>"},
      {"only the first body and the last end tag keep their names",
       "<BODY>1<body>2</body>3</BODY>4", "<body>1<bod1>2</bod0>3</body>"},
      {"the character after </body is kept", "<body>x</body >", "<body>x</body "},
      {"no body tags: unchanged", "<p>hi</p>", "<p>hi</p>"},
      {"an end tag before the body is cut away with the front", "</body>x<body>y",
       "<body>y"},
      {"a page spelling <bod0 itself", "<BOD0 x", "<body x"},
      {"a page spelling </bod-1 itself", "a</bod-1>b", "a</body>"},
  };
  for (const Case& c : cases) EXPECT_EQ(CutToBody(c.page), c.want) << c.name;
}

TEST(ExtractLinksTest, HrefValueForms) {
  struct Case {
    const char* name;
    std::string body;
    Lines want;
  };
  const Case cases[] = {
      {"double quotes", "<a href=\"c.htm\">", {"http://site.test/a/c.htm"}},
      {"single quotes with blanks around =", "<a href = 'c.htm'>", {"http://site.test/a/c.htm"}},
      {"unquoted, attribute in capitals", "<A HREF=c.htm>", {"http://site.test/a/c.htm"}},
      {"fragment is cut", "<a href=\"c.htm#top\">", {"http://site.test/a/c.htm"}},
      {"a target that is only a fragment yields nothing", "<a href=\"#top\">x</a>", {}},
      {"a blank ends a quoted target", "<a href=\"c d.htm\">", {"http://site.test/a/c"}},
      {"href in visible text takes what follows the next =",
       "see href below and x=y.htm here", {"http://site.test/a/y.htm"}},
      {"ampersand entities become plain &", "<a href=\"/p.php?a=1&amp;b=2\">",
       {"http://site.test/p.php?a=1&b=2"}},
      {"the same link twice stands twice", "<a href=x.htm></a><a href=x.htm>",
       {"http://site.test/a/x.htm", "http://site.test/a/x.htm"}},
      {"external www link keeps its bare form in All", "<a href=\"www.other.test\">",
       {"www.other.test"}},
      {"no href at all", "<p>plain text</p>", {}},
      {"empty value between quotes", "<a href=''>", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(AllLinks(c.body), c.want) << c.name;
}

TEST(ExtractLinksTest, SplitsInternalAndExternalAndAddsTheScheme) {
  PageLinks links = ExtractLinks(
      "<head><a href=/head.htm></head><body><a href=\"/in.htm\">"
      "<a href='http://other.test/x'><a href=\"www.other.test\"><a href=\"mailto:me\"></body>",
      kPage, kHost);
  EXPECT_EQ(links.All, (Lines{"http://site.test/in.htm", "http://other.test/x",
                              "www.other.test", "http://site.test/a/mailto:me"}));
  EXPECT_EQ(links.Internal, (Lines{"http://site.test/in.htm", "http://site.test/a/mailto:me"}));
  EXPECT_EQ(links.External, (Lines{"http://other.test/x", "http://www.other.test"}));
}

TEST(ExtractLinksTest, NoticesFollowTheScan) {
  Recorder recorder;
  std::string body = "<a href=\"a.htm\"><a href=\"#x\"><a href=\"b.htm\">";
  ExtractLinks(body, kPage, kHost, &recorder);
  literal::ExtractedLinks expected = literal::ExtractLinks(body, kPage, kHost);
  EXPECT_EQ(recorder.string_left, expected.string_left);
  EXPECT_EQ(recorder.string_left.size(), 3u);
  EXPECT_EQ(recorder.new_links, (Lines{"0http://site.test/a/a.htm", "0http://site.test/a/b.htm"}));
}

// The linear scanner against the delete-and-search-again transcription.
TEST(ExtractLinksTest, MatchesTheLiteralScanOnGeneratedPages) {
  testing::RandomPages pages(20261209);
  const std::vector<std::pair<std::string, std::string>> sites = {
      {"http://site.test/a/b.htm", "site.test"},
      {"http://www.site.test/", "site.test"},
      {"http://site.test:8080/d?q=1", "site.test:8080"},
      {"http://other.host/", "site.test"}};
  for (int i = 0; i < 10000; ++i) {
    std::string page = pages.Page();
    const auto& [url, host] = sites[static_cast<std::size_t>(i) % sites.size()];
    Recorder recorder;
    PageLinks fast = ExtractLinks(page, url, host, &recorder);
    literal::ExtractedLinks slow = literal::ExtractLinks(page, url, host);
    ASSERT_EQ(fast.All, slow.all) << "page #" << i << ": " << page;
    ASSERT_EQ(fast.Internal, slow.internal) << page;
    ASSERT_EQ(fast.External, slow.external) << page;
    ASSERT_EQ(recorder.string_left, slow.string_left) << page;
  }
}

TEST(CutToBodyTest, MatchesTheLiteralRewriteOnGeneratedPages) {
  testing::RandomPages pages(7);
  for (int i = 0; i < 10000; ++i) {
    std::string page = pages.Page();
    ASSERT_EQ(CutToBody(page), literal::CutToBody(page)) << page;
  }
  // More than ten body tags, so that numbers reach two digits ("</bod1" followed by "0").
  std::string many;
  for (int i = 0; i < 12; ++i) many += "<body>x</body>0";
  EXPECT_EQ(CutToBody(many), literal::CutToBody(many));
}

TEST(CutToBodyTest, ViewAndCopyMatchTheLiteralRewrite) {
  const std::string cases[] = {
      "<head>h</head><body>b</body></html>",  // a view into the page
      "<HEAD>h</HEAD><BODY>b</BODY></HTML>",  // tag names lowered in a copy
      "<head></head><Body>b</body>",          // only the start tag
      "x</BODY>tail",                         // an end tag without a start tag
      "</body><body>b",                       // the end tag is cut away with the head
      "<body>a<body>b</body>c</body>d",       // renumbered
      "<bod0><body>x</body>",                 // a "<bod" that is no body tag
      "",
  };
  std::string scratch;
  for (const std::string& page : cases) {
    EXPECT_EQ(CutToBody(page, scratch), literal::CutToBody(page)) << page;
  }
  // The view shares the page's memory: nothing was copied.
  const std::string page = "<p>head</p><body>text</body>";
  const std::string_view body = CutToBody(page, scratch);
  EXPECT_EQ(body.data(), page.data() + 11);
}

TEST(ExtractLinksTest, ReusedScratchMatchesTheLiteralScanOnGeneratedPages) {
  testing::RandomPages pages(31);
  PageScratch scratch;  // reused from page to page, as a crawl thread does
  std::string body;
  for (int i = 0; i < 10000; ++i) {
    const std::string page = pages.Page(i % 5 == 0 ? 300 : 40);
    ASSERT_EQ(CutToBody(page, body), literal::CutToBody(page)) << page;
    Recorder recorder;
    PageLinks fast = ExtractLinks(page, kPage, kHost, &recorder, LinkRules::kOriginal, scratch);
    literal::ExtractedLinks slow = literal::ExtractLinks(page, kPage, kHost);
    ASSERT_EQ(fast.All, slow.all) << "page #" << i << ": " << page;
    ASSERT_EQ(fast.Internal, slow.internal) << page;
    ASSERT_EQ(fast.External, slow.external) << page;
    ASSERT_EQ(recorder.string_left, slow.string_left) << page;
  }
}

// The same lists refilled page after page, as a crawl thread does: pages with more links and
// longer ones alternate with pages with fewer and shorter ones, and with pages without any.
TEST(ExtractLinksTest, ReusedListsMatchTheLiteralScanOnGeneratedPages) {
  testing::RandomPages pages(2024);
  const std::vector<std::pair<std::string, std::string>> sites = {
      {"http://site.test/a/b.htm", "site.test"}, {"http://other.host/", "site.test"}};
  PageScratch scratch;
  PageLinks links;
  for (int i = 0; i < 10000; ++i) {
    const std::string page = pages.Page(i % 7 == 0 ? 300 : (i % 3 == 0 ? 2 : 40));
    const auto& [url, host] = sites[static_cast<std::size_t>(i) % sites.size()];
    Recorder recorder;
    ExtractLinks(page, url, host, &recorder, LinkRules::kOriginal, scratch, links);
    literal::ExtractedLinks slow = literal::ExtractLinks(page, url, host);
    ASSERT_EQ(links.All, slow.all) << "page #" << i << ": " << page;
    ASSERT_EQ(links.Internal, slow.internal) << page;
    ASSERT_EQ(links.External, slow.external) << page;
    ASSERT_EQ(recorder.string_left, slow.string_left) << page;
  }
  // Browser rules into lists that held the original rules' links.
  const std::string page = "<body><a href='/x.htm'>x</a><a href='b.htm'>b</a>"
                           "<a href='http://other.test/'>o</a></body>";
  ExtractLinks(page, kPage, kHost, nullptr, LinkRules::kBrowser, scratch, links);
  const PageLinks fresh = ExtractLinks(page, kPage, kHost, nullptr, LinkRules::kBrowser);
  EXPECT_EQ(links.All, fresh.All);
  EXPECT_EQ(links.Internal, fresh.Internal);
  EXPECT_EQ(links.External, fresh.External);
  EXPECT_EQ(links.All.size(), 3u);
}

// "amp;" goes from every link in any letter case, left to right, and what a removal joins is
// not looked at again.
TEST(ExtractLinksTest, AmpRemovalMatchesTheLiteralScan) {
  const std::vector<std::string> targets = {
      "x.htm?a=1&amp;b=2", "x.htm?a=1&AMP;b=2&aMp;c=3", "amp;amp;", "aamp;mp;;", "x&amp",
      "amp;",              ";amp;",                     "am;p;",    "ampamp;;", "http://other.test/?q&Amp;r",
      "a&amp;amp;b",       ";;;",                       "&AMP"};
  for (const std::string& target : targets) {
    for (const std::string& url : {kPage, std::string("http://other.host/")}) {
      const std::string page = "<body><a href='" + target + "'>x</a> <a href=\"" + target +
                               "\">y</a></body>";
      const PageLinks fast = ExtractLinks(page, url, kHost);
      const literal::ExtractedLinks slow = literal::ExtractLinks(page, url, kHost);
      EXPECT_EQ(fast.All, slow.all) << target;
      EXPECT_EQ(fast.Internal, slow.internal) << target;
      EXPECT_EQ(fast.External, slow.external) << target;
    }
  }
}

double SecondsFor(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Hostile pages finish quickly and within the memory limits.
TEST(ExtractLinksTest, HostilePagesStayLinear) {
  std::string no_close(10u << 20, 'x');  // ten megabytes without a ">" (one huge link)
  no_close.replace(100, 6, "href='");
  std::string million_hrefs;
  for (int i = 0; i < 1000000; ++i) million_hrefs += "href ";
  std::string glued;  // every link runs to the end of the page
  for (int i = 0; i < 250000; ++i) glued += "href";
  std::string bodies;
  for (int i = 0; i < 1000; ++i) bodies += "<body><a href=x.htm></body>";
  std::string nuls(4u << 20, '\0');

  PageLinks links;
  EXPECT_LT(SecondsFor([&] { links = ExtractLinks(no_close, kPage, kHost); }), 5.0);
  ASSERT_EQ(links.All.size(), 1u);
  EXPECT_LE(links.All[0].size(), kMaxLinkLength + kPage.size() + 1);
  EXPECT_LT(SecondsFor([&] { links = ExtractLinks(million_hrefs, kPage, kHost); }), 10.0);
  EXPECT_EQ(links.All.size(), 999999u);  // each "href" link is the next "href" word
  EXPECT_LT(SecondsFor([&] { links = ExtractLinks(glued, kPage, kHost); }), 10.0);
  std::size_t bytes = 0;
  for (const std::string& link : links.All) bytes += link.size();
  EXPECT_LT(bytes, kMaxLinkBytes + kMaxLinkLength + 64);
  EXPECT_LT(SecondsFor([&] { links = ExtractLinks(bodies, kPage, kHost); }), 5.0);
  EXPECT_EQ(links.All.size(), 1000u);
  EXPECT_LT(SecondsFor([&] { links = ExtractLinks(nuls, kPage, kHost); }), 5.0);
  EXPECT_TRUE(links.All.empty());
  EXPECT_LT(SecondsFor([&] { TrimToHtmlEnd(no_close); }), 2.0);
}

}  // namespace
}  // namespace zeb
