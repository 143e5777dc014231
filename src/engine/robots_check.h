// Whether the crawl may fetch an address, by the site's robots.txt, fetched once per host and
// run and cached in the work table Host.
//
// robots.txt is read in whole lines up to kMaxRobotsBytes; the rest is ignored.
//
// Two readings:
// - CheckRobots, the original crawl's: keyed by the host with "www." in front, the file always
//   asked for over http, the "*" group's Disallow lines matched as substrings. A host whose file
//   cannot be had (an error, or a redirect to something that is not a robots.txt) is cached as
//   having none, and every address on it is allowed.
// - CheckModern, as RFC 9309 reads it: keyed by scheme, host and port, fetched from the
//   address's own origin (redirects followed), the group of our product token else "*", longest
//   match. A 4xx file allows everything; a 5xx file denies everything for the run; a host that
//   cannot be reached (name, connection, TLS, time-out) is reported as such, so the page ends
//   with that cause instead of a robots verdict.
#ifndef ZEB_ENGINE_ROBOTS_CHECK_H_
#define ZEB_ENGINE_ROBOTS_CHECK_H_

#include <cstddef>
#include <functional>
#include <map>
#include <string>

#include "data/work_tables.h"

namespace zeb {

class HostGate;
class HttpClient;

struct RobotsVerdict {
  enum class Kind {
    kAllowed,
    kDenied,       // the rules close the address, or robots.txt answered 5xx (reason says so)
    kUnreachable,  // the host could not be reached for robots.txt; reason names the cause
  };
  Kind kind = Kind::kAllowed;
  std::string reason;  // "robots.txt closes the page", "robots.txt answered 503", "name mismatch"
};

inline constexpr std::size_t kMaxRobotsBytes = 500 * 1024;
// The reason of a modern verdict whose rules close the address.
inline constexpr const char* kRobotsClosedText = "robots.txt closes the page";

// The Host rows a crawl thread has read: a row is stored once and never changed during a
// partner's run, so the thread asks the table for each host only until it has the row.
using KnownHosts = std::map<std::string, HostRow, std::less<>>;

class RobotsChecker {
 public:
  // notice receives "No robot found for " + host key when a host has no robots file.
  RobotsChecker(WorkTables& tables, std::function<void(const std::string&)> notice)
      : tables_(tables), notice_(std::move(notice)) {}

  // True when the address is denied. While the run is being stopped (abort_seen), hosts not
  // cached yet are allowed without a request.
  bool CheckRobots(const std::string& url, bool abort_seen);

  // The modern reading, over `client` (the crawl thread's own, whose options are put back
  // afterwards) with our product token `agent`. While the run is being stopped, hosts not
  // cached yet are allowed without a request. gate may be null; `give_up` ends a wait at it.
  RobotsVerdict CheckModern(const std::string& url, bool abort_seen, HttpClient& client,
                            const std::string& agent, HostGate* gate,
                            const std::function<bool()>& give_up);

  // Modern reading: rows read are kept in `known`, and found there the next time.
  void UseKnownHosts(KnownHosts& known) { known_ = &known; }

 private:
  // The stored row of the host key, kept in `known_` when there is one.
  std::optional<HostRow> StoredHost(const std::string& key);

  WorkTables& tables_;
  KnownHosts* known_ = nullptr;
  std::function<void(const std::string&)> notice_;
};

// The document name of an address: what follows the last "/" of its path, query cut off.
std::string DocumentName(const std::string& url);

}  // namespace zeb

#endif  // ZEB_ENGINE_ROBOTS_CHECK_H_
