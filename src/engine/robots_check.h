// Whether the crawl may fetch an address, by the site's robots.txt, fetched once per host and
// run and cached in the work table Host.
//
// robots.txt is read up to kMaxRobotsBytes; the rest is ignored. A host whose file cannot be
// had (an error, or a redirect to something that is not a robots.txt) is cached as having none,
// and every address on it is allowed.
#ifndef ZEB_ENGINE_ROBOTS_CHECK_H_
#define ZEB_ENGINE_ROBOTS_CHECK_H_

#include <cstddef>
#include <functional>
#include <string>

#include "data/work_tables.h"

namespace zeb {

inline constexpr std::size_t kMaxRobotsBytes = 500 * 1024;

class RobotsChecker {
 public:
  // notice receives "No robot found for " + host key when a host has no robots file.
  RobotsChecker(WorkTables& tables, std::function<void(const std::string&)> notice)
      : tables_(tables), notice_(std::move(notice)) {}

  // True when the address is denied. While the run is being stopped (abort_seen), hosts not
  // cached yet are allowed without a request.
  bool CheckRobots(const std::string& url, bool abort_seen);

 private:
  WorkTables& tables_;
  std::function<void(const std::string&)> notice_;
};

// The document name of an address: what follows the last "/" of its path, query cut off.
std::string DocumentName(const std::string& url);

}  // namespace zeb

#endif  // ZEB_ENGINE_ROBOTS_CHECK_H_
