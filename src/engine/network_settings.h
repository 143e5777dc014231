// The "Network" values of the settings store, turned into the options of a page client.
//
// The values are read afresh for every node, so a change applies from the next node on. A
// missing value takes its working default; a value that is not what its kind needs (a number
// that is not a decimal integer, say) also takes the default and adds a line naming it to
// `problems`, so the run can report it instead of dying on it.
#ifndef ZEB_ENGINE_NETWORK_SETTINGS_H_
#define ZEB_ENGINE_NETWORK_SETTINGS_H_

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

}  // namespace zeb

#endif  // ZEB_ENGINE_NETWORK_SETTINGS_H_
