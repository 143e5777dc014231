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
#include "text/cipher.h"

namespace zebhost {

int Settings(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {}, {"network"});
  const auto& words = a.positional();
  if (words.empty()) throw UsageError("usage: zebhost settings list | set NAME VALUE [--network]");
  bool network = a.Flag("network");
  const char* key_path = network ? zeb::kNetworkKey : zeb::kStartupSettingsKey;
  std::span<const zeb::SettingDef> defs =
      network ? zeb::NetworkSettingDefs() : zeb::StartupSettingDefs();
  zeb::SettingsStore store = OpenStore();
  std::optional<zeb::SettingsKey> key = store.OpenKey(key_path);
  if (!key) {
    throw UsageError(std::string("the settings key ") + key_path + " is missing; run \"zebhost init\"");
  }
  if (words[0] == "list") {
    a.ExpectPositional(1, "zebhost settings list [--network]");
    std::vector<std::vector<std::string>> rows;
    for (const zeb::SettingDef& def : defs) {
      std::string value = key->ReadString(def.name);
      if (def.kind == zeb::SettingKind::kSecret) value = value.empty() ? "" : "(enciphered)";
      rows.push_back({def.name, key->HasValue(def.name) ? value : "(missing)"});
    }
    PrintTable(out, rows, {kCellWidth, kAddressCellWidth});
    return 0;
  }
  if (words[0] == "set") {
    a.ExpectPositional(3, "zebhost settings set NAME VALUE [--network]");
    const zeb::SettingDef* def = zeb::FindSettingDef(defs, words[1]);
    if (def == nullptr) {
      std::string names;
      for (const zeb::SettingDef& d : defs) names += names.empty() ? d.name : std::string(", ") + d.name;
      throw UsageError("unknown setting \"" + words[1] + "\" (" + names + ")");
    }
    if (std::optional<std::string> why = zeb::ValidateSetting(*def, words[2])) throw UsageError(*why);
    std::string value = words[2];
    if (def->kind == zeb::SettingKind::kSecret) value = zeb::Encrypt(value, zeb::kProxyPasswordKey);
    key->WriteString(def->name, value);
    out << "Set " << def->name << '\n';
    return 0;
  }
  throw UsageError("unknown settings command \"" + words[0] + "\" (list, set)");
}

}  // namespace zebhost
