#include "text/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace zeb {
namespace {

using std::chrono::hours;
using std::chrono::seconds;
using namespace std::string_view_literals;

DateTime FromEpoch(std::int64_t secs) { return DateTime(seconds(secs)); }

std::int64_t ToEpoch(DateTime when) {
  return std::chrono::duration_cast<seconds>(when.time_since_epoch()).count();
}

// Runs a test under a fixed time zone (POSIX rules, so no zone files are needed) and puts the
// process's own zone back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    had_zone_ = old != nullptr;
    if (had_zone_) old_zone_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_zone_) {
      setenv("TZ", old_zone_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool had_zone_ = false;
  std::string old_zone_;
};

constexpr const char* kUtc = "UTC0";
// Central Europe: summer time from the last Sunday of March 02:00 to the last Sunday of October
// 03:00.
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kUsEastern = "EST5EDT,M3.2.0,M11.1.0";
constexpr const char* kIndia = "IST-5:30";

TEST(AddSecsTest, MovesForwardAndBack) {
  const DateTime base = FromEpoch(1700000000);
  EXPECT_EQ(AddSecs(base, 0), base);
  EXPECT_EQ(AddSecs(base, 90), base + seconds(90));
  EXPECT_EQ(AddSecs(base, -3600), base - hours(1));
  EXPECT_EQ(AddSecs(base, 86400 * 365), base + hours(24 * 365));
  EXPECT_EQ(AddSecs(AddSecs(base, 12345), -12345), base);
  EXPECT_EQ(AddSecs(DateTime{}, 1), FromEpoch(1));
  EXPECT_EQ(AddSecs(DateTime{}, -1), FromEpoch(-1));
  // Sub-second parts are kept.
  const DateTime fractional = base + std::chrono::milliseconds(250);
  EXPECT_EQ(AddSecs(fractional, 1) - fractional, seconds(1));
}

TEST(AddSecsTest, DoesNotWrapAroundAtTheEndsOfTheClock) {
  const DateTime now = Now();
  EXPECT_GT(AddSecs(now, std::numeric_limits<std::int64_t>::max()), now);
  EXPECT_LT(AddSecs(now, std::numeric_limits<std::int64_t>::min()), now);
  EXPECT_GT(AddSecs(now, std::int64_t{1} << 40), now);
  EXPECT_LT(AddSecs(now, -(std::int64_t{1} << 40)), now);
}

TEST(NowTest, FollowsTheSystemClock) {
  const DateTime before = std::chrono::system_clock::now();
  const DateTime now = Now();
  const DateTime after = std::chrono::system_clock::now();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

TEST(DateTimeFormatTest, UniversalTime) {
  ScopedTimeZone zone(kUtc);
  EXPECT_EQ(FormatDateTime(FromEpoch(0)), "1970-01-01 00:00:00");
  EXPECT_EQ(FormatDateTime(FromEpoch(1700000000)), "2023-11-14 22:13:20");
  EXPECT_EQ(FormatDateTime(FromEpoch(951782400)), "2000-02-29 00:00:00");
  EXPECT_EQ(FormatDateTime(FromEpoch(-1)), "1969-12-31 23:59:59");
  EXPECT_EQ(FormatDateTime(FromEpoch(7258118399)), "2199-12-31 23:59:59");
  // Fractions of a second are dropped, also before 1970.
  EXPECT_EQ(FormatDateTime(FromEpoch(1700000000) + std::chrono::milliseconds(999)),
            "2023-11-14 22:13:20");
  EXPECT_EQ(FormatDateTime(FromEpoch(0) - std::chrono::milliseconds(1)), "1969-12-31 23:59:59");
  EXPECT_EQ(FormatDay(FromEpoch(1700000000)), "2023-11-14");
  EXPECT_EQ(FormatDay(FromEpoch(-1)), "1969-12-31");
}

TEST(DateTimeFormatTest, LocalTime) {
  {
    ScopedTimeZone zone(kCentralEurope);
    EXPECT_EQ(FormatDateTime(FromEpoch(1700000000)), "2023-11-14 23:13:20");  // winter, +1
    EXPECT_EQ(FormatDateTime(FromEpoch(1719835200)), "2024-07-01 14:00:00");  // summer, +2
    EXPECT_EQ(FormatDay(FromEpoch(1700000000)), "2023-11-14");
    EXPECT_EQ(FormatDay(FromEpoch(1699999200)), "2023-11-14");  // 22:00 UTC is local midnight
  }
  {
    ScopedTimeZone zone(kIndia);
    EXPECT_EQ(FormatDateTime(FromEpoch(1700000000)), "2023-11-15 03:43:20");
    EXPECT_EQ(FormatDay(FromEpoch(1700000000)), "2023-11-15");
  }
}

TEST(ParseDateTimeTest, ReadsBothForms) {
  {
    ScopedTimeZone zone(kUtc);
    EXPECT_EQ(ParseDateTime("2023-11-14 22:13:20"), FromEpoch(1700000000));
    EXPECT_EQ(ParseDateTime("2023-11-14"), FromEpoch(1699920000));
    EXPECT_EQ(ParseDateTime("1970-01-01 00:00:00"), FromEpoch(0));
    EXPECT_EQ(ParseDateTime("1969-12-31 23:59:59"), FromEpoch(-1));
    EXPECT_EQ(ParseDateTime("2000-02-29"), FromEpoch(951782400));
    EXPECT_EQ(ParseDateTime("2024-02-29 23:59:59"), FromEpoch(1709251199));
    EXPECT_EQ(ParseDateTime("2199-12-31 23:59:59"), FromEpoch(7258118399));
  }
  {
    ScopedTimeZone zone(kCentralEurope);
    EXPECT_EQ(ParseDateTime("2023-11-14 23:13:20"), FromEpoch(1700000000));
    EXPECT_EQ(ParseDateTime("2024-07-01 14:00:00"), FromEpoch(1719835200));
    EXPECT_EQ(ParseDateTime("2023-11-14"), FromEpoch(1699916400));
  }
}

TEST(ParseDateTimeTest, RejectsAnythingElse) {
  ScopedTimeZone zone(kUtc);
  const std::string_view rejected[] = {
      "",
      "2024",
      "2024-01",
      "2024-1-01",
      "2024-01-1",
      "24-01-01",
      "2024/01/01",
      "2024-01-01T10:00:00",
      "2024-01-01 10:00",
      "2024-01-01 10:00:0",
      "2024-01-01 10:00:00 ",
      " 2024-01-01",
      "2024-01-01 ",
      "2024-01-01\n",
      "2024-01-01\0"sv,
      "2024-01-01 10:00:00\0"sv,
      "2024-01-01 10:00:00.5",
      "2024-01-01 10:00:00Z",
      "+024-01-01",
      "2024-+1-01",
      "2024-01--1",
      "2024-0a-01",
      "2024-01-01 1a:00:00",
      "2024-01-01 10-00-00",
      "2024-01-01  10:00:0",
      "abcd-ef-gh",
      // Out of range.
      "2024-00-10",
      "2024-13-01",
      "2024-01-00",
      "2024-01-32",
      "2024-04-31",
      "2024-06-31",
      "2024-02-30",
      "2023-02-29",
      "1900-02-29",
      "2024-01-01 24:00:00",
      "2024-01-01 23:60:00",
      "2024-01-01 23:59:60",
      "2024-01-01 99:99:99",
  };
  for (const std::string_view text : rejected) {
    EXPECT_EQ(ParseDateTime(text), std::nullopt) << "\"" << text << "\"";
  }
  // Well-formed, but outside the range of the clock: refused rather than wrapped around.
  EXPECT_EQ(ParseDateTime("9999-12-31 23:59:59"), std::nullopt);
  EXPECT_EQ(ParseDateTime("1000-01-01"), std::nullopt);
  EXPECT_TRUE(ParseDateTime("2024-02-29").has_value());
  EXPECT_TRUE(ParseDateTime("2024-12-31 23:59:59").has_value());
  EXPECT_TRUE(ParseDateTime("2024-01-31").has_value());
}

TEST(StartOfDayTest, IsLocalMidnight) {
  {
    ScopedTimeZone zone(kUtc);
    EXPECT_EQ(StartOfDay(FromEpoch(1700000000)), FromEpoch(1699920000));
    EXPECT_EQ(StartOfDay(FromEpoch(1699920000)), FromEpoch(1699920000));
    EXPECT_EQ(StartOfDay(FromEpoch(1699920000) - std::chrono::milliseconds(1)),
              FromEpoch(1699920000 - 86400));
    EXPECT_EQ(StartOfDay(FromEpoch(-1)), FromEpoch(-86400));
  }
  {
    ScopedTimeZone zone(kCentralEurope);
    // 2023-11-14 23:13:20 local; midnight is 23:00 UTC the day before.
    EXPECT_EQ(StartOfDay(FromEpoch(1700000000)), FromEpoch(1699916400));
    // 2023-11-14 00:30 local is 23:30 UTC on the 13th: still the local 14th.
    EXPECT_EQ(StartOfDay(FromEpoch(1699918200)), FromEpoch(1699916400));
    // The day summer time starts has 23 hours: noon is 11 hours after midnight.
    const DateTime noon = *ParseDateTime("2024-03-31 12:00:00");
    EXPECT_EQ(ToEpoch(noon), 1711879200);
    EXPECT_EQ(noon - StartOfDay(noon), hours(11));
    EXPECT_EQ(FormatDateTime(StartOfDay(noon)), "2024-03-31 00:00:00");
    // The day it ends has 25 hours.
    const DateTime evening = *ParseDateTime("2024-10-27 23:00:00");
    EXPECT_EQ(evening - StartOfDay(evening), hours(24));
  }
  {
    ScopedTimeZone zone(kIndia);
    EXPECT_EQ(StartOfDay(FromEpoch(1700000000)), FromEpoch(1699986600));
  }
}

// In several zones: Format and Parse are inverse to the second, FormatDay is the first part of
// FormatDateTime, and StartOfDay lies on the same local day at 00:00:00.
TEST(DateTimeRoundTripTest, FormatParseAndStartOfDayAgree) {
  for (const char* zone_rules : {kUtc, kCentralEurope, kUsEastern, kIndia}) {
    ScopedTimeZone zone(zone_rules);
    // Every 7 hours and 13 minutes over some years, so that all hours and both sides of each
    // summer time change are visited.
    for (std::int64_t t = 1577836800; t < 1735689600; t += 7 * 3600 + 13 * 60 + 7) {
      const DateTime when = FromEpoch(t) + std::chrono::milliseconds(t % 1000);
      const std::string text = FormatDateTime(when);
      const std::optional<DateTime> parsed = ParseDateTime(text);
      ASSERT_TRUE(parsed.has_value()) << zone_rules << " " << text;
      ASSERT_EQ(FormatDateTime(*parsed), text) << zone_rules;
      // The same second, or in the hour that the end of summer time repeats, its twin.
      const std::int64_t offset = ToEpoch(*parsed) - t;
      ASSERT_TRUE(offset == 0 || offset == 3600 || offset == -3600)
          << zone_rules << " " << text << " offset " << offset;
      const std::string day = FormatDay(when);
      ASSERT_EQ(day, text.substr(0, 10)) << zone_rules;
      const DateTime midnight = StartOfDay(when);
      ASSERT_EQ(FormatDateTime(midnight), day + " 00:00:00") << zone_rules << " " << text;
      ASSERT_LE(midnight, when) << zone_rules << " " << text;
      ASSERT_EQ(ParseDateTime(day), midnight) << zone_rules << " " << text;
    }
  }
}

TEST(DateTimeRoundTripTest, TextOrderIsTimeOrder) {
  ScopedTimeZone zone(kCentralEurope);
  std::string previous = FormatDateTime(FromEpoch(946684800));
  for (std::int64_t t = 946684800 + 4999; t < 1735689600; t += 86400 * 3 + 4999) {
    const std::string text = FormatDateTime(FromEpoch(t));
    ASSERT_LT(previous, text);
    previous = text;
  }
}

}  // namespace
}  // namespace zeb
