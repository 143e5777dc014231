#include "text/date_time.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <limits>

namespace zeb {
namespace {

using Duration = DateTime::duration;

std::time_t ToTimeT(DateTime when) {
  // floor, not a cast: a cast would round times before 1970 towards the epoch.
  return static_cast<std::time_t>(
      std::chrono::floor<std::chrono::seconds>(when.time_since_epoch()).count());
}

// nullopt for seconds outside the clock's range (it counts in fine units, so its range is only a
// few centuries around 1970).
std::optional<DateTime> FromTimeT(std::time_t seconds) {
  constexpr std::int64_t kMaxSeconds =
      std::chrono::duration_cast<std::chrono::seconds>(Duration::max()).count();
  constexpr std::int64_t kMinSeconds =
      std::chrono::duration_cast<std::chrono::seconds>(Duration::min()).count();
  if (seconds > kMaxSeconds || seconds < kMinSeconds) return std::nullopt;
  return DateTime(std::chrono::duration_cast<Duration>(std::chrono::seconds(seconds)));
}

bool ToLocal(DateTime when, std::tm& local) {
  const std::time_t seconds = ToTimeT(when);
  return localtime_r(&seconds, &local) != nullptr;
}

// mktime of a broken-down local time, nullopt when it cannot be represented. -1 is also the
// valid answer for one second before the epoch, so errno tells the two apart.
std::optional<DateTime> FromLocal(std::tm local) {
  local.tm_isdst = -1;  // let the zone rules decide
  errno = 0;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
  return FromTimeT(seconds);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads count decimal digits at pos; false if any of them is not a digit.
bool ReadNumber(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  value = 0;
  for (std::size_t k = pos; k < pos + count; ++k) {
    if (text[k] < '0' || text[k] > '9') return false;
    value = value * 10 + (text[k] - '0');
  }
  return true;
}

}  // namespace

DateTime AddSecs(DateTime when, std::int64_t seconds) {
  // Saturates at the ends of the clock's range instead of overflowing.
  constexpr std::int64_t kMaxSeconds =
      std::chrono::duration_cast<std::chrono::seconds>(Duration::max()).count();
  if (seconds > kMaxSeconds) return DateTime::max();
  if (seconds < -kMaxSeconds) return DateTime::min();
  const auto delta = std::chrono::duration_cast<Duration>(std::chrono::seconds(seconds));
  const Duration since_epoch = when.time_since_epoch();
  if (delta > Duration::zero() && since_epoch > Duration::max() - delta) return DateTime::max();
  if (delta < Duration::zero() && since_epoch < Duration::min() - delta) return DateTime::min();
  return when + delta;
}

DateTime Now() { return std::chrono::system_clock::now(); }

DateTime StartOfDay(DateTime when) {
  std::tm local{};
  if (!ToLocal(when, local)) return when;
  local.tm_hour = 0;
  local.tm_min = 0;
  local.tm_sec = 0;
  return FromLocal(local).value_or(when);
}

std::string FormatDateTime(DateTime when) {
  std::tm local{};
  if (!ToLocal(when, local)) return std::string();
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return buffer;
}

std::string FormatIso8601(DateTime when) {
  std::tm local{};
  if (!ToLocal(when, local)) return std::string();
  const long offset = local.tm_gmtoff / 60;  // minutes east of UTC
  const long minutes = offset < 0 ? -offset : offset;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return buffer;
}

std::string FormatDay(DateTime when) {
  std::tm local{};
  if (!ToLocal(when, local)) return std::string();
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return buffer;
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
  // "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS", nothing before or after.
  constexpr std::size_t kDayLength = 10;
  constexpr std::size_t kDateTimeLength = 19;
  if (text.size() != kDayLength && text.size() != kDateTimeLength) return std::nullopt;
  int year = 0;
  int month = 0;
  int day = 0;
  if (!ReadNumber(text, 0, 4, year) || text[4] != '-' || !ReadNumber(text, 5, 2, month) ||
      text[7] != '-' || !ReadNumber(text, 8, 2, day)) {
    return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (text.size() == kDateTimeLength) {
    if (text[10] != ' ' || !ReadNumber(text, 11, 2, hour) || text[13] != ':' ||
        !ReadNumber(text, 14, 2, minute) || text[16] != ':' || !ReadNumber(text, 17, 2, second)) {
      return std::nullopt;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  }
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  return FromLocal(local);
}

}  // namespace zeb
