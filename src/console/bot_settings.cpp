#include "console/bot_settings.h"

#include <algorithm>

#include "data/list_file.h"
#include "data/settings_catalog.h"

namespace zeb {
namespace {

class StartupValues {
 public:
  StartupValues(const SettingsStore& store, std::vector<std::string>* problems)
      : key_(store.OpenKey(kStartupSettingsKey)), problems_(problems) {}

  const SettingDef& Def(const char* name) { return *FindSettingDef(StartupSettingDefs(), name); }

  std::optional<std::string> Stored(const char* name) {
    if (!key_ || !key_->HasValue(name)) return std::nullopt;
    return key_->ReadString(name);
  }

  bool Switch(const char* name) {
    return TextToSwitch(Stored(name).value_or(Def(name).default_value));
  }

  int Number(const char* name) {
    const SettingDef& def = Def(name);
    const int fallback = *ParseStrictInt(def.default_value);
    std::optional<std::string> text = Stored(name);
    if (!text) return fallback;
    std::optional<std::int32_t> value = ParseStrictInt(*text);
    if (!value) {
      Note(std::string("Setting ") + name + " \"" + *text + "\" is not a whole number; using " +
           def.default_value);
      return fallback;
    }
    const auto clamped = static_cast<int>(std::clamp<std::int64_t>(*value, def.min, def.max));
    if (clamped != *value) {
      Note(std::string("Setting ") + name + " " + *text + " is outside " +
           std::to_string(def.min) + " to " + std::to_string(def.max) + "; using " +
           std::to_string(clamped));
    }
    return clamped;
  }

  std::string Text(const char* name) { return Stored(name).value_or(Def(name).default_value); }

  void Note(std::string problem) {
    if (problems_ != nullptr) problems_->push_back(std::move(problem));
  }

 private:
  std::optional<SettingsKey> key_;
  std::vector<std::string>* problems_;
};

}  // namespace

BotSettings LoadBotSettings(const SettingsStore& store, const std::string& data_folder,
                            std::vector<std::string>* problems) {
  StartupValues values(store, problems);
  BotSettings s;
  s.AnalyzeBase = values.Switch("ZEBAnalyzeBase");
  s.AnalyzeFound = values.Switch("ZEBAnalyzeFound");
  s.AutoUpdatePartner = values.Switch("ZEBAutoUpdatePartner");
  s.UserAgent = values.Text("ZEBUserAgent");
  const std::string connections = values.Text("ZEBSelConnections");
  for (const char* choice : ConnectionChoices()) {
    if (connections == choice) s.Connections = *ParseStrictInt(choice);
  }
  s.ThrottleBand = values.Number("ZEBThrottleBand");
  s.ThrottleProc = values.Number("ZEBThrottleProc");
  s.IgnoreSize = values.Number("ZEBIgnoreSize");
  s.StopHops = values.Number("ZEBStopHops");
  s.StopLinks = values.Number("ZEBStopLinks");
  s.StopTime = values.Number("ZEBStopTime");
  s.KWDensity = values.Number("KWDensity");
  s.StopWords = ReadListFile(data_folder + "STFilter.txt").value_or(Lines{});
  s.URLExceptions = values.Switch("URLExceptions");
  s.URLExceptionWords = ReadListFile(data_folder + "URLExceptions.txt").value_or(Lines{});
  s.HotLink = values.Switch("HotLink");
  s.HotLinkWords = ReadListFile(data_folder + "HotLink.txt").value_or(Lines{});
  return s;
}

}  // namespace zeb
