// What changed since a partner's previous check, read from its verdict records, and the records
// themselves in a real SQLite file.
#include "data/check_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/app_tables.h"
#include "data/check_history.h"
#include "data/link_verdicts.h"
#include "data/schema.h"
#include "data/sqlite_session.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

// A check written as "found:URL:verdict", "not found" or "unverifiable:reason".
VerdictRecord Check(const std::string& text) {
  VerdictRecord r;
  if (text.starts_with("found:")) {
    const std::size_t colon = text.rfind(':');
    r.Result = kCheckFound;
    r.URL = text.substr(6, colon - 6);
    r.Verdict = text.substr(colon + 1);
  } else if (text.starts_with("unverifiable")) {
    r.Result = kCheckUnverifiable;
    r.Verdict = kVerdictUnverifiable;
    r.Reason = text.size() > 13 ? text.substr(13) : "";
  } else {
    r.Result = kCheckNotFound;
    r.Verdict = kVerdictNotFound;
  }
  return r;
}

struct ChangeCase {
  std::string name;
  std::vector<std::string> checks;  // oldest first
  std::vector<std::string> changes;
  bool alarming;
};

TEST(CheckChangesTest, TheNewestCheckAgainstTheEarlierOnes) {
  const std::vector<ChangeCase> cases = {
      {"first check", {"found:a:counts"}, {}, false},
      {"unchanged", {"found:a:counts", "found:a:counts"}, {}, false},
      {"unchanged not found", {"not found", "not found"}, {}, false},
      {"lost", {"found:a:counts", "not found"}, {"lost (was at a)"}, true},
      {"lost while not counting", {"found:a:nofollow", "not found"}, {"lost (was at a)"}, true},
      {"found again", {"not found", "found:a:counts"}, {"found again at a"}, false},
      {"found again as nofollow after counting",
       {"found:a:counts", "not found", "found:a:nofollow"},
       {"found again at a", "counts -> nofollow"},
       true},
      {"moved", {"found:a:counts", "found:b:counts"}, {"moved from a to b"}, false},
      {"moved and stopped counting",
       {"found:a:counts", "found:b:ugc"},
       {"moved from a to b", "counts -> ugc"},
       true},
      {"stopped counting", {"found:a:counts", "found:a:nofollow"}, {"counts -> nofollow"}, true},
      {"counts again", {"found:a:noindex", "found:a:counts"}, {"noindex -> counts"}, false},
      {"another reason",
       {"found:a:nofollow", "found:a:sponsored"},
       {"nofollow -> sponsored"},
       false},
      {"became unverifiable",
       {"found:a:counts", "unverifiable:403 challenge page"},
       {"became unverifiable: 403 challenge page"},
       false},
      {"still unverifiable", {"unverifiable:x", "unverifiable:y"}, {}, false},
      // An unverifiable check says nothing: the link is compared with the check before it.
      {"verifiable again, unchanged",
       {"found:a:counts", "unverifiable:x", "found:a:counts"},
       {"verifiable again"},
       false},
      {"verifiable again, lost meanwhile",
       {"found:a:counts", "unverifiable:x", "not found"},
       {"verifiable again", "lost (was at a)"},
       true},
      {"verifiable again after nothing else",
       {"unverifiable:x", "found:a:counts"},
       {"verifiable again"},
       false},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<VerdictRecord> checks;
    for (const std::string& text : c.checks) checks.push_back(Check(text));
    std::vector<std::string> texts;
    bool alarming = false;
    for (const CheckChange& change : LatestChanges(checks)) {
      texts.push_back(change.text);
      alarming = alarming || change.Alarming();
    }
    EXPECT_EQ(texts, c.changes);
    EXPECT_EQ(alarming, c.alarming);
  }
}

TEST(LinkVerdictsTest, RecordsRoundTripPerPartnerAndTheNewestOfEach) {
  testing::TempDir dir;
  Session session(dir.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing);
  EXPECT_TRUE(PartnerVerdicts(session, "P", "Cats").empty());
  EXPECT_TRUE(LastVerdicts(session).empty());

  VerdictRecord first = Check("found:http://a.example/:counts");
  first.Project = "P";
  first.SiteName = "Cats, \"the\" best";
  first.CheckedAt = *ParseDateTime("2026-12-01");
  first.AnchorText = "My site";
  first.Hops = 2;
  first.LinkPosition = 3;
  first.LinksTotal = 5;
  first.ExternalPosition = 1;
  first.ExternalTotal = 2;
  first.WordPosition = 19;
  first.Evidence = "{\"verdict\":\"counts\"}";
  first.id = AppendVerdict(session, first);
  VerdictRecord second = Check("not found");
  second.Project = "P";
  second.SiteName = first.SiteName;
  second.id = AppendVerdict(session, second);
  VerdictRecord other = Check("unverifiable:timed out");
  other.Project = "Q";
  other.SiteName = "Dogs";
  other.id = AppendVerdict(session, other);

  std::vector<VerdictRecord> rows = PartnerVerdicts(session, "P", first.SiteName);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], first);
  EXPECT_EQ(rows[1].Verdict, kVerdictNotFound);
  EXPECT_EQ(rows[1].Evidence, "{}");  // never an empty text where JSON is expected

  std::map<PartnerKey, VerdictRecord> last = LastVerdicts(session);
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last.at({"P", first.SiteName}).id, second.id);
  EXPECT_EQ(last.at({"Q", "Dogs"}).Reason, "timed out");

}

// A removed partner or project takes its checks and verdicts along: a new partner of the same
// name starts without the old one's history, so its first check shows no change.
TEST(LinkVerdictsTest, RemovingAPartnerOrProjectRemovesItsChecksAndVerdicts) {
  testing::TempDir dir;
  Session session(dir.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing);
  CreateApplicationTables(session);
  AppTables app(session);
  for (const char* project : {"P", "Q"}) {
    app.AddProject({project, "", {}, {}});
    for (const char* name : {"Cats", "Dogs"}) {
      PartnerRecord p;
      p.Project = project;
      p.SiteName = name;
      app.AddPartner(p);
      CheckRecord check{0, project, name, Now(), kCheckFound, "", "http://a/", false};
      VerdictRecord v = Check("found:http://a/:counts");
      v.Project = project;
      v.SiteName = name;
      v.CheckId = AppendCheck(session, check);
      AppendVerdict(session, v);
    }
  }
  EXPECT_TRUE(app.RemovePartner("P", "Cats"));
  EXPECT_TRUE(PartnerVerdicts(session, "P", "Cats").empty());
  EXPECT_TRUE(PartnerChecks(session, "P", "Cats").empty());
  EXPECT_EQ(PartnerVerdicts(session, "P", "Dogs").size(), 1u);
  EXPECT_EQ(PartnerVerdicts(session, "Q", "Cats").size(), 1u);
  EXPECT_TRUE(app.RemoveProject("Q"));
  EXPECT_TRUE(PartnerVerdicts(session, "Q", "Dogs").empty());
  EXPECT_TRUE(PartnerChecks(session, "Q", "Dogs").empty());
  EXPECT_EQ(LastVerdicts(session).size(), 1u);
}

}  // namespace
}  // namespace zeb
