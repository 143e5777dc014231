#include "text/date_time.h"

#include <gtest/gtest.h>

namespace zeb {
namespace {

TEST(DateTimeTest, AddSecsMovesBothWays) {
  DateTime start = *ParseDateTime("2026-12-31 23:59:30");
  EXPECT_EQ(FormatDateTime(AddSecs(start, 45)), "2027-01-01 00:00:15");
  EXPECT_EQ(FormatDateTime(AddSecs(start, -30)), "2026-12-31 23:59:00");
  EXPECT_EQ(AddSecs(start, 0), start);
}

TEST(DateTimeTest, FormatParseRoundTripAndDays) {
  DateTime when = *ParseDateTime("2026-02-28 13:05:09");
  EXPECT_EQ(FormatDateTime(when), "2026-02-28 13:05:09");
  EXPECT_EQ(FormatDay(when), "2026-02-28");
  EXPECT_EQ(FormatDateTime(StartOfDay(when)), "2026-02-28 00:00:00");
  EXPECT_EQ(FormatDateTime(*ParseDateTime("2026-03-01")), "2026-03-01 00:00:00");
  EXPECT_LT(StartOfDay(Now()), Now() + std::chrono::seconds(1));
}

TEST(DateTimeTest, ParseRejectsAnythingElse) {
  for (const char* bad : {"", "2026-13-01", "2026-02-30", "2026-1-1", "2026-01-01 25:00:00",
                          "2026-01-01 10:00", "2026-01-01x", "2026-01-01 10:00:00 ", "garbage",
                          "2026-00-10", "2026-01-00"}) {
    EXPECT_FALSE(ParseDateTime(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace zeb
