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

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/settings_catalog.h"
#include "data/settings_store.h"
#include "text/lines.h"

namespace zeb {

struct BotSettings {
  bool AnalyzeBase = false;          // "Analyze Home Page"
  bool AnalyzeFound = false;         // "Analyze Backlink"
  bool AutoUpdatePartner = false;    // "Auto-Update Partner"
  std::string UserAgent;             // "User Agent"
  bool ModernWeb = false;            // "Modern web (https, compressed pages)"
  std::optional<int> Connections;    // "Connections": 1, 5, 10, 15 or 20; none when unset
  int ThrottleBand = 0;              // "Bandwidth Throttle (bytes)*", per connection
  int ThrottleProc = 0;              // "Process Throttle (ms)*"
  int IgnoreSize = kDefaultIgnoreSize;  // "Ignore pages greater than" ... bytes
  int StopHops = 3;                  // "Stop at" ... hops; -1 for no limit
  int StopLinks = 0;                 // "or" ... links; 0 for no limit
  int StopTime = 0;                  // "or" ... seconds; 0 for no limit
  int KWDensity = 0;                 // "KW Density"
  bool URLExceptions = false;        // "URL Exceptions"
  bool HotLink = false;              // "Hot Link"
  Lines StopWords;                   // "STFilter.txt"
  Lines URLExceptionWords;           // "URLExceptions.txt"
  // The hot-link grid's value rows: "HotLink.txt" line for line when the file exists (entries
  // as they stand), else one empty row.
  Lines HotLinkWords{""};
};

// Loads the settings from the store and the list files of data_folder (a folder text ending in
// "/", file names appended directly).
BotSettings LoadBotSettings(const SettingsStore& store, const std::string& data_folder,
                            std::vector<std::string>* problems);

// The six panels of the settings bar, each saved on its own.
enum class SettingsPanel {
  kMisc,
  kConnectionThrottling,
  kIgnores,
  kKeyWordDensity,
  kURLExceptions,
  kHotLink,
};
inline constexpr std::size_t kPanelCount = 6;

// Writes one panel's values to "Startup Settings" and its list file, in the panel's order:
// a word list without lines is not written (the file keeps what it held); a hot-link grid of
// one empty row deletes "HotLink.txt", any other grid writes its non-empty rows. Throws
// SettingsError when the key is missing or cannot be written, or a list file cannot be.
void SaveBotSettingsPanel(const SettingsStore& store, const std::string& data_folder,
                          const BotSettings& settings, SettingsPanel panel);

// The "Presets" of the Connection Throttling panel.
struct ThrottlePreset {
  const char* name;
  int connections;
  int band;  // bytes per second
  int proc;  // ms
};
std::span<const ThrottlePreset> ThrottlePresets();

// The user-agent history after `text` was used: it stands first, once, and the history keeps
// at most kUserAgentHistory entries; an empty text changes nothing.
inline constexpr std::size_t kUserAgentHistory = 15;
std::vector<std::string> AddToHistory(std::vector<std::string> history, const std::string& text);

// The settings as the console's panels hold them, with each panel's Save button: a change to a
// panel enables its Save, saving disables it again. The run reads the current values, saved
// or not.
class BotSettingsEditor {
 public:
  BotSettingsEditor(SettingsStore store, std::string data_folder);

  const BotSettings& settings() const { return settings_; }
  // Loading's reports: values that took their default or were clamped.
  const std::vector<std::string>& problems() const { return problems_; }

  // The values of a panel, to change; enables its Save.
  BotSettings& Edit(SettingsPanel panel);
  // Chooses a preset by name: sets Connections and both throttles. False for an unknown name.
  bool ChoosePreset(std::string_view name);
  bool SaveEnabled(SettingsPanel panel) const { return dirty_[Index(panel)]; }
  // Saves the panel; on failure it throws and the Save stays enabled.
  void Save(SettingsPanel panel);
  // All panels clean, as when the console shows.
  void MarkAllClean() { dirty_.fill(false); }

 private:
  static std::size_t Index(SettingsPanel panel) { return static_cast<std::size_t>(panel); }

  SettingsStore store_;
  std::string data_folder_;
  BotSettings settings_;
  std::vector<std::string> problems_;
  std::array<bool, kPanelCount> dirty_{};
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_BOT_SETTINGS_H_
