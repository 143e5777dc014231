// Escaping text into the windows' HTML and back.
#include "text/html_text.h"

#include <gtest/gtest.h>

namespace zeb {
namespace {

TEST(HtmlTextTest, EscapesAndReadsBack) {
  struct Case {
    std::string text, escaped;
  };
  const Case cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"a<b>c", "a&lt;b&gt;c"},
      {"Tom & \"Jerry\"", "Tom &amp; &quot;Jerry&quot;"},
      {"&amp; stays text", "&amp;amp; stays text"},
      {"it's", "it's"},
      {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
      {"\xC2\xA0<img src=x>", "\xC2\xA0&lt;img src=x&gt;"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlEscaped(c.text), c.escaped) << c.text;
    EXPECT_EQ(HtmlUnescaped(c.escaped), c.text) << c.escaped;
  }
  // Unescaping knows the five entities only; a cut or unknown one stays as it is.
  EXPECT_EQ(HtmlUnescaped("&#39;&nbsp;&amp&lt"), "'&nbsp;&amp&lt");
}

}  // namespace
}  // namespace zeb
