// Telling a bot wall from a page that merely mentions JavaScript or robots.
#include "analysis/bot_wall.h"

#include <gtest/gtest.h>

#include <string>

namespace zeb {
namespace {

TEST(BotWallTest, ChallengeHeader) {
  EXPECT_TRUE(HasChallengeHeader({"HTTP/1.1 403 Forbidden", "cf-mitigated: challenge"}));
  EXPECT_TRUE(HasChallengeHeader({"CF-Mitigated:   Challenge  "}));
  EXPECT_FALSE(HasChallengeHeader({"cf-mitigated: none", "X-Challenge: yes"}));
  EXPECT_FALSE(HasChallengeHeader({}));
}

TEST(BotWallTest, ChallengeTexts) {
  struct Case {
    const char* page;
    bool wall;
  };
  const Case cases[] = {
      {"<noscript>Please enable JavaScript and cookies to continue</noscript>", true},
      {"<p>Enable <b>JavaScript</b>\r\nand reload. This site needs cookies.</p>", true},
      {"<h1>JavaScript is disabled</h1><p>Turn on cookies too.</p>", true},
      {"<div class=g-recaptcha></div><p>Complete the CAPTCHA</p>", true},
      {"<p>Verify you are human by completing the action below.</p>", true},
      {"<title>Just a moment...</title><p>Checking your browser before accessing</p>", true},
      // A page that talks about JavaScript, or about cookies, is not a wall.
      {"<p>Our JavaScript tutorial: enable javascript in your editor.</p>", false},
      {"<p>We use cookies. Read our cookie policy.</p>", false},
      {"<p>Robots and captions</p>", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(LooksLikeChallengeText(c.page), c.wall) << c.page;
}

TEST(BotWallTest, LongPagesAreNeverWalls) {
  std::string page = "<p>Please solve the captcha</p>";
  page += std::string(kChallengePageLimit, 'x');
  EXPECT_FALSE(LooksLikeChallengeText(page));
  EXPECT_TRUE(LooksLikeChallengeText(page.substr(0, kChallengePageLimit - 1)));
}

}  // namespace
}  // namespace zeb
