// The "Network" values of the settings store, turned into the options of a page client.
//
// The values are read afresh for every node, so a change applies from the next node on. A
// missing value takes its working default; a value that is not what its kind needs (a number
// that is not a decimal integer, say) also takes the default and adds a line naming it to
// `problems`, so the run can report it instead of dying on it.
//
// Also the whole-transfer limit of a page fetch, which the crawl and the site information both
// derive from the read time-out. Plain functions and constants: safe from any thread.
#ifndef ZEB_ENGINE_NETWORK_SETTINGS_H_
#define ZEB_ENGINE_NETWORK_SETTINGS_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "data/settings_store.h"
#include "engine/http_client.h"

namespace zeb {

// The options for one node's client: the stored network values, the user agent and the
// bandwidth throttle (bytes per second, 0 for none).
HttpOptions LoadNetworkSettings(const SettingsStore& store, const std::string& user_agent,
                                std::int64_t bandwidth_throttle,
                                std::vector<std::string>* problems);

// The options of the robots client, which ignores the stored values: port 80, 10,000 ms read
// time-out, redirects followed, cookies on, Accept "text/html, */*", a fixed browser-like user
// agent and no proxy.
HttpOptions RobotsClientOptions();

inline constexpr const char* kFixedUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// The shortest whole-transfer limit of a page fetch (the "transfer floor").
inline constexpr std::chrono::milliseconds kTransferFloor{120000};

// The whole-transfer limit of a page fetch: the larger of `floor` and 10 x the read time-out,
// lengthened by what the bandwidth throttle (bytes per second, 0 for none) needs for a page at
// the size limit (max_page_size bytes; 0 for none, which counts as kHardPageCap).
std::chrono::milliseconds TransferLimit(std::chrono::milliseconds floor,
                                        std::chrono::milliseconds read_timeout,
                                        int bandwidth_throttle, int max_page_size);

}  // namespace zeb

#endif  // ZEB_ENGINE_NETWORK_SETTINGS_H_
