// Politeness towards a server that asked the crawl to wait: a 429 or 503 answer with a
// Retry-After. While a host is held, no crawl thread of the run sends it anything; the thread
// that was refused waits out the time and asks once more.
//
// Thread safety: one HostGate per run, shared by its crawl threads; every method may be called
// from any thread.
#ifndef ZEB_ENGINE_HOST_GATE_H_
#define ZEB_ENGINE_HOST_GATE_H_

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "text/lines.h"

namespace zeb {

// The longest Retry-After the crawl waits for; a longer one ends the page as refused.
inline constexpr std::chrono::seconds kLongestPoliteWait{30};

class HostGate {
 public:
  using Clock = std::chrono::steady_clock;

  // No request to host (a host name, letter case ignored) before `until`.
  void HoldUntil(const std::string& host, Clock::time_point until);
  // Waits while host is held. `give_up` is asked at least every 50 ms; true ends the wait.
  // Returns false when the wait was given up.
  bool WaitFor(const std::string& host, const std::function<bool()>& give_up);
  // Whether the host is held now.
  bool Held(const std::string& host);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Clock::time_point> held_;  // Guarded by mutex_
};

// The key a URL is held under: its host name in lower case, without port or scheme.
std::string GateKey(std::string_view url);

// The wait a Retry-After value asks for: delta seconds ("120") or an HTTP date
// ("Wed, 21 Oct 2026 07:28:00 GMT", also the two older date forms), against `now`. A date in
// the past is a wait of 0; anything else unreadable is nullopt.
std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, std::time_t now);

// The Retry-After value among raw response header lines, if there is one.
std::optional<std::string> RetryAfterHeader(const Lines& header_lines);

}  // namespace zeb

#endif  // ZEB_ENGINE_HOST_GATE_H_
