#include "analysis/web_address.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "analysis/url_normalisation.h"

namespace zeb {
namespace {

using std::string_literals::operator""s;

// Hostile input must finish in linear time; quadratic work on a megabyte takes minutes.
constexpr auto kFast = std::chrono::seconds(2);

struct ParseCase {
  const char* name;
  std::string url;
  std::string scheme, host, port, path, query;
};

TEST(ParseWebAddressTest, Splits) {
  const ParseCase cases[] = {
      {"plain http", "http://site.test/a/b.htm?x=1", "http", "site.test", "", "/a/b.htm", "?x=1"},
      {"plain https", "https://site.test/a", "https", "site.test", "", "/a", ""},
      {"scheme and host lower-cased, path case kept", "HTTPS://WWW.Site.TEST/A/B", "https",
       "www.site.test", "", "/A/B", ""},
      {"no path gives /", "http://site.test", "http", "site.test", "", "/", ""},
      {"query without path", "http://site.test?q", "http", "site.test", "", "/", "?q"},
      {"empty query keeps its ?", "http://site.test/a?", "http", "site.test", "", "/a", "?"},
      {"fragment dropped", "http://site.test/a?q#f", "http", "site.test", "", "/a", "?q"},
      {"fragment holding ? dropped", "http://site.test/a#f?q", "http", "site.test", "", "/a", ""},
      {"http default port dropped", "http://site.test:80/a", "http", "site.test", "", "/a", ""},
      {"https default port dropped", "https://site.test:443/a", "https", "site.test", "", "/a", ""},
      {"443 on http is not a default", "http://site.test:443/a", "http", "site.test", "443", "/a",
       ""},
      {"80 on https is not a default", "https://site.test:80/a", "https", "site.test", "80", "/a",
       ""},
      {"other port kept", "http://site.test:8080/a", "http", "site.test", "8080", "/a", ""},
      {"leading zeros of a port dropped", "http://site.test:008080/", "http", "site.test", "8080",
       "/", ""},
      {"zero-padded default port dropped", "http://site.test:0080/", "http", "site.test", "", "/",
       ""},
      {"port 0 is a port", "http://site.test:0/", "http", "site.test", "0", "/", ""},
      {"highest port", "http://site.test:65535/", "http", "site.test", "65535", "/", ""},
      {"empty port counts as none", "http://site.test:/a", "http", "site.test", "", "/a", ""},
      {"user info dropped", "http://user:pw@site.test/a", "http", "site.test", "", "/a", ""},
      {"last @ ends the user info", "http://u@x:p@w@site.test:81/", "http", "site.test", "81", "/",
       ""},
      {"@ in the path is not user info", "http://site.test/a@b", "http", "site.test", "", "/a@b",
       ""},
      {"IPv6 literal with port", "http://[::1]:8080/x", "http", "[::1]", "8080", "/x", ""},
      {"IPv6 literal, default port", "https://[::1]:443/", "https", "[::1]", "", "/", ""},
      {"IPv6 written in full is compressed", "http://[0:0:0:0:0:0:0:1]/", "http", "[::1]", "", "/",
       ""},
      {"IPv6 upper case and leading zeros", "http://[2001:0DB8::0001]/", "http", "[2001:db8::1]",
       "", "/", ""},
      {"IPv6 longest zero run compressed", "http://[1:0:0:2:0:0:0:3]/", "http", "[1:0:0:2::3]", "",
       "/", ""},
      {"IPv6 single zero piece not compressed", "http://[1:0:2:3:4:5:6:7]/", "http",
       "[1:0:2:3:4:5:6:7]", "", "/", ""},
      {"IPv6 with an IPv4 tail", "http://[::ffff:127.0.0.1]/", "http", "[::ffff:7f00:1]", "", "/",
       ""},
      {"IPv4 host kept", "http://127.0.0.1:8080/a", "http", "127.0.0.1", "8080", "/a", ""},
      {"percent-encoded host decoded", "http://ex%41mple.test/", "http", "example.test", "", "/",
       ""},
      {"non-ASCII host bytes kept", "http://b\xc3\xbc\x63her.test/", "http",
       "b\xc3\xbc\x63her.test", "", "/", ""},
      {"blanks and controls around trimmed", " \t\n\x01http://site.test/a \r\n\0"s, "http",
       "site.test", "", "/a", ""},
      {"tabs and line breaks inside removed", "http://si\nte.te\tst/a\r\nb", "http", "site.test",
       "", "/ab", ""},
      {"backslashes as slashes", "http:\\\\site.test\\a\\b?x\\y", "http", "site.test", "", "/a/b",
       "?x\\y"},
      {"dot segments kept by the split", "http://site.test/a/./b/../c", "http", "site.test", "",
       "/a/./b/../c", ""},
      {"encodings kept by the split", "http://site.test/%7e a", "http", "site.test", "", "/%7e a",
       ""},
  };
  for (const ParseCase& c : cases) {
    const std::optional<WebAddress> a = ParseWebAddress(c.url);
    ASSERT_TRUE(a.has_value()) << c.name;
    EXPECT_EQ(a->scheme, c.scheme) << c.name;
    EXPECT_EQ(a->host, c.host) << c.name;
    EXPECT_EQ(a->port, c.port) << c.name;
    EXPECT_EQ(a->path, c.path) << c.name;
    EXPECT_EQ(a->query, c.query) << c.name;
  }
}

TEST(ParseWebAddressTest, Refuses) {
  struct Case {
    const char* name;
    std::string url;
  };
  const Case cases[] = {
      {"empty", ""},
      {"blanks only", "  \t "},
      {"relative path", "/a/b"},
      {"scheme-relative", "//site.test/a"},
      {"no scheme", "site.test/a"},
      {"other scheme", "ftp://site.test/a"},
      {"mailto", "mailto:x@site.test"},
      {"scheme without //", "http:site.test/a"},
      {"scheme with one /", "http:/site.test/a"},
      {"scheme only", "http://"},
      {"empty host", "http:///a"},
      {"empty host with port", "http://:80/a"},
      {"user info only", "http://user@/a"},
      {"port not decimal", "http://site.test:8o/"},
      {"port with sign", "http://site.test:-1/"},
      {"port above 65535", "http://site.test:65536/"},
      {"port of many digits", "http://site.test:99999999999999999999/"},
      {"two ports", "http://site.test:80:81/"},
      {"blank in host", "http://site .test/"},
      {"NUL in host", "http://site\0.test/"s},
      {"control byte in host", "http://site\x01.test/"},
      {"refused byte in host", "http://site|test/"},
      {"encoded refused byte in host", "http://site%2ftest/"},
      {"stray % in host", "http://site%zz/"},
      {"IPv6 not closed", "http://[::1/"},
      {"IPv6 with junk after ]", "http://[::1]x/"},
      {"IPv6 empty", "http://[]/"},
      {"IPv6 two ::", "http://[1::2::3]/"},
      {"IPv6 too many pieces", "http://[1:2:3:4:5:6:7:8:9]/"},
      {"IPv6 too few pieces", "http://[1:2:3]/"},
      {"IPv6 piece of five digits", "http://[12345::]/"},
      {"IPv6 bad IPv4 tail", "http://[::1.2.3.256]/"},
      {"IPv6 IPv4 tail with leading zero", "http://[::1.2.3.04]/"},
      {"IPv6 trailing single colon", "http://[1:2:3:4:5:6:7:]/"},
      {"IPv6 zone id", "http://[fe80::1%25eth0]/"},
      {"] in a plain host", "http://site]test/"},
  };
  for (const Case& c : cases) EXPECT_FALSE(ParseWebAddress(c.url).has_value()) << c.name;
}

TEST(ToStringTest, JoinsParts) {
  struct Case {
    const char* name;
    WebAddress address;
    std::string want;
  };
  const Case cases[] = {
      {"all parts", {"https", "site.test", "8443", "/a", "?q"}, "https://site.test:8443/a?q"},
      {"no port, no query", {"http", "site.test", "", "/", ""}, "http://site.test/"},
      {"empty path gets /", {"http", "site.test", "", "", "?q"}, "http://site.test/?q"},
      {"relative path gets /", {"http", "site.test", "", "a", ""}, "http://site.test/a"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToString(c.address), c.want) << c.name;
}

struct TextCase {
  const char* name;
  std::string in;
  std::string want;
};

TEST(NormaliseWebAddressTest, Cases) {
  const TextCase cases[] = {
      {"already normal", "http://site.test/a?q", "http://site.test/a?q"},
      {"dot segments removed", "http://site.test/a/./b/../c", "http://site.test/a/c"},
      {"dots above the root dropped", "http://site.test/../../a", "http://site.test/a"},
      {"trailing .. keeps the /", "http://site.test/a/b/..", "http://site.test/a/"},
      {"trailing . keeps the /", "http://site.test/a/.", "http://site.test/a/"},
      {"dots in the query kept", "http://site.test/a?b/../c", "http://site.test/a?b/../c"},
      {"empty segments kept", "http://site.test/a//b/../c", "http://site.test/a//c"},
      {"dotted names are not dot segments", "http://site.test/.a/b./..c",
       "http://site.test/.a/b./..c"},
      {"encoded dots are not dot segments", "http://site.test/a/%2e%2E/b",
       "http://site.test/a/%2E%2E/b"},
      {"hex digits in upper case", "http://site.test/%7e%c3%a9?x=%2f",
       "http://site.test/%7E%C3%A9?x=%2F"},
      {"encodings not decoded", "http://site.test/%41", "http://site.test/%41"},
      {"stray % kept", "http://site.test/100%?a=%g1", "http://site.test/100%?a=%g1"},
      {"blank in path encoded", "http://site.test/a b", "http://site.test/a%20b"},
      {"blank in query encoded", "http://site.test/a?b c", "http://site.test/a?b%20c"},
      {"NUL in path encoded", "http://site.test/a\0b"s, "http://site.test/a%00b"},
      {"DEL and non-ASCII encoded", "http://site.test/\x7f\xc3\xa9", "http://site.test/%7F%C3%A9"},
      {"quotes and angles in path encoded", "http://site.test/\"<>`{}'",
       "http://site.test/%22%3C%3E%60%7B%7D'"},
      {"quotes and angles in query encoded", "http://site.test/?\"<>'`",
       "http://site.test/?%22%3C%3E%27`"},
      {"default port and case", "HTTP://Site.TEST:80/A", "http://site.test/A"},
      {"fragment dropped", "https://site.test/a#top", "https://site.test/a"},
      {"blanks around trimmed", "  https://site.test/a  ", "https://site.test/a"},
      {"not a web address unchanged", "mailto:X@Site.test", "mailto:X@Site.test"},
      {"relative unchanged", " ../A/./b ", " ../A/./b "},
      {"bad port unchanged", "http://Site.test:99999/a", "http://Site.test:99999/a"},
      {"empty unchanged", "", ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(NormaliseWebAddress(c.in), c.want) << c.name;
}

struct ResolveCase {
  const char* name;
  std::string base;
  std::string link;
  std::string want;
};

void ExpectResolved(const ResolveCase* begin, const ResolveCase* end) {
  for (const ResolveCase* c = begin; c != end; ++c) {
    EXPECT_EQ(ResolveWebLink(c->base, c->link), c->want)
        << c->name << " (base " << c->base << ", link " << c->link << ")";
  }
}

const std::string kRfcBase = "http://a/b/c/d;p?q";

TEST(ResolveWebLinkTest, RfcNormalExamples) {
  const ResolveCase cases[] = {
      {"g:h", kRfcBase, "g:h", "g:h"},                                            // RFC 3986 5.4.1
      {"g", kRfcBase, "g", "http://a/b/c/g"},                                     // RFC 3986 5.4.1
      {"./g", kRfcBase, "./g", "http://a/b/c/g"},                                 // RFC 3986 5.4.1
      {"g/", kRfcBase, "g/", "http://a/b/c/g/"},                                  // RFC 3986 5.4.1
      {"/g", kRfcBase, "/g", "http://a/g"},                                       // RFC 3986 5.4.1
      {"//g (path / added)", kRfcBase, "//g", "http://g/"},                       // RFC 3986 5.4.1
      {"?y", kRfcBase, "?y", "http://a/b/c/d;p?y"},                               // RFC 3986 5.4.1
      {"g?y", kRfcBase, "g?y", "http://a/b/c/g?y"},                               // RFC 3986 5.4.1
      {"#s (fragment removed)", kRfcBase, "#s", "http://a/b/c/d;p?q"},            // RFC 3986 5.4.1
      {"g#s (fragment removed)", kRfcBase, "g#s", "http://a/b/c/g"},              // RFC 3986 5.4.1
      {"g?y#s (fragment removed)", kRfcBase, "g?y#s", "http://a/b/c/g?y"},        // RFC 3986 5.4.1
      {";x", kRfcBase, ";x", "http://a/b/c/;x"},                                  // RFC 3986 5.4.1
      {"g;x", kRfcBase, "g;x", "http://a/b/c/g;x"},                               // RFC 3986 5.4.1
      {"g;x?y#s (fragment removed)", kRfcBase, "g;x?y#s", "http://a/b/c/g;x?y"},  // RFC 3986 5.4.1
      {"empty", kRfcBase, "", "http://a/b/c/d;p?q"},                              // RFC 3986 5.4.1
      {".", kRfcBase, ".", "http://a/b/c/"},                                      // RFC 3986 5.4.1
      {"./", kRfcBase, "./", "http://a/b/c/"},                                    // RFC 3986 5.4.1
      {"..", kRfcBase, "..", "http://a/b/"},                                      // RFC 3986 5.4.1
      {"../", kRfcBase, "../", "http://a/b/"},                                    // RFC 3986 5.4.1
      {"../g", kRfcBase, "../g", "http://a/b/g"},                                 // RFC 3986 5.4.1
      {"../..", kRfcBase, "../..", "http://a/"},                                  // RFC 3986 5.4.1
      {"../../", kRfcBase, "../../", "http://a/"},                                // RFC 3986 5.4.1
      {"../../g", kRfcBase, "../../g", "http://a/g"},                             // RFC 3986 5.4.1
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, RfcAbnormalExamples) {
  const ResolveCase cases[] = {
      {"../../../g", kRfcBase, "../../../g", "http://a/g"},                     // RFC 3986 5.4.2
      {"../../../../g", kRfcBase, "../../../../g", "http://a/g"},               // RFC 3986 5.4.2
      {"/./g", kRfcBase, "/./g", "http://a/g"},                                 // RFC 3986 5.4.2
      {"/../g", kRfcBase, "/../g", "http://a/g"},                               // RFC 3986 5.4.2
      {"g.", kRfcBase, "g.", "http://a/b/c/g."},                                // RFC 3986 5.4.2
      {".g", kRfcBase, ".g", "http://a/b/c/.g"},                                // RFC 3986 5.4.2
      {"g..", kRfcBase, "g..", "http://a/b/c/g.."},                             // RFC 3986 5.4.2
      {"..g", kRfcBase, "..g", "http://a/b/c/..g"},                             // RFC 3986 5.4.2
      {"./../g", kRfcBase, "./../g", "http://a/b/g"},                           // RFC 3986 5.4.2
      {"./g/.", kRfcBase, "./g/.", "http://a/b/c/g/"},                          // RFC 3986 5.4.2
      {"g/./h", kRfcBase, "g/./h", "http://a/b/c/g/h"},                         // RFC 3986 5.4.2
      {"g/../h", kRfcBase, "g/../h", "http://a/b/c/h"},                         // RFC 3986 5.4.2
      {"g;x=1/./y", kRfcBase, "g;x=1/./y", "http://a/b/c/g;x=1/y"},             // RFC 3986 5.4.2
      {"g;x=1/../y", kRfcBase, "g;x=1/../y", "http://a/b/c/y"},                 // RFC 3986 5.4.2
      {"g?y/./x", kRfcBase, "g?y/./x", "http://a/b/c/g?y/./x"},                 // RFC 3986 5.4.2
      {"g?y/../x", kRfcBase, "g?y/../x", "http://a/b/c/g?y/../x"},              // RFC 3986 5.4.2
      {"g#s/./x (fragment removed)", kRfcBase, "g#s/./x", "http://a/b/c/g"},    // RFC 3986 5.4.2
      {"g#s/../x (fragment removed)", kRfcBase, "g#s/../x", "http://a/b/c/g"},  // RFC 3986 5.4.2
      // The backward-compatible reading, as browsers do, not the strict "http:g".
      {"http:g", kRfcBase, "http:g", "http://a/b/c/g"},  // RFC 3986 5.4.2
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, HttpsBases) {
  const std::string base = "https://site.test/dir/page.htm?x=1";
  const ResolveCase cases[] = {
      {"relative file", base, "other.htm", "https://site.test/dir/other.htm"},
      {"root-relative", base, "/top.htm", "https://site.test/top.htm"},
      {"parent", base, "../up.htm", "https://site.test/up.htm"},
      {"above the root", base, "../../../up.htm", "https://site.test/up.htm"},
      {"query only replaces the query", base, "?y=2", "https://site.test/dir/page.htm?y=2"},
      {"fragment only", base, "#part", "https://site.test/dir/page.htm?x=1"},
      {"empty", base, "", "https://site.test/dir/page.htm?x=1"},
      {"a lone ? keeps an empty query", base, "?", "https://site.test/dir/page.htm?"},
      {"a lone / is the root", base, "/", "https://site.test/"},
      {"absolute http link kept http", base, "http://site.test/a", "http://site.test/a"},
      {"absolute https elsewhere", base, "https://other.test/a", "https://other.test/a"},
      {"https:rel on https is relative", base, "https:rel.htm", "https://site.test/dir/rel.htm"},
      {"http:name on https names a host", base, "http:other.test/a", "http://other.test/a"},
      {"http:/name on https names a host", base, "http:/other.test/a", "http://other.test/a"},
      {"directory base", "https://site.test/dir/", "a.htm", "https://site.test/dir/a.htm"},
      {"base without path", "https://site.test", "a.htm", "https://site.test/a.htm"},
      {"base without path, query link", "https://site.test", "?q", "https://site.test/?q"},
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, RedirectedBases) {
  // The start page was http://site.test/start.htm; it was finally served from https.
  const std::string served = "https://www.site.test/new/start.htm";
  const ResolveCase cases[] = {
      {"relative link follows the final scheme", served, "a.htm",
       "https://www.site.test/new/a.htm"},
      {"root-relative follows the final host", served, "/b.htm", "https://www.site.test/b.htm"},
      {"parent follows the final path", served, "../c.htm", "https://www.site.test/c.htm"},
      {"scheme-relative follows the final scheme", served, "//site.test/d.htm",
       "https://site.test/d.htm"},
      {"query only", served, "?p=2", "https://www.site.test/new/start.htm?p=2"},
      {"redirect to a port", "https://site.test:8443/a/", "b", "https://site.test:8443/a/b"},
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, SchemeRelativeLinks) {
  const ResolveCase cases[] = {
      {"http base", "http://site.test/a", "//cdn.test/x.js", "http://cdn.test/x.js"},
      {"https base", "https://site.test/a", "//cdn.test/x.js", "https://cdn.test/x.js"},
      {"host normalised", "https://site.test/a", "//CDN.Test:443/./x", "https://cdn.test/x"},
      {"port kept", "http://site.test/a", "//cdn.test:8080", "http://cdn.test:8080/"},
      {"query and fragment", "http://site.test/a", "//cdn.test?q#f", "http://cdn.test/?q"},
      {"extra slashes skipped", "http://site.test/a", "///cdn.test/x", "http://cdn.test/x"},
      {"backslashes", "http://site.test/a", "\\\\cdn.test\\x", "http://cdn.test/x"},
      {"empty host stays as written", "http://site.test/a", "//", "//"},
      {"bad port stays as written", "http://site.test/a", " //cdn.test:99999/x ",
       "//cdn.test:99999/x"},
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, PortsAndHosts) {
  const ResolveCase cases[] = {
      {"default port of the base dropped", "http://site.test:80/a/b", "c", "http://site.test/a/c"},
      {"default https port of the base dropped", "https://site.test:443/a/b", "c",
       "https://site.test/a/c"},
      {"other port of the base kept", "http://site.test:8080/a/b", "c",
       "http://site.test:8080/a/c"},
      {"default port of the link dropped", "http://site.test/", "https://x.test:443/a",
       "https://x.test/a"},
      {"443 on http kept", "http://site.test/", "http://x.test:443/a", "http://x.test:443/a"},
      {"IPv6 base with port", "http://[::1]:8080/x", "y", "http://[::1]:8080/y"},
      {"IPv6 base, root link", "http://[::1]:8080/x/y", "/z", "http://[::1]:8080/z"},
      {"IPv6 link compressed", "http://site.test/", "http://[0:0::1]/a", "http://[::1]/a"},
      {"upper-case scheme and host of the base", "HTTPS://SITE.Test/A/b", "c",
       "https://site.test/A/c"},
      {"upper-case scheme and host of the link", "http://site.test/", "HTTP://Other.TEST/X",
       "http://other.test/X"},
      {"upper-case scheme of a relative http link", "http://site.test/a/", "HTTP:b",
       "http://site.test/a/b"},
      {"user info of the link dropped", "http://site.test/", "http://me:pw@other.test/",
       "http://other.test/"},
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, BlanksAndOddCharacters) {
  const std::string base = "http://site.test/d/p.htm";
  const ResolveCase cases[] = {
      {"blanks around", base, "  a.htm  ", "http://site.test/d/a.htm"},
      {"tabs and line breaks around", base, "\t\r\n a.htm \n", "http://site.test/d/a.htm"},
      {"line break inside", base, "a\n.htm", "http://site.test/d/a.htm"},
      {"blanks around an absolute link", base, " http://other.test/ ", "http://other.test/"},
      {"blanks only", base, "   ", "http://site.test/d/p.htm"},
      {"blank inside encoded", base, "a b.htm", "http://site.test/d/a%20b.htm"},
      {"NUL inside encoded", base, "a\0b"s, "http://site.test/d/a%00b"},
      {"NULs around trimmed", base, "\0a\0"s, "http://site.test/d/a"},
      {"NUL breaks a scheme name", base, "java\0script:x"s, "http://site.test/d/java%00script:x"},
      {"backslash as slash", base, "..\\x\\y.htm", "http://site.test/x/y.htm"},
      {"backslash in the query kept", base, "a?b\\c", "http://site.test/d/a?b\\c"},
      {"colon after a slash is no scheme", base, "./a:b", "http://site.test/d/a:b"},
      {"leading digit is no scheme", base, "1a:b", "http://site.test/d/1a:b"},
      {"hex digits upper-cased", base, "%e9?%2f", "http://site.test/d/%E9?%2F"},
      {"non-ASCII encoded", base, "\xc3\xa9.htm", "http://site.test/d/%C3%A9.htm"},
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(ResolveWebLinkTest, OtherSchemesAndBadBases) {
  const std::string base = "https://site.test/d/p.htm";
  const ResolveCase cases[] = {
      {"mailto", base, "mailto:me@site.test", "mailto:me@site.test"},
      {"mailto trimmed", base, "  mailto:me@site.test \n", "mailto:me@site.test"},
      {"javascript with line break kept", base, "javascript:go(\n1)", "javascript:go(\n1)"},
      {"upper-case javascript", base, "JavaScript:void(0)", "JavaScript:void(0)"},
      {"tel", base, "tel:+123", "tel:+123"},
      {"ftp", base, "ftp://site.test/f", "ftp://site.test/f"},
      {"data", base, "data:text/plain,a", "data:text/plain,a"},
      {"httpx is another scheme", base, "httpx://site.test/", "httpx://site.test/"},
      {"absolute link with empty host stays", base, "http://", "http://"},
      {"other web scheme, nothing after", base, "http:", "http:"},
      {"absolute link with bad port stays", base, " http://x.test:65536/a ",
       "http://x.test:65536/a"},
      {"relative base", "/d/p.htm", " a.htm ", "a.htm"},
      {"empty base", "", "http://Site.test/a", "http://Site.test/a"},
      {"ftp base", "ftp://site.test/", "a", "a"},
      {"base with bad port", "http://site.test:0x50/", "a", "a"},
  };
  ExpectResolved(std::begin(cases), std::end(cases));
}

TEST(SameSiteTest, Cases) {
  struct Case {
    const char* name;
    std::string a;
    std::string b;
    bool want;
  };
  const Case cases[] = {
      {"same address", "http://site.test/a", "http://site.test/b", true},
      {"scheme ignored", "http://site.test/a", "https://site.test/b", true},
      {"port ignored", "http://site.test:8080/", "https://site.test/", true},
      {"letter case ignored", "http://SITE.test/", "http://site.TEST/", true},
      {"www. ignored on one side", "https://www.site.test/", "http://site.test/", true},
      {"www. ignored on both sides", "http://WWW.site.test/", "http://www.site.test/", true},
      {"only one www. ignored", "http://www.www.site.test/", "http://site.test/", false},
      {"www without dot is a name", "http://wwwsite.test/", "http://site.test/", false},
      {"subdomain is another site", "http://blog.site.test/", "http://site.test/", false},
      {"suffix is another site", "http://notsite.test/", "http://site.test/", false},
      {"host in path does not count", "http://other.test/site.test", "http://site.test/", false},
      {"user info does not count", "http://site.test@other.test/", "http://site.test/", false},
      {"IPv6 forms compared canonically", "http://[::1]/", "https://[0:0::1]:8443/", true},
      {"relative address", "/a", "http://site.test/a", false},
      {"mailto", "mailto:x@site.test", "http://site.test/", false},
      {"both unparseable", "x", "x", false},
      {"ftp", "ftp://site.test/", "ftp://site.test/", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameSite(c.a, c.b), c.want) << c.name;
    EXPECT_EQ(SameSite(c.b, c.a), c.want) << c.name << " (swapped)";
  }
}

TEST(MakeLinkAbsoluteModernTest, Cases) {
  const std::string base = "https://www.site.test/d/p.htm";
  struct Case {
    const char* name;
    std::string link;
    std::string base;
    std::string want;
  };
  const Case cases[] = {
      {"relative is internal", "a.htm", base, "0https://www.site.test/d/a.htm"},
      {"root-relative is internal", "/a.htm", base, "0https://www.site.test/a.htm"},
      {"http twin is internal", "http://site.test/a", base, "0http://site.test/a"},
      {"upper-case host is internal", "HTTPS://SITE.TEST/a", base, "0https://site.test/a"},
      {"other port is internal", "http://site.test:8080/a", base, "0http://site.test:8080/a"},
      {"other host is external", "https://other.test/a", base, "1https://other.test/a"},
      {"host in the path is still external", "http://other.test/www.site.test", base,
       "1http://other.test/www.site.test"},
      {"subdomain is external", "//blog.site.test/x", base, "1https://blog.site.test/x"},
      {"scheme-relative same site", "//site.test/x", base, "0https://site.test/x"},
      {"mailto as it stands", " mailto:me@site.test ", base, "0mailto:me@site.test"},
      {"javascript as it stands", "javascript:void(0)", base, "0javascript:void(0)"},
      {"unresolvable as it stands", "http://x.test:99999/", base, "0http://x.test:99999/"},
      {"fragment only is the page", "#top", base, "0https://www.site.test/d/p.htm"},
      {"redirected base: link on the final host is internal", "/x", "https://site.test/start.htm",
       "0https://site.test/x"},
      {"bad base: relative link as it stands", "a.htm", "not a base", "0a.htm"},
      {"bad base: absolute link is external", "http://site.test/a", "not a base",
       "1http://site.test/a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeLinkAbsoluteModern(c.link, c.base), c.want) << c.name;
  }
  EXPECT_EQ(MakeLinkAbsoluteModern("a", base)[0], kInternalLink);
  EXPECT_EQ(MakeLinkAbsoluteModern("http://o.test/", base)[0], kExternalLink);
}

// Links made of the pieces that steer a browser's reading: schemes in both cases, slashes and
// backslashes, hosts with "www.", user info, percent signs and IPv6, ports, dot segments, blanks,
// tabs and line breaks, queries and fragments.
std::string RandomLink(std::mt19937& rng) {
  static const char* const kPieces[] = {
      "http:", "HTTPS:", "https:", "mailto:", "ftp:", "//", "/", "\\", "\\\\", "www.", "site.test",
      "other.test", "Site.Test", "me@", "%41", "%2f", "%zz", "[::1]", "[0:0::1]", ":80", ":443",
      ":8080", ":99999", ":", ".", "..", "./", "../", "a", "b.htm", " ", "\t", "\n", "?", "?q=1",
      "&amp;", "#", "#top", "\"", "<", "{", "'", "\x7f", "\xc3\xa9"};
  std::string link;
  const std::size_t count = rng() % 7;
  for (std::size_t i = 0; i < count; ++i) link += kPieces[rng() % std::size(kPieces)];
  return link;
}

// The page's resolver gives the same addresses and the same classes as resolving each link
// against the page's address, and classing a link by its resolved text read once more.
TEST(LinkResolverTest, AgreesWithReadingTheResolvedTextAgain) {
  const std::string bases[] = {"https://www.site.test/d/p.htm", "http://site.test/",
                               "http://Site.Test:8080/a/b/?x#f", "https://[::1]/x",
                               "not a base", "mailto:x@site.test", "http://other.test/a/./b"};
  std::mt19937 rng(7);
  for (const std::string& base : bases) {
    const LinkResolver resolver(base);
    for (int i = 0; i < 4000; ++i) {
      const std::string link = RandomLink(rng);
      const std::string resolved = resolver.Resolve(link);
      const bool external = ParseWebAddress(resolved).has_value() && !SameSite(base, resolved);
      EXPECT_EQ(resolver.MakeAbsolute(link), (external ? "1" : "0") + resolved)
          << "base " << base << " link " << link;
      const ResolvedLink parts = resolver.ResolveParts(link);
      if (parts.address) {
        const std::optional<WebAddress> again = ParseWebAddress(parts.text);
        ASSERT_TRUE(again.has_value()) << parts.text;
        EXPECT_EQ(again->host, parts.address->host) << parts.text;
        EXPECT_EQ(ToString(*again), parts.text);
      }
    }
  }
}

// Normal form is reached in one step, and an address has a twin exactly when it can be read.
TEST(NormaliseWebAddressTest, RandomAddressesNormaliseOnceAndHaveTwinsWhenReadable) {
  std::mt19937 rng(11);
  const std::string fronts[] = {"http://site.test", "HTTPS://www.Site.test:443", "http://x:8080",
                                "https://[::1]", ""};
  for (int i = 0; i < 20000; ++i) {
    const std::string url = fronts[rng() % std::size(fronts)] + RandomLink(rng);
    const std::string once = NormaliseWebAddress(url);
    EXPECT_EQ(NormaliseWebAddress(once), once) << url;
    EXPECT_EQ(OtherSchemeTwin(url).empty(), !ParseWebAddress(url).has_value()) << url;
  }
}

TEST(DuplicateKeyTest, Cases) {
  const TextCase cases[] = {
      {"http", "http://site.test/a", "site.test/a"},
      {"https", "https://site.test/a", "site.test/a"},
      {"other port kept", "http://x:8080/a", "x:8080/a"},
      {"443 on http kept", "http://x:443/a", "x:443/a"},
      {"query kept", "https://site.test/a?b=1", "site.test/a?b=1"},
      {"fragment dropped", "https://site.test/a#f", "site.test/a"},
      {"path / added", "https://site.test", "site.test/"},
      {"dot segments removed", "http://site.test/x/../a", "site.test/a"},
      {"hex upper-cased", "http://site.test/%7e", "site.test/%7E"},
      {"www kept", "http://www.site.test/a", "www.site.test/a"},
      {"IPv6 with port", "http://[::1]:8080/x", "[::1]:8080/x"},
      {"not a web address unchanged", "mailto:x", "mailto:x"},
      {"relative unchanged", "/a", "/a"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(DuplicateKey(c.in), c.want) << c.name;

  const std::string variants[] = {"http://Site.test/a",      "http://site.test:80/a",
                                  "https://site.test/a",     "https://site.test:443/a",
                                  "HTTPS://SITE.TEST/./a#x", "http://site.test/b/../a"};
  for (const std::string& v : variants) EXPECT_EQ(DuplicateKey(v), "site.test/a") << v;
  EXPECT_NE(DuplicateKey("http://site.test/a"), DuplicateKey("http://site.test/A"));
  EXPECT_NE(DuplicateKey("http://site.test/a"), DuplicateKey("http://site.test:8080/a"));
}

TEST(OtherSchemeTwinTest, Cases) {
  const TextCase cases[] = {
      {"http to https", "http://x/a", "https://x/a"},
      {"https to http", "https://x/a", "http://x/a"},
      {"normalised", "HTTP://X/b/../a?q#f", "https://x/a?q"},
      {"explicit port kept", "http://x:8080/a", "https://x:8080/a"},
      {"default port stays absent", "http://x:80/a", "https://x/a"},
      {"443 becomes the default of https", "http://x:443/a", "https://x/a"},
      {"80 becomes the default of http", "https://x:80/a", "http://x/a"},
      {"IPv6", "https://[::1]:8443/", "http://[::1]:8443/"},
      {"mailto gives empty", "mailto:x", ""},
      {"relative gives empty", "/a", ""},
      {"ftp gives empty", "ftp://x/a", ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(OtherSchemeTwin(c.in), c.want) << c.name;
}

TEST(RobotsOriginTest, Cases) {
  struct Case {
    const char* name;
    std::string url;
    std::string origin;
    std::string file;
  };
  const Case cases[] = {
      {"https default port", "https://Site.test/a", "https://site.test:443",
       "https://site.test/robots.txt"},
      {"http default port", "http://site.test/a?q#f", "http://site.test:80",
       "http://site.test/robots.txt"},
      {"explicit default port", "http://site.test:80/a", "http://site.test:80",
       "http://site.test/robots.txt"},
      {"other port", "http://x:8080/b", "http://x:8080", "http://x:8080/robots.txt"},
      {"443 on http", "http://x:443/b", "http://x:443", "http://x:443/robots.txt"},
      {"www kept", "https://WWW.site.test/", "https://www.site.test:443",
       "https://www.site.test/robots.txt"},
      {"user info dropped", "http://me@site.test/", "http://site.test:80",
       "http://site.test/robots.txt"},
      {"IPv6", "http://[::1]:8080/x", "http://[::1]:8080", "http://[::1]:8080/robots.txt"},
      {"mailto", "mailto:x@site.test", "", ""},
      {"relative", "/robots.txt", "", ""},
      {"ftp", "ftp://site.test/", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RobotsOrigin(c.url), c.origin) << c.name;
    EXPECT_EQ(RobotsFileUrl(c.url), c.file) << c.name;
  }
}

template <typename F>
std::chrono::steady_clock::duration Timed(F f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::steady_clock::now() - start;
}

TEST(HostileInputTest, MegabyteOfParentSegments) {
  std::string link;
  for (int i = 0; i < (1 << 20) / 3; ++i) link += "../";
  std::string resolved;
  const auto elapsed = Timed([&] { resolved = ResolveWebLink("http://a/b/c/d", link + "g"); });
  EXPECT_EQ(resolved, "http://a/g");
  EXPECT_LT(elapsed, kFast);

  const auto normalise_time =
      Timed([&] { resolved = NormaliseWebAddress("http://a/" + link + "x/" + link); });
  EXPECT_EQ(resolved, "http://a/");
  EXPECT_LT(normalise_time, kFast);
}

TEST(HostileInputTest, MegabyteOfSegmentsAndDots) {
  // Many segments each removed by a later "..": every byte is copied and removed once.
  std::string path;
  for (int i = 0; i < 100000; ++i) path += "seg/";
  for (int i = 0; i < 100000; ++i) path += "../";
  std::string resolved;
  const auto elapsed = Timed([&] { resolved = ResolveWebLink("https://a/x/", path + "end"); });
  EXPECT_EQ(resolved, "https://a/x/end");
  EXPECT_LT(elapsed, kFast);
}

TEST(HostileInputTest, LongHosts) {
  const std::string name(100000, 'a');
  std::string resolved;
  const auto elapsed = Timed([&] {
    EXPECT_TRUE(ParseWebAddress("http://" + name + "/x").has_value());
    EXPECT_TRUE(SameSite("http://www." + name + "/", "https://" + name + "/y"));
    resolved = ResolveWebLink("http://" + name + "/x", "y");
    EXPECT_FALSE(ParseWebAddress("http://" + name + ":" + std::string(100000, '9')).has_value());
    EXPECT_FALSE(ParseWebAddress("http://[" + std::string(100000, ':') + "]/").has_value());
    EXPECT_FALSE(ParseWebAddress("http://[" + std::string(100000, '1') + "]/").has_value());
    EXPECT_FALSE(ParseWebAddress("http://" + std::string(100000, '@')).has_value());
    EXPECT_EQ(RobotsOrigin("http://" + std::string(100000, 'A')),
              "http://" + std::string(100000, 'a') + ":80");
  });
  EXPECT_EQ(resolved, "http://" + name + "/y");
  EXPECT_LT(elapsed, kFast);
}

TEST(HostileInputTest, LongSchemesAndBlanks) {
  const std::string letters(1 << 20, 'h');
  const std::string blanks(1 << 20, ' ');
  const auto elapsed = Timed([&] {
    EXPECT_EQ(ResolveWebLink("http://a/b", letters), "http://a/" + letters);
    EXPECT_EQ(ResolveWebLink("http://a/b", letters + ":x"), letters + ":x");
    EXPECT_EQ(ResolveWebLink("http://a/b", blanks + "c" + blanks), "http://a/c");
    EXPECT_EQ(ResolveWebLink("http://a/b", blanks), "http://a/b");
    EXPECT_EQ(NormaliseWebAddress("http://a/" + blanks + "x").size(), 10u + 3 * blanks.size());
  });
  EXPECT_LT(elapsed, kFast);
}

TEST(HostileInputTest, NulBytes) {
  const std::string nuls(1000, '\0');
  EXPECT_EQ(ResolveWebLink("http://a/b", nuls), "http://a/b");
  EXPECT_EQ(ResolveWebLink("http://a/b", "x" + nuls + "y").size(), 11u + 3 * nuls.size());
  EXPECT_FALSE(ParseWebAddress("http://a" + nuls + "b/").has_value());
  EXPECT_EQ(ResolveWebLink("http://a/b\0c"s, "d"), "http://a/d");
  EXPECT_EQ(ResolveWebLink("http://a/b"s + nuls, "d"), "http://a/d");
  EXPECT_EQ(MakeLinkAbsoluteModern("\0"s, "http://a/b"), "0http://a/b");
  EXPECT_EQ(DuplicateKey("\0"s), "\0"s);
  EXPECT_EQ(OtherSchemeTwin("\0"s), "");
}

// Random address-like text: nothing crashes, resolved links are normalised, normalising is
// idempotent and the site and duplicate helpers agree with it.
TEST(HostileInputTest, RandomTextKeepsInvariants) {
  const std::string pieces[] = {"http:", "https:", "HTTP:", "//",   "/",       "\\", "..",  ".",
                                "?",     "#",      "@",     ":",    "[",       "]",  "::",  "%",
                                "%2e",   "%a",     "a",     "B",    "www.",    "80", "443", " ",
                                "\t",    "\n",     "\0"s,   "\xc3", "mailto:", "0"};
  std::mt19937 random(12345);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> length(0, 12);
  auto random_text = [&] {
    std::string text;
    for (int n = length(random); n > 0; --n) text += pieces[pick(random)];
    return text;
  };
  const std::string bases[] = {"http://a/b/c", "https://www.a:8443/b/", "http://[::1]/x?y"};
  const std::string starts[] = {"", "http://", "HTTPS://a"};
  int addresses = 0;
  for (int i = 0; i < 20000; ++i) {
    // Two texts in three start like an address so that most of them parse.
    const std::string text = starts[i % 3] + random_text();
    // Every fourth base is random text too.
    const std::string base = i % 4 != 3 ? bases[i % 3] : random_text();
    const std::string normal = NormaliseWebAddress(text);
    ASSERT_EQ(NormaliseWebAddress(normal), normal) << text;
    const std::string resolved = ResolveWebLink(base, text);
    if (!ParseWebAddress(base)) {
      ASSERT_EQ(resolved, ResolveWebLink("", text)) << "a bad base leaves the link as it stands";
    } else if (ParseWebAddress(resolved)) {
      ASSERT_EQ(NormaliseWebAddress(resolved), resolved) << base << " + " << text;
      ASSERT_EQ(resolved.find_first_of(" \t\n\r"s + '\0'), std::string::npos) << resolved;
    }
    const std::string marked = MakeLinkAbsoluteModern(text, base);
    ASSERT_FALSE(marked.empty());
    ASSERT_EQ(marked.substr(1), resolved);
    if (const std::optional<WebAddress> parsed = ParseWebAddress(text)) {
      ++addresses;
      ASSERT_TRUE(SameSite(text, normal)) << text;
      ASSERT_EQ(DuplicateKey(text), DuplicateKey(normal)) << text;
      if (parsed->port.empty()) {
        ASSERT_EQ(DuplicateKey(text), DuplicateKey(OtherSchemeTwin(text))) << text;
        ASSERT_EQ(OtherSchemeTwin(OtherSchemeTwin(text)), normal) << text;
      }
    } else {
      ASSERT_EQ(normal, text);
    }
  }
  EXPECT_GT(addresses, 2000);
}

}  // namespace
}  // namespace zeb
