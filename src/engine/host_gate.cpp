#include "engine/host_gate.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <limits>

#include "analysis/url_normalisation.h"
#include "analysis/web_address.h"
#include "text/text_routines.h"

namespace zeb {

void HostGate::HoldUntil(const std::string& host, Clock::time_point until) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clock::time_point& held = held_[LowerCase(host)];
  held = std::max(held, until);
  changed_.notify_all();
}

bool HostGate::WaitFor(const std::string& host, const std::function<bool()>& give_up) {
  const std::string key = LowerCase(host);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    auto it = held_.find(key);
    if (it == held_.end()) return true;
    // A copy: another waiter may erase the entry while the lock is let go below.
    const Clock::time_point until = it->second;
    const Clock::time_point now = Clock::now();
    if (until <= now) {
      held_.erase(it);
      return true;
    }
    lock.unlock();
    if (give_up && give_up()) return false;
    lock.lock();
    changed_.wait_until(lock, std::min(until, now + std::chrono::milliseconds(50)));
  }
}

bool HostGate::Held(const std::string& host) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = held_.find(LowerCase(host));
  return it != held_.end() && it->second > Clock::now();
}

std::string GateKey(std::string_view url) {
  if (std::optional<WebAddress> address = ParseWebAddress(url)) return address->host;
  return LowerCase(UrlHost(url));
}

std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, std::time_t now) {
  std::string text = TrimBlanks(value);
  if (text.empty()) return std::nullopt;
  if (std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    // Delta seconds; an absurd number of digits is a very long wait, never an overflow.
    if (text.size() > 9) return std::chrono::seconds(std::numeric_limits<int>::max());
    return std::chrono::seconds(std::stoll(text));
  }
  // libcurl reads the three HTTP date forms without regard to the process's locale.
  const std::time_t when = curl_getdate(text.c_str(), nullptr);
  if (when == -1) return std::nullopt;
  return std::chrono::seconds(when > now ? when - now : 0);
}

std::optional<std::string> RetryAfterHeader(const Lines& header_lines) {
  for (const std::string& line : header_lines) {
    if (StartsWithNoCase(line, "retry-after:")) return TrimBlanks(std::string_view(line).substr(12));
  }
  return std::nullopt;
}

}  // namespace zeb
