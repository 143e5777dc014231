// zebhost settings: the startup and network settings, listed or set one at a time.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "data/settings_catalog.h"
#include "data/settings_store.h"
#include "output_format.h"
#include "text/cipher.h"

namespace zebhost {
namespace {

// The key of the startup settings, or of the network settings with --network.
struct Key {
  std::span<const zeb::SettingDef> defs;
  zeb::SettingsKey key;
};

Key OpenSettings(const ParsedArgs& a) {
  const bool network = a.Flag("network");
  const char* key_path = network ? zeb::kNetworkKey : zeb::kStartupSettingsKey;
  zeb::SettingsStore store = OpenStore();
  std::optional<zeb::SettingsKey> key = store.OpenKey(key_path);
  if (!key) {
    throw UsageError(std::string("the settings key ") + key_path +
                     " is missing; run \"zebhost init\"");
  }
  return {network ? zeb::NetworkSettingDefs() : zeb::StartupSettingDefs(), std::move(*key)};
}

int SettingsList(const ParsedArgs& a, std::ostream& out) {
  const OutputFormat format = FormatOf(a);
  Key k = OpenSettings(a);
  std::vector<Record> records;
  for (const zeb::SettingDef& def : k.defs) {
    Value value = Value::Null();  // missing
    if (k.key.HasValue(def.name)) {
      std::string text = k.key.ReadString(def.name);
      if (def.kind == zeb::SettingKind::kSecret && !text.empty()) text = "(enciphered)";
      value = Value::Text(text);
    }
    records.push_back(Record().Set("name", Value::Text(def.name)).Set("value", value));
  }
  if (format == OutputFormat::kTable) {
    // The table has no header line; a missing value says so.
    std::vector<std::vector<std::string>> rows;
    for (const Record& r : records) {
      rows.push_back({r.Get("name").TableText(),
                      r.Get("value").is_null() ? "(missing)" : r.Get("value").TableText()});
    }
    PrintTable(out, rows, {kCellWidth, kAddressCellWidth});
    return 0;
  }
  out << FormatRecords(format, {{"name", "Setting"}, {"value", "Value", kAddressCellWidth}},
                       records);
  return 0;
}

int SettingsSet(const ParsedArgs& a, std::ostream& out) {
  const std::string name = a.Positional("NAME");
  const std::string given = a.Positional("VALUE");
  Key k = OpenSettings(a);
  const zeb::SettingDef* def = zeb::FindSettingDef(k.defs, name);
  if (def == nullptr) {
    std::string names;
    for (const zeb::SettingDef& d : k.defs) {
      names += names.empty() ? d.name : std::string(", ") + d.name;
    }
    throw UsageError("unknown setting \"" + name + "\" (" + names + ")");
  }
  if (std::optional<std::string> why = zeb::ValidateSetting(*def, given)) throw UsageError(*why);
  std::string value = given;
  if (def->kind == zeb::SettingKind::kSecret) value = zeb::Encrypt(value, zeb::kProxyPasswordKey);
  k.key.WriteString(def->name, value);
  out << "Set " << def->name << '\n';
  return 0;
}

}  // namespace

std::vector<CommandSpec> SettingsCommands() {
  const OptionSpec network =
      Flag("--network", "the network settings instead of the startup settings");
  return {
      {"settings",
       "List or set the bot's settings",
       "The startup settings (what the console's settings bar holds) and, with --network, the "
       "network settings (proxy, port, time-outs, certificate file) in the settings store.",
       "zebhost settings set ZEBStopHops 5",
       {},
       {}},
      {"settings list",
       "List the settings with their values",
       "The proxy password is shown as (enciphered); a value not in the store as (missing), or "
       "null in CSV and JSON.",
       "zebhost settings list --network --format json",
       {network, FormatOption()},
       SettingsList},
      {"settings set",
       "Set one setting",
       "The value is checked as the console checks it (a number in its range, true or false, "
       "one of the allowed choices); the proxy password is stored enciphered.",
       "zebhost settings set ZEBSelConnections 10",
       {Positional("NAME", "the setting's name, as settings list shows it"),
        Positional("VALUE", "its new value"), network},
       SettingsSet},
  };
}

}  // namespace zebhost
