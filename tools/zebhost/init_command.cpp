// zebhost init: the program and data folders, their tables and the seeded settings keys.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/schema.h"
#include "data/settings_catalog.h"
#include "data/settings_store.h"
#include "data/sqlite_session.h"
#include "text/cipher.h"

namespace zebhost {
namespace {

namespace fs = std::filesystem;

// Where init puts the folders when neither the store nor the command line names them.
fs::path DefaultBaseFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return fs::path(xdg) / "Quillbex";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return fs::path(home) / ".local" / "share" / "Quillbex";
  }
  return fs::path("Quillbex");
}

std::string FolderText(const fs::path& folder) {
  return zeb::WithTrailingSeparator(fs::absolute(folder).lexically_normal().string());
}

void SeedKey(zeb::SettingsStore& store, const char* key_path,
             std::span<const zeb::SettingDef> defs) {
  store.CreateKey(key_path);
  std::optional<zeb::SettingsKey> key = store.OpenKey(key_path);
  if (!key) throw zeb::SettingsError(std::string("Cannot open the new key ") + key_path);
  std::vector<std::pair<std::string, std::string>> missing;
  for (const zeb::SettingDef& def : defs) {
    if (key->HasValue(def.name)) continue;
    std::string value = def.seed_value != nullptr ? def.seed_value : def.default_value;
    if (def.kind == zeb::SettingKind::kSecret) value = zeb::Encrypt(value, zeb::kProxyPasswordKey);
    missing.emplace_back(def.name, value);
  }
  if (!missing.empty()) key->WriteStrings(missing);
}

int Init(const ParsedArgs& a, std::ostream& out) {
  zeb::SettingsStore store(zeb::SettingsStore::DefaultPath());
  zeb::FileLocations existing = zeb::ReadFileLocations(store);

  auto choose = [&](const char* option, const std::string& stored, const fs::path& fallback) {
    if (std::optional<std::string> given = a.Value(option)) {
      if (given->empty()) throw UsageError(std::string("--") + option + " needs a folder");
      return FolderText(*given);
    }
    return stored.empty() ? FolderText(fallback) : stored;
  };
  std::string exe = choose("exe", existing.ExeFolder, DefaultBaseFolder());
  std::string data = choose("data", existing.DataFolder, DefaultBaseFolder() / "data");
  for (const std::string& folder : {exe, data}) {
    if (fs::exists(folder) && !fs::is_directory(folder)) {
      throw UsageError(folder + " exists and is not a folder");
    }
  }

  for (const std::string& folder : {exe, data}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw UsageError("cannot create the folder " + folder + ": " + ec.message());
  }
  zeb::Session session(data + "zeb.sqlite", zeb::OpenMode::kCreateIfMissing);
  zeb::CreateApplicationTables(session);
  zeb::CreateWorkTables(session);

  store.CreateKey(zeb::kFileLocationsKey);
  store.OpenKey(zeb::kFileLocationsKey)->WriteStrings({{"ExeFolder", exe}, {"DataFolder", data}});
  SeedKey(store, zeb::kStartupSettingsKey, zeb::StartupSettingDefs());
  SeedKey(store, zeb::kNetworkKey, zeb::NetworkSettingDefs());

  zeb::AppTables app(session);
  out << "Settings store: " << store.file().string() << '\n'
      << "Program folder: " << exe << '\n'
      << "Data folder:    " << data << '\n'
      << "Tables:         " << data << "zeb.sqlite (" << app.ProjectNames().size()
      << " projects)\n"
      << "Next: zebhost project add NAME --home-page URL\n";
  return 0;
}

}  // namespace

std::vector<CommandSpec> InitCommands() {
  return {
      {"init",
       "Create the folders, tables and settings",
       "Creates the program and data folders, the tables in the data folder and the settings "
       "keys, with working defaults, and writes where they are into the settings store. Safe to "
       "rerun: existing data and settings stay, and without options the folders stay where the "
       "store says they are.",
       "zebhost init --data ~/zeb/data",
       {Option("--data", "DIR", "the data folder (tables and word lists)",
               "$XDG_DATA_HOME/Quillbex/data", ValueKind::kFolder),
        Option("--exe", "DIR", "the program folder (run report, window places)",
               "$XDG_DATA_HOME/Quillbex", ValueKind::kFolder)},
       Init},
  };
}

}  // namespace zebhost
