#include "analysis/link_classification.h"

#include <gtest/gtest.h>

#include <string>

namespace zeb {
namespace {

struct TypeCase {
  const char* name;
  std::string url;
  std::string want;
};

void ExpectTypes(const TypeCase* begin, const TypeCase* end) {
  for (const TypeCase* c = begin; c != end; ++c)
    EXPECT_EQ(ClassifyLink(c->url), c->want) << c->name;
}

TEST(ClassifyLinkTest, PageExtensionsComeFirst) {
  const TypeCase cases[] = {
      {".htm page", "http://site.test/a.htm", ""},
      {".html page", "http://site.test/a.html", ""},
      {".html and .jpg: a page", "http://site.test/a.html?img=b.jpg", ""},
      {".html and a .pdf query value: a page", "http://site.test/a.html?f=b.pdf", ""},
      {".cgi beats .gif", "http://site.test/x.cgi?i=a.gif", ""},
      {".jsp beats mailto:", "http://site.test/a/mailto:me?x.jsp", ""},
      {".asp beats .exe", "http://site.test/get.exe?from=a.asp", ""},
      {".cfm beats .mp3", "http://site.test/a.cfm/b.mp3", ""},
      {"a secure page with .htm is a page, not https", "https://site.test/a.htm", ""},
      {"page extension in upper case", "http://site.test/A.HTM", ""},
  };
  ExpectTypes(std::begin(cases), std::end(cases));
}

TEST(ClassifyLinkTest, EachType) {
  const TypeCase cases[] = {
      {"mailto: made into a path", "http://site.test/a/mailto:someone", "email"},
      {".gif", "http://site.test/a.gif", "image"},
      {".jpg", "http://site.test/a.jpg", "image"},
      {".jpeg", "http://site.test/a.jpeg", "image"},
      {".bmp", "http://site.test/a.bmp", "image"},
      {".wmv", "http://site.test/a.wmv", "movie"},
      {".mov", "http://site.test/a.mov", "movie"},
      {".mpg", "http://site.test/a.mpg", "movie"},
      {".mpeg", "http://site.test/a.mpeg", "movie"},
      {".wav", "http://site.test/a.wav", "sound"},
      {".midi", "http://site.test/a.midi", "sound"},
      {".mp3", "http://site.test/a.mp3", "sound"},
      {".exe", "http://site.test/a.exe", "exe"},
      {".pdf", "http://site.test/a.pdf", "pdf"},
      {".txt", "http://site.test/a.txt", "text"},
      {".rtf", "http://site.test/a.rtf", "rich text"},
      {"ftp:", "ftp://site.test/a", "ftp"},
      {"https:", "https://site.test/a", "https"},
      {"news:", "news:comp.lang", "news"},
      {"telnet:", "telnet://site.test", "telnet"},
      {"gopher:", "gopher://site.test", "gopher"},
  };
  ExpectTypes(std::begin(cases), std::end(cases));
}

TEST(ClassifyLinkTest, TableOrder) {
  const TypeCase cases[] = {
      {"mailto: beats an image", "http://site.test/a/mailto:me.gif", "email"},
      {"an image beats .pdf", "http://site.test/a.pdf?thumb=b.gif", "image"},
      {".wmv beats .wav", "http://site.test/a.wav.wmv", "movie"},
      {"a movie beats a sound", "http://site.test/a.mp3?v=b.mov", "movie"},
      {"a sound beats .exe", "http://site.test/player.exe?f=a.wav", "sound"},
      {".exe beats .pdf", "http://site.test/a.pdf.exe", "exe"},
      {".pdf beats .txt", "http://site.test/a.txt.pdf", "pdf"},
      {".txt beats .rtf", "http://site.test/a.rtf.txt", "text"},
      {".rtf beats ftp:", "ftp://site.test/a.rtf", "rich text"},
      {".txt beats ftp:", "ftp://site.test/a.txt", "text"},
      {"ftp: beats https:", "https://site.test/?u=ftp://x", "ftp"},
      {"https: beats news:", "https://site.test/news:x", "https"},
      {"news: beats telnet:", "telnet://x/news:y", "news"},
      {"telnet: beats gopher:", "gopher://x/telnet:y", "telnet"},
      {".pdf on a secure address", "https://site.test/a.pdf", "pdf"},
  };
  ExpectTypes(std::begin(cases), std::end(cases));
}

TEST(ClassifyLinkTest, ContainsIgnoringCase) {
  const TypeCase cases[] = {
      {"upper-case image", "HTTP://SITE.TEST/A.JPG", "image"},
      {"upper-case mailto:", "MAILTO:someone", "email"},
      {"mixed-case https:", "HttpS://site.test/", "https"},
      {"an extension in the middle counts", "http://site.test/a.jpg/b", "image"},
      {".mid is not .midi", "http://site.test/a.mid", ""},
      {"ftp without colon is no scheme", "http://ftp.site.test/", ""},
      {"https without colon", "http://https.site.test/", ""},
  };
  ExpectTypes(std::begin(cases), std::end(cases));
}

TEST(ClassifyLinkTest, NoneMatches) {
  const TypeCase cases[] = {
      {"plain directory", "http://site.test/a/b", ""},
      {"php page", "http://site.test/a.php?x=1", ""},
      {"empty address", "", ""},
      {"NUL bytes", std::string("\0.gi\0f", 6), ""},
  };
  ExpectTypes(std::begin(cases), std::end(cases));
}

TEST(ClassifyLinkTest, HugeAddress) {
  std::string url(10u << 20, 'x');
  EXPECT_EQ(ClassifyLink(url), "");
  url += ".gif";
  EXPECT_EQ(ClassifyLink(url), "image");
  std::string dots(1u << 20, '.');
  EXPECT_EQ(ClassifyLink(dots), "");
}

}  // namespace
}  // namespace zeb
