#include "engine/network_settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "text/cipher.h"

namespace zeb {
namespace {

class NetworkSettingsTest : public ::testing::Test {
 protected:
  NetworkSettingsTest() : store_(dir_ / "settings.ini") { store_.CreateKey(kNetworkKey); }

  void Set(const std::string& name, const std::string& value) {
    store_.OpenKey(kNetworkKey)->WriteString(name, value);
  }
  HttpOptions Load() { return LoadNetworkSettings(store_, "agent", 500, &problems_); }

  testing::TempDir dir_;
  SettingsStore store_;
  std::vector<std::string> problems_;
};

TEST_F(NetworkSettingsTest, ProtocolVersionZeroIsHttp10AnythingElse11) {
  for (const auto& [text, http10] : std::vector<std::pair<std::string, bool>>{
           {"0", true}, {"1", false}, {"11", false}}) {
    Set("HTTPProtocolVersion", text);
    EXPECT_EQ(Load().http10, http10) << text;
  }
  EXPECT_TRUE(problems_.empty());
}

TEST_F(NetworkSettingsTest, SwitchesAreOnOnlyForTheWordTrue) {
  for (const auto& [text, on] : std::vector<std::pair<std::string, bool>>{
           {"true", true}, {"TRUE", true}, {"True", true}, {"1", false}, {"yes", false},
           {"", false}}) {
    Set("HTTPHandleRedirects", text);
    Set("HTTPAllowCookies", text);
    HttpOptions options = Load();
    EXPECT_EQ(options.follow_redirects, on) << text;
    EXPECT_EQ(options.cookies, on) << text;
  }
}

TEST_F(NetworkSettingsTest, ProxyValuesAreClearedUnlessProxyAuthIsOn) {
  Set("ProxyHost", "proxy.localhost");
  Set("ProxyPort", "3128");
  Set("ProxyUsername", "joe");
  Set("ProxyPassword", Encrypt("s3cret", kProxyPasswordKey));
  Set("ProxyAuth", "yes");
  HttpOptions off = Load();
  EXPECT_EQ(off.proxy_host, "");
  EXPECT_EQ(off.proxy_port, 0);
  EXPECT_EQ(off.proxy_user, "");
  EXPECT_EQ(off.proxy_password, "");
  // "yes" is not a switch value: it reads as off and is named.
  ASSERT_EQ(problems_.size(), 1u);
  EXPECT_NE(problems_[0].find("ProxyAuth \"yes\" is not true or false"), std::string::npos);
  problems_.clear();
  Set("ProxyAuth", "True");
  HttpOptions on = Load();
  EXPECT_EQ(on.proxy_host, "proxy.localhost");
  EXPECT_EQ(on.proxy_port, 3128);
  EXPECT_EQ(on.proxy_user, "joe");
  EXPECT_EQ(on.proxy_password, "s3cret");
  EXPECT_TRUE(problems_.empty());
}

// A missing or bad number must not stop the run: the default is used and the value is named.
TEST_F(NetworkSettingsTest, BadNumbersFallBackAndAreReported) {
  Set("HTTPReadTimeout", "fast");
  Set("HTTPRedirectMaximum", "-3");
  Set("HTTPPort", "");
  HttpOptions options = Load();
  EXPECT_EQ(options.read_timeout.count(), 30000);
  EXPECT_EQ(options.max_redirects, 15);
  EXPECT_EQ(options.port, 80);
  ASSERT_EQ(problems_.size(), 3u);
  EXPECT_NE(problems_[0].find("HTTPReadTimeout \"fast\""), std::string::npos) << problems_[0];
  EXPECT_NE(problems_[1].find("HTTPPort"), std::string::npos) << problems_[1];
}

TEST_F(NetworkSettingsTest, AMissingKeyGivesWorkingDefaults) {
  SettingsStore empty(dir_ / "none.ini");
  HttpOptions options = LoadNetworkSettings(empty, "agent", 0, &problems_);
  EXPECT_TRUE(problems_.empty());
  EXPECT_TRUE(options.follow_redirects);
  EXPECT_EQ(options.accept, "text/html, */*");
  EXPECT_EQ(options.user_agent, "agent");
  EXPECT_FALSE(options.http10);
}

TEST_F(NetworkSettingsTest, UndecipherablePasswordIsReported) {
  Set("ProxyAuth", "true");
  Set("ProxyHost", "proxy.localhost");
  Set("ProxyPassword", "not hex!");
  EXPECT_EQ(Load().proxy_password, "");
  ASSERT_EQ(problems_.size(), 1u);
  EXPECT_NE(problems_[0].find("ProxyPassword"), std::string::npos);
}

TEST(RobotsClientOptionsTest, AreFixedForEveryRobotsFetch) {
  HttpOptions options = RobotsClientOptions();
  EXPECT_EQ(options.read_timeout.count(), 10000);
  EXPECT_EQ(options.user_agent, kFixedUserAgent);
  EXPECT_EQ(options.proxy_host, "");
  EXPECT_TRUE(options.follow_redirects);
}

}  // namespace
}  // namespace zeb
