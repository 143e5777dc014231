// The partner update after a run: the guards that leave a partner alone, the backlink and its
// one history record per day, and the Backlink and Start Base buttons' stores.
#include "console/partner_update.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "data/app_tables.h"
#include "data/file_locations.h"
#include "support/crawl_fixture.h"
#include "text/date_time.h"

namespace zeb {
namespace {

using testing::CrawlFixture;
using testing::kProject;

constexpr const char* kFind = "mysite.example";

TEST(PartnerUpdateTest, GuardsAndOneHistoryRecordPerDay) {
  CrawlFixture f;
  f.AddPartner("Cats", "http://cats.example/", kFind);
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  AppTables app(session);
  PartnerUpdateContext context{true, kProject, "Cats", kFind, "http://cats.example/links.htm",
                               Now()};

  PartnerUpdateContext off = context;
  off.AutoUpdatePartner = false;
  EXPECT_TRUE(UpdatePartner(app, off, true, false).empty());
  PartnerUpdateContext changed = context;
  changed.FindText = "other.example";  // the partner's check text changed meanwhile
  EXPECT_TRUE(UpdatePartner(app, changed, true, false).empty());
  EXPECT_TRUE(UpdatePartner(app, context, false, false).empty());
  EXPECT_TRUE(app.History(kProject, "Cats").empty());

  EXPECT_EQ(UpdatePartner(app, context, true, false),
            std::vector<std::string>{"Backlink address updated"});
  EXPECT_EQ(UpdatePartner(app, context, true, true),
            std::vector<std::string>{"Backlink correct--no change"});
  std::optional<PartnerRecord> p = app.FindPartner(kProject, "Cats", ProjectScope::kExact);
  EXPECT_EQ(p->URL, "http://cats.example/links.htm");
  EXPECT_TRUE(p->FoundLong);
  std::vector<HistoryRecord> history = app.History(kProject, "Cats");
  ASSERT_EQ(history.size(), 1u);
  EXPECT_TRUE(history[0].PFound);

  context.now = AddSecs(context.now, 86400);  // the next day gets a record of its own
  UpdatePartner(app, context, true, false);
  EXPECT_EQ(app.History(kProject, "Cats").size(), 2u);

  EXPECT_TRUE(SetStartBase(app, kProject, "Cats", "http://cats.example/links/", 1));
  EXPECT_TRUE(SetBacklink(app, kProject, "Cats", "http://cats.example/x.htm"));
  EXPECT_FALSE(SetBacklink(app, kProject, "Nobody", "http://cats.example/x.htm"));
  p = app.FindPartner(kProject, "Cats", ProjectScope::kExact);
  EXPECT_EQ(p->BotStart, "http://cats.example/links/");
  EXPECT_EQ(p->BotBaseHop, 1);
  EXPECT_EQ(p->URL, "http://cats.example/x.htm");
}

}  // namespace
}  // namespace zeb
