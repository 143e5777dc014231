#include "analysis/url_normalisation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/random_pages.h"

namespace zeb {
namespace {

const std::string kHost = "site.test";
const std::string kPortHost = "site.localhost:8080";

struct LinkCase {
  const char* name;
  std::string link;
  std::string page_url;
  std::string page_host;
  std::string want;
};

void ExpectRows(const LinkCase* begin, const LinkCase* end) {
  for (const LinkCase* c = begin; c != end; ++c) {
    EXPECT_EQ(MakeLinkAbsolute(c->link, c->page_url, c->page_host), c->want) << c->name;
  }
}

TEST(MakeLinkAbsoluteTest, BareRoot) {
  const LinkCase cases[] = {
      {"a lone / is the page itself, query kept", "/", "http://site.test/a/b.htm?x=1", kHost,
       "0http://site.test/a/b.htm?x=1"},
      {"a lone / keeps a page address with www", "/", "http://www.site.test/", kHost,
       "0http://www.site.test/"},
      {"a lone / keeps the page even when the host is elsewhere", "/", "http://other.test/q", kHost,
       "0http://other.test/q"},
      {"/? is root-relative, not the bare root", "/?", "http://site.test/a/b.htm?x=1", kHost,
       "0http://site.test/?"},
  };
  ExpectRows(std::begin(cases), std::end(cases));
}

TEST(MakeLinkAbsoluteTest, RootRelative) {
  const LinkCase cases[] = {
      {"joined after the host, www kept", "/c.htm", "http://www.site.test/a/b.htm", kHost,
       "0http://www.site.test/c.htm"},
      {"the page query is dropped, the link query kept", "/c.htm?y=2",
       "http://site.test/a/b.htm?x=1", kHost, "0http://site.test/c.htm?y=2"},
      {"https page keeps its scheme", "/c.htm", "https://site.test/a/b.htm", kHost,
       "0https://site.test/c.htm"},
      {"host with port on a page served on that port", "/c.htm",
       "http://site.localhost:8080/a/b.htm", kPortHost, "0http://site.localhost:8080/c.htm"},
      {"host absent from the page address: scheme and authority of the page", "/c.htm",
       "http://other.test/a/b.htm", kHost, "0http://other.test/c.htm"},
      {"host absent: the page's port stays", "/c.htm", "http://other.test:81/a/b.htm", kHost,
       "0http://other.test:81/c.htm"},
      {"host only in the page query does not count", "/c.htm", "http://other.test/a?u=site.test",
       kHost, "0http://other.test/c.htm"},
      {"host absent: page address is only an authority", "/c.htm", "http://other.test", kHost,
       "0http://other.test/c.htm"},
      {"empty host: scheme and authority of the page", "/c.htm", "http://site.test/a/b.htm", "",
       "0http://site.test/c.htm"},
      {"the host search is exact: other letter case falls back to the page's authority", "/c.htm",
       "http://Site.test:81/a/b.htm", kHost, "0http://Site.test:81/c.htm"},
      {"page address without a scheme", "/c.htm", "other.test/a/b.htm", kHost, "0other.test/c.htm"},
  };
  ExpectRows(std::begin(cases), std::end(cases));
}

TEST(MakeLinkAbsoluteTest, Relative) {
  const LinkCase cases[] = {
      {"a file name replaces the page's file name", "c.htm", "http://site.test/a/b.htm", kHost,
       "0http://site.test/a/c.htm"},
      {"a last segment without a dot is a directory", "c.htm", "http://site.test/a", kHost,
       "0http://site.test/a/c.htm"},
      {"a directory with trailing /", "c.htm", "http://site.test/a/", kHost,
       "0http://site.test/a/c.htm"},
      {"a last segment that is the host is not a file name", "c.htm", "http://site.test", kHost,
       "0http://site.test/c.htm"},
      {"page with query and trailing / before it", "c.htm", "http://site.test/a/?x=1", kHost,
       "0http://site.test/a/c.htm"},
      {"page with query after a file name", "c.htm", "http://site.test/a/b.php?x=1", kHost,
       "0http://site.test/a/c.htm"},
      {"./ is dropped by the join", "./c.htm", "http://site.test/a/b.htm", kHost,
       "0http://site.test/a/c.htm"},
      {"subdirectory link", "d/c.htm", "http://site.test/a/b.htm", kHost,
       "0http://site.test/a/d/c.htm"},
      {"../ below the top climbs one directory", "../c.htm", "http://site.test/a/d/b.htm", kHost,
       "0http://site.test/a/c.htm"},
      {"../ at the top of the site is dropped", "../c.htm", "http://site.test/b.htm", kHost,
       "0http://site.test/c.htm"},
      {"only the first ../ is dropped at the top", "../x/../c.htm", "http://site.test/", kHost,
       "0http://site.test/c.htm"},
      {"a second ../ at the top climbs over the host", "../../c.htm", "http://site.test/b.htm",
       kHost, "0http://c.htm"},
      {"a link that names the host in its path stays a path", "go/site.test/x",
       "http://site.test/a/b.htm", kHost, "0http://site.test/a/go/site.test/x"},
      {"port page keeps its port", "c.htm", "http://site.localhost:8080/a/b.htm", kPortHost,
       "0http://site.localhost:8080/a/c.htm"},
      {"the http:/ repair is for http only", "c.htm", "https://site.test/a/b.htm", kHost,
       "0https:/site.test/a/c.htm"},
      {"upper-case HTTP:/ is repaired too", "c.htm", "HTTP://site.test/a/b.htm", kHost,
       "0HTTP://site.test/a/c.htm"},
  };
  ExpectRows(std::begin(cases), std::end(cases));
}

TEST(MakeLinkAbsoluteTest, QueryOnly) {
  const LinkCase cases[] = {
      {"replaces file name and old query", "?p=2", "http://site.test/a/b.php?p=1", kHost,
       "0http://site.test/a/?p=2"},
      {"replaces the file name of a page without query", "?p=2", "http://site.test/a/b.php", kHost,
       "0http://site.test/a/?p=2"},
      {"directory page with query loses the / before it", "?p=2", "http://site.test/a/?x=1", kHost,
       "0http://site.test/a?p=2"},
      {"directory page without dot keeps its last segment", "?p=2", "http://site.test/a", kHost,
       "0http://site.test/a?p=2"},
      {"site root with query", "?p=2", "http://site.test/?x=1", kHost, "0http://site.test?p=2"},
      {"no / collapsing in the query", "?u=a//b", "http://site.test/a/b.htm", kHost,
       "0http://site.test/a/?u=a//b"},
  };
  ExpectRows(std::begin(cases), std::end(cases));
}

TEST(MakeLinkAbsoluteTest, Absolute) {
  const LinkCase cases[] = {
      {"http link to another host is external", "http://other.test/", "http://site.test/a/b.htm",
       kHost, "1http://other.test/"},
      {"www link to another host is external, no scheme added", "www.other.test",
       "http://site.test/a/b.htm", kHost, "1www.other.test"},
      {"external scheme test ignores case", "HTTP://other.test/", "http://site.test/a/b.htm", kHost,
       "1HTTP://other.test/"},
      {"external http:/ is repaired to http://", "http:/other.test/", "http://site.test/a/b.htm",
       kHost, "1http://other.test/"},
      {"https link to another host is external", "https://other.test/x", "http://site.test/a/b.htm",
       kHost, "1https://other.test/x"},
      {"a link that mentions the host in its query is internal", "http://other.test/?ref=site.test",
       "http://site.test/a/b.htm", kHost, "0http://other.test/?ref=site.test"},
      {"https link to the host is internal and unchanged", "https://site.test/x",
       "http://site.test/a/b.htm", kHost, "0https://site.test/x"},
      {"http link with www to the host is internal", "http://www.site.test/x",
       "http://site.test/a/b.htm", kHost, "0http://www.site.test/x"},
      {"the host test ignores case", "http://SITE.TEST/x", "http://site.test/a/b.htm", kHost,
       "0http://SITE.TEST/x"},
      {"www link to the host gets http://", "www.site.test/x.htm", "http://site.test/a/b.htm",
       kHost, "0http://www.site.test/x.htm"},
      {"upper-case WWW link to the host gets http://", "WWW.site.test", "http://site.test/a/b.htm",
       kHost, "0http://WWW.site.test"},
      {"an internal http link is returned as written", "http:/site.test/x",
       "http://site.test/a/b.htm", kHost, "0http:/site.test/x"},
      {"another port of the same host name is external", "http://site.localhost:9090/x",
       "http://site.localhost:8080/a/b.htm", kPortHost, "1http://site.localhost:9090/x"},
      {"the same port is internal", "http://site.localhost:8080/x",
       "http://site.localhost:8080/a/b.htm", kPortHost, "0http://site.localhost:8080/x"},
      {"a host without port takes every port", "http://site.localhost:9090/x",
       "http://site.localhost/a/b.htm", "site.localhost", "0http://site.localhost:9090/x"},
      {"empty host: an http link is external", "http://site.test/x", "http://site.test/a/b.htm", "",
       "1http://site.test/x"},
  };
  ExpectRows(std::begin(cases), std::end(cases));
}

TEST(MakeLinkAbsoluteTest, SchemeTargets) {
  const LinkCase cases[] = {
      {"mailto becomes a path under the page directory", "mailto:someone",
       "http://site.test/a/b.htm", kHost, "0http://site.test/a/mailto:someone"},
      {"mailto naming the host is still a path", "mailto:me@site.test", "http://site.test/a/b.htm",
       kHost, "0http://site.test/a/mailto:me@site.test"},
      {"ftp target is internal too", "ftp://other.test/f", "http://site.test/a/b.htm", kHost,
       "0http://site.test/a/ftp:/other.test/f"},
  };
  ExpectRows(std::begin(cases), std::end(cases));
}

TEST(UrlHostTest, Cases) {
  struct Case {
    const char* name;
    std::string url;
    std::string want_url_host;
    std::string want_page_host;
  };
  const Case cases[] = {
      {"host and port, letter case kept", "http://Site.test:8080/a", "Site.test:8080",
       "Site.test:8080"},
      {"leading www. goes from the page host", "http://www.site.test/a", "www.site.test",
       "site.test"},
      {"leading WWW. in any case", "http://WWW.Site.test:8080/", "WWW.Site.test:8080",
       "Site.test:8080"},
      {"www without dot stays", "http://wwwsite.test/", "wwwsite.test", "wwwsite.test"},
      {"no path", "http://www.site.test", "www.site.test", "site.test"},
      {"query right after the host", "http://site.test?x=1", "site.test", "site.test"},
      {"fragment right after the host", "http://site.test#top", "site.test", "site.test"},
      {"https scheme", "https://site.test/x", "site.test", "site.test"},
      {"user information dropped", "http://user:pw@site.test:81/a", "site.test:81", "site.test:81"},
      {"no scheme: text up to the first /", "site.test/a/b", "site.test", "site.test"},
      {"a // without : is no scheme", "site.test//x", "site.test", "site.test"},
      {"a :// after a / is no scheme", "site.test/a?u=x://y", "site.test", "site.test"},
      {"empty address", "", "", ""},
      {"empty authority", "http:///x", "", ""},
      {"only www.", "www.", "www.", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlHost(c.url), c.want_url_host) << c.name;
    EXPECT_EQ(PageHost(c.url), c.want_page_host) << c.name;
  }
}

// The result with its class digit removed equals the link, up to the one "/" the repair inserts.
bool IsExternalOfLink(const std::string& result, const std::string& link) {
  const std::string address = result.substr(1);
  if (address == link) return true;
  return link.size() >= 6 && address.size() == link.size() + 1 &&
         address.compare(0, 6, link, 0, 6) == 0 && address[6] == '/' &&
         address.compare(7, std::string::npos, link, 6) == 0;
}

TEST(MakeLinkAbsoluteTest, RandomInputsGiveAClassDigit) {
  const std::string alphabet = "/.?:hwtp0#&a";
  const std::string host_alphabet = "/.:hwtpa0";
  testing::RandomPages random(20240611u);
  auto make = [&random](const std::string& letters, std::size_t max_length) {
    return random.Text(letters, max_length);
  };
  for (int round = 0; round < 10000; ++round) {
    const std::string link = make(alphabet, 16);
    const std::string page_url = make(alphabet, 24);
    const std::string page_host = make(host_alphabet, 4);
    const std::string result = MakeLinkAbsolute(link, page_url, page_host);
    ASSERT_FALSE(result.empty()) << link << " | " << page_url << " | " << page_host;
    ASSERT_TRUE(result[0] == kInternalLink || result[0] == kExternalLink)
        << link << " | " << page_url << " | " << page_host;
    if (link == "/") {
      ASSERT_EQ(result, "0" + page_url);
    }
    if (result[0] == kExternalLink) {
      ASSERT_TRUE(IsExternalOfLink(result, link)) << link << " -> " << result;
    }
  }
}

// The overload that writes into a buffer leaves nothing of the previous link in it.
TEST(MakeLinkAbsoluteTest, ReusedBufferGivesTheSameAddress) {
  const std::string alphabet = "/.?:hwtp0#&a";
  const std::string host_alphabet = "/.:hwtpa0";
  testing::RandomPages random(20241211u);
  auto make = [&random](const std::string& letters, std::size_t max_length) {
    return random.Text(letters, max_length);
  };
  std::string reused = "stale";
  for (int round = 0; round < 10000; ++round) {
    const std::string link = make(alphabet, 16);
    const std::string page_url = make(alphabet, 24);
    const std::string page_host = make(host_alphabet, 4);
    std::string fresh;
    MakeLinkAbsolute(link, page_url, page_host, fresh);
    MakeLinkAbsolute(link, page_url, page_host, reused);
    ASSERT_EQ(reused, fresh) << link << " | " << page_url << " | " << page_host;
    ASSERT_EQ(MakeLinkAbsolute(link, page_url, page_host), fresh);
  }
}

TEST(MakeLinkAbsoluteTest, HostileSizes) {
  const std::size_t kBig = 10u << 20;
  const std::string page = "http://site.test/a/b.htm";

  const std::string letters(kBig, 'a');
  std::string result = MakeLinkAbsolute(letters, page, kHost);
  EXPECT_EQ(result.size(), std::string("0http://site.test/a/").size() + kBig);

  std::string ups;
  while (ups.size() < kBig) ups += "../";
  result = MakeLinkAbsolute(ups, "http://site.test/", kHost);
  EXPECT_EQ(result[0], kInternalLink);

  std::string slashes = "/" + std::string(kBig, '/');
  result = MakeLinkAbsolute(slashes, page, kHost);
  EXPECT_EQ(result.size(), std::string("0http://site.test").size() + slashes.size());

  // A long host that almost occurs everywhere in a long page address and link.
  const std::string near_host = std::string(1000, 'a') + "b";
  const std::string long_page = "http://" + std::string(kBig, 'a') + "/x.htm?" + letters;
  result = MakeLinkAbsolute("/c.htm", long_page, near_host);
  EXPECT_EQ(result, "0http://" + std::string(kBig, 'a') + "/c.htm");
  result = MakeLinkAbsolute(letters, long_page, near_host);
  EXPECT_EQ(result[0], kInternalLink);

  std::string with_nuls(kBig, '\0');
  with_nuls[0] = 'h';
  result = MakeLinkAbsolute(with_nuls, std::string(kBig, '\0'), std::string(3, '\0'));
  EXPECT_TRUE(result[0] == kInternalLink || result[0] == kExternalLink);

  result = MakeLinkAbsolute("", "", "");
  EXPECT_EQ(result[0], kInternalLink);
  EXPECT_EQ(UrlHost(long_page).size(), kBig);
}

}  // namespace
}  // namespace zeb
