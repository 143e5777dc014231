// The user's own home page, gathered once per project: its meta keywords and keyword density,
// stored in the project record for the keyword comparison, and shown as a short HTML page.
#ifndef ZEB_CONSOLE_SITE_INFORMATION_H_
#define ZEB_CONSOLE_SITE_INFORMATION_H_

#include <functional>
#include <string>
#include <vector>

#include "data/file_locations.h"
#include "data/settings_store.h"
#include "data/sqlite_session.h"

namespace zeb {

struct GatherOutcome {
  std::string status;       // the last text of the status line
  std::string dialog_html;  // an error to show in the message dialog, when there is one
  bool stored = false;      // the project record got new keywords and density
};

// Fetches the project's YourHomePage with the stored network values (and a fixed browser-like
// user agent), extracts its meta keywords and its keyword density at kw_density, and stores
// both in the project record. status receives each text of the status line as it changes;
// bad network values are named in problems. A failed fetch or lookup ends with the error's
// text as the status and nothing stored.
GatherOutcome GatherSiteInformation(Session& session, const SettingsStore& store,
                                    const std::string& data_folder, const std::string& project,
                                    int kw_density,
                                    const std::function<void(const std::string&)>& status,
                                    std::vector<std::string>* problems);

// The stored keywords and density of the project as the message dialog shows them.
std::string ShowSiteInformation(Session& session, const std::string& project);

// The same two over the data folder, each with a session of its own (a window calls them; the
// gathering from a thread of its own). They throw when the data folder cannot be opened.
GatherOutcome GatherSiteInformation(const SettingsStore& store, const std::string& data_folder,
                                    const std::string& project, int kw_density,
                                    const std::function<void(const std::string&)>& status);
std::string ShowSiteInformation(const std::string& data_folder, const std::string& project);

}  // namespace zeb

#endif  // ZEB_CONSOLE_SITE_INFORMATION_H_
