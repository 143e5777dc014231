// Date-time values of the tables and the run (deadlines, history days).
//
// A DateTime is a point on the system clock. The zero value (DateTime{}) stands for "none", as a
// deadline of 0 does. Days are calendar days in the local time zone.
#ifndef ZEB_TEXT_DATE_TIME_H_
#define ZEB_TEXT_DATE_TIME_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeb {

using DateTime = std::chrono::system_clock::time_point;

// The date-time that many seconds after when (negative seconds go back).
DateTime AddSecs(DateTime when, std::int64_t seconds);

// Current time.
DateTime Now();

// Local midnight of the day that holds when.
DateTime StartOfDay(DateTime when);

// "YYYY-MM-DD HH:MM:SS" in local time: the form in which tables store date-times, so that text
// order is time order.
std::string FormatDateTime(DateTime when);

// ISO 8601 with the local offset from UTC: "YYYY-MM-DDTHH:MM:SS+HH:MM".
std::string FormatIso8601(DateTime when);

// "YYYY-MM-DD" of the local day that holds when.
std::string FormatDay(DateTime when);

// Parses FormatDateTime's form, or a bare "YYYY-MM-DD" (midnight). nullopt for anything else.
std::optional<DateTime> ParseDateTime(std::string_view text);

}  // namespace zeb

#endif  // ZEB_TEXT_DATE_TIME_H_
