#include "analysis/link_verdict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeb {
namespace {

constexpr std::string_view kPageUrl = "https://partner.test/links/page.html";
constexpr std::string_view kFind = "mysite.example";

LinkVerdict Judge(std::string_view body, std::vector<std::string> header_lines = {}) {
  LinkVerdictInput input;
  input.body = body;
  input.header_lines = std::move(header_lines);
  input.final_url = kPageUrl;
  input.find_text = kFind;
  input.status = 200;
  return ComputeLinkVerdict(input);
}

std::string LinkWithRel(std::string_view rel) {
  return "<p>Friends: <a href=\"https://mysite.example/\" rel=\"" + std::string(rel) +
         "\">My site</a></p>";
}

TEST(LinkVerdictRelTest, TokensAloneMixedAndInAnyCase) {
  struct Case {
    std::string_view rel;
    std::vector<std::string> tokens;
    std::string_view verdict;
  };
  const Case cases[] = {
      {"", {}, kVerdictCounts},
      {"noopener noreferrer", {}, kVerdictCounts},
      {"nofollow", {"nofollow"}, kVerdictNofollow},
      {"NoFollow", {"nofollow"}, kVerdictNofollow},
      {"sponsored", {"sponsored"}, kVerdictSponsored},
      {"SPONSORED", {"sponsored"}, kVerdictSponsored},
      {"ugc", {"ugc"}, kVerdictUgc},
      {"Ugc", {"ugc"}, kVerdictUgc},
      {"sponsored nofollow", {"nofollow", "sponsored"}, kVerdictNofollow},
      {"UGC\tSponsored", {"sponsored", "ugc"}, kVerdictSponsored},
      {" ugc  NOFOLLOW\nsponsored ", {"nofollow", "sponsored", "ugc"}, kVerdictNofollow},
      {"noopener ugc ugc", {"ugc"}, kVerdictUgc},
      {"nofollowed", {}, kVerdictCounts},
      {"nofollow,sponsored", {}, kVerdictCounts},  // commas do not separate rel tokens
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge(LinkWithRel(c.rel));
    ASSERT_EQ(v.links.size(), 1u) << c.rel;
    EXPECT_EQ(v.links[0].rel, c.tokens) << c.rel;
    EXPECT_EQ(v.verdict, c.verdict) << c.rel;
  }
}

TEST(LinkVerdictRelTest, SeveralLinks) {
  struct Case {
    const char* name;
    std::string page;
    std::string_view verdict;
  };
  const std::string nofollow = LinkWithRel("nofollow");
  const std::string sponsored = LinkWithRel("sponsored");
  const std::string ugc = LinkWithRel("ugc");
  const std::string followed = LinkWithRel("");
  const Case cases[] = {
      {"one of two followed", nofollow + followed, kVerdictCounts},
      {"followed first", followed + sponsored, kVerdictCounts},
      {"both nofollow", nofollow + nofollow, kVerdictNofollow},
      {"nofollow and sponsored", nofollow + sponsored, kVerdictSponsored},
      {"every one sponsored, one also nofollow", LinkWithRel("nofollow sponsored") + sponsored,
       kVerdictSponsored},
      {"sponsored and ugc", sponsored + ugc, kVerdictUgc},
      {"a dead followed link does not help", nofollow + "<!-- " + followed + " -->",
       kVerdictNofollow},
      {"links elsewhere do not count",
       "<a href=\"https://other.test/\">x</a>" + nofollow, kVerdictNofollow},
  };
  for (const Case& c : cases) EXPECT_EQ(Judge(c.page).verdict, c.verdict) << c.name;
}

TEST(LinkVerdictRobotsTest, MetaRobots) {
  struct Case {
    const char* name;
    std::string meta;
    RobotsDirectives want;
  };
  const Case cases[] = {
      {"name first", "<meta name=\"robots\" content=\"noindex\">", {true, false}},
      {"content first", "<meta content=\"nofollow\" name=\"robots\">", {false, true}},
      {"letter case", "<META NAME=\"ROBOTS\" CONTENT=\"NoIndex, NoFollow\">", {true, true}},
      {"spacing and single quotes", "<meta\n  name = 'robots'\tcontent= ' noindex '  />",
       {true, false}},
      {"unquoted", "<meta name=robots content=nofollow>", {false, true}},
      {"none is both", "<meta name=\"robots\" content=\"none\">", {true, true}},
      {"googlebot", "<meta name=\"Googlebot\" content=\"noindex\">", {true, false}},
      {"other robot", "<meta name=\"bingbot\" content=\"noindex, nofollow\">", {}},
      {"other meta", "<meta name=\"description\" content=\"noindex\">", {}},
      {"index, follow", "<meta name=\"robots\" content=\"index, follow, max-snippet:-1\">", {}},
      {"inside a comment", "<!-- <meta name=\"robots\" content=\"noindex\"> -->", {}},
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge("<html><head>" + c.meta + "</head><body>" + LinkWithRel("") +
                                "</body></html>");
    EXPECT_EQ(v.meta_robots, c.want) << c.name;
    const std::string_view verdict = c.want.noindex    ? kVerdictNoindex
                                     : c.want.nofollow ? kVerdictNofollow
                                                       : kVerdictCounts;
    EXPECT_EQ(v.verdict, verdict) << c.name;
  }
}

TEST(LinkVerdictRobotsTest, XRobotsTag) {
  struct Case {
    const char* name;
    std::vector<std::string> headers;
    RobotsDirectives want;
  };
  const Case cases[] = {
      {"plain", {"HTTP/1.1 200 OK\r\n", "X-Robots-Tag: noindex\r\n"}, {true, false}},
      {"name in any case", {"x-robots-tag:NOFOLLOW"}, {false, true}},
      {"comma-separated", {"X-Robots-Tag: noindex, nofollow"}, {true, true}},
      {"googlebot-scoped", {"X-Robots-Tag: googlebot: nofollow"}, {false, true}},
      {"scoped to another robot", {"X-Robots-Tag: otherbot: noindex"}, {}},
      {"scope ends at the next robot",
       {"X-Robots-Tag: otherbot: noindex, googlebot: nofollow"}, {false, true}},
      {"a directive with a value is no scope",
       {"X-Robots-Tag: unavailable_after: 25 Jun 2010 15:00:00 PST, noindex"}, {true, false}},
      {"several lines", {"X-Robots-Tag: noindex", "X-Robots-Tag: googlebot: none"}, {true, true}},
      {"only the final response",
       {"HTTP/1.1 301 Moved", "X-Robots-Tag: noindex", "Location: /b", "",
        "HTTP/1.1 200 OK", "X-Robots-Tag: nofollow"},
       {false, true}},
      {"one entry holding a whole block",
       {"HTTP/1.1 302 Found\r\nX-Robots-Tag: noindex\r\n\r\nHTTP/2 200\r\nContent-Type: text/html\r\n"},
       {}},
      {"other headers", {"X-Robots: noindex", "Content-Type: text/html; noindex"}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Judge(LinkWithRel(""), c.headers).x_robots_tag, c.want) << c.name;
  }
  EXPECT_EQ(Judge(LinkWithRel(""), {"X-Robots-Tag: noindex"}).verdict, kVerdictNoindex);
  EXPECT_EQ(Judge(LinkWithRel(""), {"X-Robots-Tag: googlebot: nofollow"}).verdict,
            kVerdictNofollow);
  EXPECT_EQ(Judge(LinkWithRel(""), {"X-Robots-Tag: otherbot: noindex"}).verdict, kVerdictCounts);
}

TEST(LinkVerdictCanonicalTest, ItselfAndElsewhere) {
  struct Case {
    const char* name;
    std::string link;
    std::string canonical;
    bool elsewhere;
  };
  const Case cases[] = {
      {"itself, relative", "<link rel=\"canonical\" href=\"page.html\">",
       "https://partner.test/links/page.html", false},
      {"itself, absolute in other letter case",
       "<link href=\"HTTPS://Partner.Test:443/links/./page.html#top\" rel=\"Canonical\">",
       "https://partner.test/links/page.html", false},
      {"elsewhere, relative", "<link rel=\"canonical\" href=\"/other.html\">",
       "https://partner.test/other.html", true},
      {"elsewhere, another site", "<LINK REL=canonical HREF=\"http://mirror.test/page\">",
       "http://mirror.test/page", true},
      {"rel with several tokens", "<link rel=\"alternate canonical\" href=\"../x&amp;y\">",
       "https://partner.test/x&y", true},
      {"no canonical", "<link rel=\"stylesheet\" href=\"/s.css\">", "", false},
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge("<head>" + c.link + "</head>" + LinkWithRel(""));
    EXPECT_EQ(v.canonical, c.canonical) << c.name;
    EXPECT_EQ(v.canonical_elsewhere, c.elsewhere) << c.name;
    EXPECT_EQ(v.verdict, c.elsewhere ? kVerdictCanonicalElsewhere : kVerdictCounts) << c.name;
  }
}

TEST(LinkVerdictLiveTest, DeadPlacesAndMentions) {
  struct Case {
    const char* name;
    std::string page;
    std::size_t links;
    bool live;
    bool mention_only;
    std::string_view verdict;
  };
  const std::string link = "<a href=\"http://www.MySite.Example/shop\">shop</a>";
  const Case cases[] = {
      {"live link", "<p>" + link + "</p>", 1, true, false, kVerdictCounts},
      {"only inside a comment", "<p><!-- " + link + " --></p>", 1, false, true,
       kVerdictMentionOnly},
      {"inside a comment without an end", "<p><!-- " + link, 1, false, true, kVerdictMentionOnly},
      {"inside noscript", "<NoScript>" + link + "</noscript>", 1, false, true,
       kVerdictMentionOnly},
      {"inside template", "<template><div>" + link + "</div></template>", 1, false, true,
       kVerdictMentionOnly},
      {"after noscript ends", "<noscript>x</noscript>" + link, 1, true, false, kVerdictCounts},
      {"in a script's text", "<script>document.write('" + link + "');</script>", 0, false, true,
       kVerdictMentionOnly},
      {"a mention without a link", "<p>Visit mysite.example today</p>", 0, false, true,
       kVerdictMentionOnly},
      {"not on the page", "<p>nothing here</p>", 0, false, false, kVerdictMentionOnly},
      {"in another attribute only", "<a href=\"/x\" title=\"mysite.example\">x</a>", 0, false,
       true, kVerdictMentionOnly},
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge(c.page);
    ASSERT_EQ(v.links.size(), c.links) << c.name;
    if (c.links > 0) {
      EXPECT_EQ(v.links[0].live, c.live) << c.name;
      EXPECT_EQ(v.links[0].href, "http://www.MySite.Example/shop") << c.name;
      EXPECT_EQ(v.links[0].anchor_text, "shop") << c.name;
    }
    EXPECT_EQ(v.mention_only, c.mention_only) << c.name;
    EXPECT_EQ(v.verdict, c.verdict) << c.name;
  }
}

TEST(LinkVerdictTest, OrderOfReasons) {
  struct Case {
    const char* name;
    bool robots_closed;
    std::string page;
    std::vector<std::string> headers;
    std::string_view verdict;
  };
  const std::string noindex = "<meta name=\"robots\" content=\"noindex\">";
  const std::string elsewhere = "<link rel=\"canonical\" href=\"https://mirror.test/\">";
  const std::string page_nofollow = "<meta name=\"googlebot\" content=\"nofollow\">";
  const Case cases[] = {
      {"robots closed before all", true, noindex + elsewhere + LinkWithRel("nofollow"), {},
       kVerdictRobotsClosed},
      {"robots closed, a fine page", true, LinkWithRel(""), {}, kVerdictRobotsClosed},
      {"noindex before canonical", false, elsewhere + noindex, {}, kVerdictNoindex},
      {"canonical before nofollow", false, page_nofollow + elsewhere + LinkWithRel(""), {},
       kVerdictCanonicalElsewhere},
      {"page nofollow over a followed link", false, page_nofollow + LinkWithRel(""), {},
       kVerdictNofollow},
      {"header nofollow without any link", false, "mysite.example", {"X-Robots-Tag: nofollow"},
       kVerdictNofollow},
  };
  for (const Case& c : cases) {
    LinkVerdictInput input;
    input.body = c.page;
    input.header_lines = c.headers;
    input.final_url = kPageUrl;
    input.find_text = kFind;
    input.robots_closed = c.robots_closed;
    const LinkVerdict v = ComputeLinkVerdict(input);
    EXPECT_EQ(v.verdict, c.verdict) << c.name;
    EXPECT_EQ(v.robots_closed, c.robots_closed) << c.name;
  }
}

TEST(LinkVerdictTest, StatusAndRedirectsPassThrough) {
  const std::string page = LinkWithRel("");  // the input only views the page
  LinkVerdictInput input;
  input.body = page;
  input.final_url = kPageUrl;
  input.find_text = kFind;
  input.status = 203;
  input.redirects = {"http://partner.test/old", "https://partner.test/old",
                     std::string(kPageUrl)};
  const LinkVerdict v = ComputeLinkVerdict(input);
  EXPECT_EQ(v.status, 203);
  EXPECT_EQ(v.redirects, input.redirects);
}

TEST(LinkVerdictTest, AnchorTextAndHref) {
  struct Case {
    const char* name;
    std::string page;
    std::string href;
    std::string anchor_text;
  };
  const Case cases[] = {
      {"entities", "<a href=\"http://mysite.example/?a=1&amp;b=2\">Tom &amp; Jerry &lt;3 "
                   "&quot;x&quot; &#39;y&#39; a&nbsp;b &#65;&#x42;&#X43; &apos;</a>",
       "http://mysite.example/?a=1&b=2", "Tom & Jerry <3 \"x\" 'y' a b ABC '"},
      {"tags stripped, blanks collapsed",
       "<a href='//mysite.example'>\n  <img src=x alt=\"logo\">  <b>My</b>\t\r\n"
       "<span class=\"x\">site</span>  </a>",
       "//mysite.example", "My site"},
      {"unknown and broken entities stay", "<a href=mysite.example>&copy; &amp &#; &#xZZ;</a>",
       "mysite.example", "&copy; &amp &#; &#xZZ;"},
      {"numeric references", "<a href=mysite.example>&#233;&#x20AC;&#0;&#160;x</a>",
       "mysite.example", "\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD x"},
      {"decoded text is not mark-up", "<a href=mysite.example>&lt;b&gt;bold&lt;/b&gt;</a>",
       "mysite.example", "<b>bold</b>"},
      {"a quoted > inside the tag", "<a title=\"a>b\" href=\"https://mysite.example/\">t</a>",
       "https://mysite.example/", "t"},
      {"the next <a> ends a link", "<a href=mysite.example>one<a href=/x>two</a>",
       "mysite.example", "one"},
      {"the Find text encoded in the href", "<a href=\"http://mysite&#46;example/\">x</a>",
       "http://mysite.example/", "x"},
      {"no end tag", "<a href=\"mysite.example\">to the end  ", "mysite.example", "to the end"},
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge(c.page);
    ASSERT_EQ(v.links.size(), 1u) << c.name;
    EXPECT_EQ(v.links[0].href, c.href) << c.name;
    EXPECT_EQ(v.links[0].anchor_text, c.anchor_text) << c.name;
  }
}

TEST(LinkVerdictTest, EachLinkHasItsOwnAnchorText) {
  const LinkVerdict v = Judge(
      "<a href=mysite.example rel=nofollow>first</a> between <a href=/other>other</a>"
      "<a href=mysite.example>second</a><a href=mysite.example>third<a href=mysite.example>x");
  ASSERT_EQ(v.links.size(), 4u);
  EXPECT_EQ(v.links[0].anchor_text, "first");
  EXPECT_EQ(v.links[1].anchor_text, "second");
  EXPECT_EQ(v.links[2].anchor_text, "third");
  EXPECT_EQ(v.links[3].anchor_text, "x");
}

TEST(LinkVerdictTest, ContextIsAtMost300BytesCentredOnTheElement) {
  const std::string link = "<a href=\"https://mysite.example/\">here</a>";
  struct Case {
    const char* name;
    std::string before, after;
    std::string want;
  };
  const std::string left(1000, 'L'), right(1000, 'R');
  const std::size_t side = (kVerdictContextBytes - link.size()) / 2;
  const Case cases[] = {
      {"whole page when small", "ab ", " cd", "ab " + link + " cd"},
      {"centred", left, right,
       std::string(side, 'L') + link +
           std::string(kVerdictContextBytes - link.size() - side, 'R')},
      {"at the start", "", right, link + std::string(kVerdictContextBytes - link.size(), 'R')},
      {"at the end", left, "", std::string(kVerdictContextBytes - link.size(), 'L') + link},
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge(c.before + link + c.after);
    ASSERT_EQ(v.links.size(), 1u) << c.name;
    EXPECT_EQ(v.links[0].context, c.want) << c.name;
  }
  // An element longer than the bound: its middle 300 bytes.
  const std::string long_link = "<a href=\"https://mysite.example/\">" + left + right + "</a>";
  const LinkVerdict v = Judge(long_link);
  ASSERT_EQ(v.links.size(), 1u);
  const std::size_t middle = long_link.size() / 2;
  EXPECT_EQ(v.links[0].context,
            long_link.substr(middle - kVerdictContextBytes / 2, kVerdictContextBytes));
}

TEST(LinkVerdictJsonTest, WholeObject) {
  LinkVerdictInput input;
  const std::string page =
      "<link rel=canonical href=/c><a href=\"https://mysite.example/\" rel=ugc>Hi</a>";
  input.body = page;
  input.final_url = kPageUrl;
  input.find_text = kFind;
  input.status = 200;
  input.redirects = {"http://partner.test/"};
  input.header_lines = {"X-Robots-Tag: nofollow"};
  EXPECT_EQ(VerdictEvidenceJson(ComputeLinkVerdict(input)),
            "{\"verdict\":\"canonical elsewhere\",\"status\":200,"
            "\"redirects\":[\"http://partner.test/\"],\"robots_closed\":false,"
            "\"meta_robots\":{\"noindex\":false,\"nofollow\":false},"
            "\"x_robots_tag\":{\"noindex\":false,\"nofollow\":true},"
            "\"canonical\":{\"href\":\"https://partner.test/c\",\"elsewhere\":true},"
            "\"links\":[{\"href\":\"https://mysite.example/\",\"anchor_text\":\"Hi\","
            "\"rel\":[\"ugc\"],\"live\":true,\"context\":\"" +
                std::string("<link rel=canonical href=/c><a href=\\\"https://mysite.example/\\\" "
                            "rel=ugc>Hi</a>") +
                "\"}],\"mention_only\":false}");
  EXPECT_EQ(VerdictEvidenceJson(LinkVerdict{}),
            "{\"verdict\":\"\",\"status\":0,\"redirects\":[],\"robots_closed\":false,"
            "\"meta_robots\":{\"noindex\":false,\"nofollow\":false},"
            "\"x_robots_tag\":{\"noindex\":false,\"nofollow\":false},\"canonical\":null,"
            "\"links\":[],\"mention_only\":false}");
}

TEST(LinkVerdictJsonTest, StringEscaping) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"quotes and backslash", "a\"b\\c", "a\\\"b\\\\c"},
      {"control bytes", std::string("\n\t\x01\x1F", 4) + std::string(1, '\0'),
       "\\u000A\\u0009\\u0001\\u001F\\u0000"},
      {"valid UTF-8 kept", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"Latin-1 byte", "caf\xE9!", "caf\xEF\xBF\xBD!"},
      {"cut sequence at the end", "x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"overlong form", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"stray continuation byte", "a\x80z", "a\xEF\xBF\xBDz"},
  };
  for (const Case& c : cases) {
    LinkVerdict v;
    v.verdict = c.text;
    const std::string json = VerdictEvidenceJson(v);
    const std::string prefix = "{\"verdict\":\"";
    ASSERT_EQ(json.compare(0, prefix.size(), prefix), 0) << c.name;
    EXPECT_EQ(json.substr(prefix.size(), c.want.size() + 2), c.want + "\",") << c.name;
  }
}

TEST(LinkVerdictHostileTest, FiveMegabytePagesEndWithASaneResult) {
  constexpr std::size_t kSize = 5u << 20;
  const auto repeat = [&](std::string_view piece) {
    std::string page;
    page.reserve(kSize + piece.size());
    while (page.size() < kSize) page.append(piece);
    return page;
  };
  struct Case {
    const char* name;
    std::string page;
    std::size_t links;
    std::string_view verdict;
  };
  const Case cases[] = {
      {"unclosed <a", "<a href=\"https://mysite.example/\">x</a>" + repeat("<a "), 1,
       kVerdictCounts},
      {"unclosed <a with quotes", repeat("<a href=\"mysite.example "), 0, kVerdictMentionOnly},
      {"<!-- without end", LinkWithRel("nofollow") + repeat("<!-- <a href=mysite.example>"),
       kMaxVerdictLinks, kVerdictNofollow},
      {"many links", repeat("<a href=mysite.example rel=nofollow>x"), kMaxVerdictLinks,
       kVerdictNofollow},
      {"many attributes", "<a " + repeat("rel=ugc ") + "href=mysite.example>x</a>", 1,
       kVerdictUgc},
      {"repetitive text against the Find text", repeat("mysite.exampl"), 0, kVerdictMentionOnly},
      {"nested dead elements", repeat("<noscript><template></a></noscript>"), 0,
       kVerdictMentionOnly},
      {"endless script", "<script>" + repeat("</scrip <a href=mysite.example>"), 0,
       kVerdictMentionOnly},
  };
  for (const Case& c : cases) {
    const LinkVerdict v = Judge(c.page);
    EXPECT_EQ(v.links.size(), c.links) << c.name;
    EXPECT_EQ(v.verdict, c.verdict) << c.name;
    for (const VerdictLink& link : v.links) EXPECT_LE(link.context.size(), kVerdictContextBytes);
    EXPECT_FALSE(VerdictEvidenceJson(v).empty()) << c.name;
  }
}

}  // namespace
}  // namespace zeb
