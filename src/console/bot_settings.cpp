#include "console/bot_settings.h"

#include <algorithm>
#include <filesystem>

#include "data/list_file.h"
#include "data/settings_catalog.h"
#include "data/settings_reader.h"

namespace zeb {

BotSettings LoadBotSettings(const SettingsStore& store, const std::string& data_folder,
                            std::vector<std::string>* problems) {
  SettingsReader values(store, kStartupSettingsKey, StartupSettingDefs(), "Setting",
                        SettingsReader::OutOfRange::kClamp, problems);
  BotSettings s;
  s.AnalyzeBase = values.Switch("ZEBAnalyzeBase");
  s.AnalyzeFound = values.Switch("ZEBAnalyzeFound");
  s.AutoUpdatePartner = values.Switch("ZEBAutoUpdatePartner");
  s.UserAgent = values.Text("ZEBUserAgent");
  s.ModernWeb = values.Switch("ZEBModernWeb");
  const std::string connections = values.Text("ZEBSelConnections");
  for (const char* choice : ConnectionChoices()) {
    if (connections == choice) s.Connections = *ParseStrictInt(choice);
  }
  if (!connections.empty() && !s.Connections) {
    values.Note("Setting ZEBSelConnections \"" + connections + "\" is not one of " +
                ConnectionChoicesText() + "; using one connection");
  }
  s.ThrottleBand = values.Number("ZEBThrottleBand");
  s.ThrottleProc = values.Number("ZEBThrottleProc");
  s.IgnoreSize = values.Number("ZEBIgnoreSize");
  s.StopHops = values.Number("ZEBStopHops");
  s.StopLinks = values.Number("ZEBStopLinks");
  s.StopTime = values.Number("ZEBStopTime");
  s.KWDensity = values.Number("KWDensity");
  s.StopWords = ReadListFile(data_folder + kStopWordsFile).value_or(Lines{});
  s.URLExceptions = values.Switch("URLExceptions");
  s.URLExceptionWords = ReadListFile(data_folder + kURLExceptionsFile).value_or(Lines{});
  s.HotLink = values.Switch("HotLink");
  if (std::optional<Lines> rows = ReadListFile(data_folder + kHotLinkFile)) s.HotLinkWords = *rows;
  return s;
}

namespace {

// Writes a list file line for line, each line ended by CR LF, replacing it.
void WriteWordList(const std::string& file, const Lines& lines) {
  std::string problem = WriteListFile(file, lines);
  if (!problem.empty()) throw SettingsError(problem);
}

std::string Number(int value) { return std::to_string(value); }

}  // namespace

void SaveBotSettingsPanel(const SettingsStore& store, const std::string& data_folder,
                          const BotSettings& s, SettingsPanel panel) {
  std::optional<SettingsKey> key = store.OpenKey(kStartupSettingsKey);
  if (!key) {
    throw SettingsError(std::string("The settings key ") + kStartupSettingsKey + " is missing");
  }
  switch (panel) {
    case SettingsPanel::kMisc:
      key->WriteStrings({{"ZEBAnalyzeBase", SwitchToText(s.AnalyzeBase)},
                         {"ZEBAnalyzeFound", SwitchToText(s.AnalyzeFound)},
                         {"ZEBAutoUpdatePartner", SwitchToText(s.AutoUpdatePartner)},
                         {"ZEBUserAgent", s.UserAgent},
                         {"ZEBModernWeb", SwitchToText(s.ModernWeb)}});
      break;
    case SettingsPanel::kConnectionThrottling:
      key->WriteStrings({{"ZEBSelConnections", s.Connections ? Number(*s.Connections) : ""},
                         {"ZEBThrottleBand", Number(s.ThrottleBand)},
                         {"ZEBThrottleProc", Number(s.ThrottleProc)}});
      break;
    case SettingsPanel::kIgnores:
      key->WriteStrings({{"ZEBIgnoreSize", Number(s.IgnoreSize)},
                         {"ZEBStopHops", Number(s.StopHops)},
                         {"ZEBStopLinks", Number(s.StopLinks)},
                         {"ZEBStopTime", Number(s.StopTime)}});
      break;
    case SettingsPanel::kKeyWordDensity:
      key->WriteString("KWDensity", Number(s.KWDensity));
      if (!s.StopWords.empty()) WriteWordList(data_folder + kStopWordsFile, s.StopWords);
      break;
    case SettingsPanel::kURLExceptions:
      key->WriteString("URLExceptions", SwitchToText(s.URLExceptions));
      if (!s.URLExceptionWords.empty()) {
        WriteWordList(data_folder + kURLExceptionsFile, s.URLExceptionWords);
      }
      break;
    case SettingsPanel::kHotLink: {
      key->WriteString("HotLink", SwitchToText(s.HotLink));
      const std::string file = data_folder + kHotLinkFile;
      if (s.HotLinkWords.size() == 1 && s.HotLinkWords[0].empty()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        if (ec) throw SettingsError("Cannot delete " + file + ": " + ec.message());
      } else {
        Lines rows;
        for (const std::string& row : s.HotLinkWords) {
          if (!row.empty()) rows.push_back(row);
        }
        WriteWordList(file, rows);
      }
      break;
    }
  }
}

std::span<const ThrottlePreset> ThrottlePresets() {
  static constexpr ThrottlePreset kPresets[] = {
      {"Slow (Dial-Up)", 1, 38400, 3000},      {"Slow (Broadband)", 5, 19200, 3000},
      {"Slow (Broadband +)", 5, 38400, 1000},  {"Medium (Dial-Up)", 5, 38400, 0},
      {"Medium (Broadband)", 10, 38400, 0},    {"Medium (Broadband +)", 10, 0, 1000},
      {"Fast (Dial-Up)", 5, 0, 0},             {"Fast (Broadband)", 10, 0, 0},
      {"Fast (Broadband +)", 20, 0, 0},
  };
  return kPresets;
}

std::vector<std::string> AddToHistory(std::vector<std::string> history, const std::string& text) {
  if (text.empty()) return history;
  history.erase(std::remove(history.begin(), history.end(), text), history.end());
  history.insert(history.begin(), text);
  if (history.size() > kUserAgentHistory) history.resize(kUserAgentHistory);
  return history;
}

BotSettingsEditor::BotSettingsEditor(SettingsStore store, std::string data_folder)
    : store_(std::move(store)), data_folder_(std::move(data_folder)) {
  settings_ = LoadBotSettings(store_, data_folder_, &problems_);
}

BotSettings& BotSettingsEditor::Edit(SettingsPanel panel) {
  dirty_[Index(panel)] = true;
  return settings_;
}

bool BotSettingsEditor::ChoosePreset(std::string_view name) {
  for (const ThrottlePreset& preset : ThrottlePresets()) {
    if (name != preset.name) continue;
    BotSettings& s = Edit(SettingsPanel::kConnectionThrottling);
    s.Connections = preset.connections;
    s.ThrottleBand = preset.band;
    s.ThrottleProc = preset.proc;
    return true;
  }
  return false;
}

void BotSettingsEditor::Save(SettingsPanel panel) {
  SaveBotSettingsPanel(store_, data_folder_, settings_, panel);
  dirty_[Index(panel)] = false;
}

}  // namespace zeb
