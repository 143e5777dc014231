// What a search engine makes of the user's link, judged by the crawl thread that finds the page
// from the page and headers it already has, and stored per check in ZEBLinkVerdict: hand-written
// partner pages served over loopback, one partner each, all checked in one run.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "data/check_history.h"
#include "data/link_verdicts.h"
#include "data/sqlite_session.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using nlohmann::json;
using testing::CrawlFixture;
using testing::Reply;

constexpr const char* kFind = "mysite.example";
constexpr const char* kLink = "<a href=\"http://www.mysite.example/\"";

struct VerdictCase {
  std::string name;  // the partner, and the page's path /<name>.htm
  std::string body;  // inside <body>
  std::string head;  // inside <head>
  std::vector<std::pair<std::string, std::string>> headers;
  std::string verdict;  // expected
  // Further checks of the stored record and its evidence; url is the page's address.
  std::function<void(const VerdictRecord&, const json&, const std::string& url)> check;
};

std::vector<std::string> Rel(const json& evidence, std::size_t link = 0) {
  return evidence.at("links").at(link).at("rel").get<std::vector<std::string>>();
}

std::vector<VerdictCase> Cases() {
  using V = const VerdictRecord&;
  using J = const json&;
  using U = const std::string&;
  const auto rel = [](const std::string& tokens) {
    return std::string(kLink) + " rel=\"" + tokens + "\">My <b>site</b> &amp; more</a>";
  };
  const auto rels = [](std::vector<std::string> want) {
    return [want](V r, J e, U) {
      EXPECT_EQ(Rel(e), want);
      EXPECT_EQ(r.AnchorText, "My site & more");
      EXPECT_TRUE(e["links"][0]["live"].get<bool>());
    };
  };
  const std::string followed = std::string(kLink) + ">My site</a>";
  return {
      {"rel-nofollow", rel("nofollow"), "", {}, "nofollow", rels({"nofollow"})},
      {"rel-NoFollow", rel("NoFollow"), "", {}, "nofollow", rels({"nofollow"})},
      {"rel-SPONSORED", rel("SPONSORED"), "", {}, "sponsored", rels({"sponsored"})},
      {"rel-ugc", rel("ugc"), "", {}, "ugc", rels({"ugc"})},
      {"rel-mixed-ugc-sponsored",
       rel("UGC  Sponsored"),
       "",
       {},
       "sponsored",
       rels({"sponsored", "ugc"})},
      {"rel-mixed-sponsored-nofollow",
       rel("Sponsored nofollow"),
       "",
       {},
       "nofollow",
       rels({"nofollow", "sponsored"})},
      {"rel-other-tokens", rel("external NOOPENER"), "", {}, "counts", rels({})},
      {"meta-noindex-nofollow",
       followed,
       "<meta name=\"robots\" content=\"noindex, nofollow\">",
       {},
       "noindex",
       [](V, J e, U) {
         EXPECT_TRUE(e["meta_robots"]["noindex"].get<bool>());
         EXPECT_TRUE(e["meta_robots"]["nofollow"].get<bool>());
       }},
      {"meta-upper-reversed",
       followed,
       "<META NAME=\"ROBOTS\" CONTENT=\"NoFollow,NoIndex\">",
       {},
       "noindex",
       [](V, J e, U) { EXPECT_TRUE(e["meta_robots"]["nofollow"].get<bool>()); }},
      {"meta-nofollow-only",
       followed,
       "<meta name=\"Robots\" content=\" nofollow \">",
       {},
       "nofollow",
       [](V, J e, U) { EXPECT_FALSE(e["meta_robots"]["noindex"].get<bool>()); }},
      {"meta-googlebot",
       followed,
       "<meta name=\"googlebot\" content=\"NOINDEX\">",
       {},
       "noindex",
       nullptr},
      {"meta-other-robot",
       followed,
       "<meta name=\"bingbot\" content=\"noindex\">",
       {},
       "counts",
       nullptr},
      {"xrobots-plain",
       followed,
       "",
       {{"X-Robots-Tag", "noindex"}},
       "noindex",
       [](V, J e, U) {
         EXPECT_TRUE(e["x_robots_tag"]["noindex"].get<bool>());
         EXPECT_FALSE(e["meta_robots"]["noindex"].get<bool>());
       }},
      {"xrobots-googlebot",
       followed,
       "",
       {{"X-Robots-Tag", "googlebot: nofollow"}},
       "nofollow",
       [](V, J e, U) { EXPECT_TRUE(e["x_robots_tag"]["nofollow"].get<bool>()); }},
      {"xrobots-otherbot",
       followed,
       "",
       {{"X-Robots-Tag", "otherbot: noindex"}},
       "counts",
       [](V, J e, U) { EXPECT_FALSE(e["x_robots_tag"]["noindex"].get<bool>()); }},
      {"canonical-self-relative",
       followed,
       "<link rel=\"canonical\" href=\"canonical-self-relative.htm\">",
       {},
       "counts",
       [](V, J e, U url) {
         EXPECT_EQ(e["canonical"]["href"], url);
         EXPECT_FALSE(e["canonical"]["elsewhere"].get<bool>());
       }},
      {"canonical-self-absolute", followed, "", {}, "counts", nullptr},  // head set below
      {"canonical-elsewhere",
       followed,
       "<link rel=\"canonical\" href=\"http://copy.example/page.htm\">",
       {},
       "canonical elsewhere",
       [](V, J e, U) {
         EXPECT_EQ(e["canonical"]["href"], "http://copy.example/page.htm");
         EXPECT_TRUE(e["canonical"]["elsewhere"].get<bool>());
       }},
      {"in-comment",
       "<!-- " + followed + " -->",
       "",
       {},
       "mention only",
       [](V, J e, U) {
         EXPECT_FALSE(e["links"][0]["live"].get<bool>());
         EXPECT_TRUE(e["mention_only"].get<bool>());
       }},
      {"in-noscript",
       "<noscript>" + followed + "</noscript>",
       "",
       {},
       "mention only",
       [](V, J e, U) { EXPECT_FALSE(e["links"][0]["live"].get<bool>()); }},
      {"mention",
       "<p>Visit www.mysite.example some day.</p>",
       "",
       {},
       "mention only",
       [](V r, J e, U) {
         EXPECT_TRUE(e["links"].empty());
         EXPECT_TRUE(e["mention_only"].get<bool>());
         EXPECT_EQ(r.AnchorText, "");
       }},
      {"two-links-one-followed",
       rel("nofollow") + " <p>and</p> " + std::string(kLink) + ">Followed one</a>",
       "",
       {},
       "counts",
       [](V r, J e, U) {
         ASSERT_EQ(e["links"].size(), 2u);
         EXPECT_EQ(Rel(e, 0), std::vector<std::string>{"nofollow"});
         EXPECT_EQ(Rel(e, 1), std::vector<std::string>{});
         EXPECT_EQ(r.AnchorText, "Followed one");
       }},
  };
}

std::string Page(const std::string& head, const std::string& body) {
  return "<html><head><title>Friends</title>" + head + "</head><body><p>Our friends:</p>" + body +
         "<p>Thanks for visiting.</p></body></html>";
}

struct VerdictFixture : CrawlFixture {
  VerdictFixture() {
    settings.ModernWeb = true;
    settings.AutoUpdatePartner = true;
    settings.AnalyzeFound = true;
  }
  std::vector<VerdictRecord> Verdicts(const std::string& partner) {
    Session session(DatabaseFile(locations()), OpenMode::kExisting);
    return PartnerVerdicts(session, testing::kProject, partner);
  }
};

TEST(LinkVerdictCrawlTest, EachPageGetsItsVerdictAndEvidence) {
  VerdictFixture f;
  std::vector<VerdictCase> cases = Cases();
  std::vector<std::string> names;
  for (VerdictCase& c : cases) {
    const std::string path = "/" + c.name + ".htm";
    if (c.name == "canonical-self-absolute") {
      c.head = "<link rel=\"canonical\" href=\"" + f.Url(path) + "\">";
    }
    Reply reply;
    reply.body = Page(c.head, c.body);
    reply.headers = c.headers;
    f.site().Serve(path, reply);
    f.AddPartner(c.name, f.Url(path), kFind);
    names.push_back(c.name);
  }
  testing::RunRecord run = f.Run(names);
  ASSERT_EQ(run.outcomes.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const VerdictCase& c = cases[i];
    SCOPED_TRACE(c.name);
    const std::string url = f.Url("/" + c.name + ".htm");
    EXPECT_EQ(run.outcomes[i].verdict, c.verdict);
    std::vector<VerdictRecord> rows = f.Verdicts(c.name);
    ASSERT_EQ(rows.size(), 1u);
    const VerdictRecord& r = rows[0];
    EXPECT_EQ(r.Result, kCheckFound);
    EXPECT_EQ(r.Verdict, c.verdict);
    EXPECT_EQ(r.URL, url);
    EXPECT_EQ(r.Hops, 0);
    EXPECT_GT(r.LinkPosition, 0);
    const json evidence = json::parse(r.Evidence);
    EXPECT_EQ(evidence["verdict"], c.verdict);
    EXPECT_EQ(evidence["status"], 200);
    EXPECT_TRUE(evidence["redirects"].empty());
    EXPECT_FALSE(evidence["robots_closed"].get<bool>());
    for (const json& link : evidence["links"]) {
      // The page's text around the link, as served, is kept for a dispute.
      EXPECT_NE(link["context"].get<std::string>().find("www.mysite.example"), std::string::npos);
    }
    if (c.check) c.check(r, evidence, url);
    // The console was told too.
    const std::string message = c.verdict == "counts"
                                    ? "Link counts with search engines"
                                    : "Link does not count with search engines: " + c.verdict;
    EXPECT_TRUE(run.HasMessage(message));
  }
}

TEST(LinkVerdictCrawlTest, RobotsClosedToGooglebotOnlyAndTheRedirectChain) {
  VerdictFixture f;
  f.site().Page("/robots.txt",
                "User-agent: Googlebot\nDisallow: /closed/\n\nUser-agent: *\nAllow: /\n");
  f.site().Page("/closed/links.htm", Page("", std::string(kLink) + ">My site</a>"));
  f.site().Redirect("/r1.htm", "/r2.htm");
  Reply found_redirect;
  found_redirect.status = 302;
  found_redirect.headers = {{"Location", "/r3.htm"}};
  f.site().Serve("/r2.htm", found_redirect);
  f.site().Page("/r3.htm", Page("", std::string(kLink) + ">My site</a>"));
  f.AddPartner("Closed", f.Url("/closed/links.htm"), kFind);
  f.AddPartner("Moved", f.Url("/r1.htm"), kFind);

  testing::RunRecord run = f.Run({"Closed", "Moved"});

  // Our robot may read the page (its group is "*"), so the link is found, yet Google may not.
  const VerdictRecord closed = f.Verdicts("Closed").at(0);
  EXPECT_EQ(closed.Result, kCheckFound);
  EXPECT_EQ(closed.Verdict, "robots.txt closed");
  EXPECT_TRUE(json::parse(closed.Evidence)["robots_closed"].get<bool>());

  const VerdictRecord moved = f.Verdicts("Moved").at(0);
  EXPECT_EQ(moved.Verdict, "counts");
  EXPECT_EQ(moved.URL, f.Url("/r3.htm"));
  const json evidence = json::parse(moved.Evidence);
  EXPECT_EQ(evidence["status"], 200);
  EXPECT_EQ(evidence["redirects"], json({"301 " + f.Url("/r1.htm"), "302 " + f.Url("/r2.htm")}));
}

TEST(LinkVerdictCrawlTest, NotFoundAndUnverifiablePartnersGetARowToo) {
  VerdictFixture f;
  f.site().Page("/plain.htm", Page("", "<p>No link here.</p>"));
  Reply wall;
  wall.status = 403;
  wall.body = "<html><body>Checking your browser before accessing. Just a moment...</body></html>";
  wall.headers = {{"cf-mitigated", "challenge"}};
  f.site().Serve("/wall.htm", wall);
  f.AddPartner("Gone", f.Url("/plain.htm"), kFind);
  f.AddPartner("Walled", f.Url("/wall.htm"), kFind);

  testing::RunRecord run = f.Run({"Gone", "Walled"});

  const VerdictRecord gone = f.Verdicts("Gone").at(0);
  EXPECT_EQ(gone.Verdict, kVerdictNotFound);
  EXPECT_EQ(gone.Hops, -1);
  const VerdictRecord walled = f.Verdicts("Walled").at(0);
  EXPECT_EQ(walled.Verdict, kVerdictUnverifiable);
  EXPECT_NE(walled.Reason, "");
  EXPECT_EQ(run.outcomes[1].verdict, kVerdictUnverifiable);
  // Each row belongs to its check in ZEBCheckHistory.
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  EXPECT_EQ(PartnerChecks(session, testing::kProject, "Gone").at(0).id, gone.CheckId);
}

TEST(LinkVerdictCrawlTest, TheOriginalCrawlJudgesNothing) {
  VerdictFixture f;
  f.settings.ModernWeb = false;
  f.site().Page("/index.htm", Page("", std::string(kLink) + " rel=\"nofollow\">My site</a>"));
  f.AddPartner("Cats", f.Url("/index.htm"), kFind);
  testing::RunRecord run = f.Run({"Cats"});
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/index.htm"));
  EXPECT_EQ(run.outcomes[0].verdict, "");
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  EXPECT_FALSE(session.TableExists(kLinkVerdictTable));
  EXPECT_FALSE(run.HasMessage("Link does not count with search engines: nofollow"));
}

}  // namespace
}  // namespace zeb
