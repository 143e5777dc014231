// The bot's settings: the "Startup Settings" values and the three word-list files, loaded into
// one object that a run reads.
//
// Loading never fails: a missing value takes the console's form default; a stored number that
// is not a decimal integer also takes the default, and one outside the control's range is
// clamped into it; each such value adds a line to `problems`. Switches are on exactly for the
// word "true" in any letter case. A stored connection count that is not one of the list's items
// leaves no selection.
#ifndef ZEB_CONSOLE_BOT_SETTINGS_H_
#define ZEB_CONSOLE_BOT_SETTINGS_H_

#include <optional>
#include <string>
#include <vector>

#include "data/settings_store.h"
#include "text/lines.h"

namespace zeb {

struct BotSettings {
  bool AnalyzeBase = false;          // "Analyze Home Page"
  bool AnalyzeFound = false;         // "Analyze Backlink"
  bool AutoUpdatePartner = false;    // "Auto-Update Partner"
  std::string UserAgent;             // "User Agent"
  std::optional<int> Connections;    // "Connections": 1, 5, 10, 15 or 20; none when unset
  int ThrottleBand = 0;              // "Bandwidth Throttle (bytes)*", per connection
  int ThrottleProc = 0;              // "Process Throttle (ms)*"
  int IgnoreSize = 125000;           // "Ignore pages greater than" ... bytes
  int StopHops = 3;                  // "Stop at" ... hops; -1 for no limit
  int StopLinks = 0;                 // "or" ... links; 0 for no limit
  int StopTime = 0;                  // "or" ... seconds; 0 for no limit
  int KWDensity = 0;                 // "KW Density"
  bool URLExceptions = false;        // "URL Exceptions"
  bool HotLink = false;              // "Hot Link"
  Lines StopWords;                   // "STFilter.txt"
  Lines URLExceptionWords;           // "URLExceptions.txt"
  Lines HotLinkWords;                // "HotLink.txt", entries as they stand
};

// Loads the settings from the store and the list files of data_folder (a folder text ending in
// "/", file names appended directly).
BotSettings LoadBotSettings(const SettingsStore& store, const std::string& data_folder,
                            std::vector<std::string>* problems);

}  // namespace zeb

#endif  // ZEB_CONSOLE_BOT_SETTINGS_H_
