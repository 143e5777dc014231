#include "setup.h"

#include <cstdlib>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "cli.h"
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

// Where the folders go when neither the store nor the user names them.
fs::path DefaultBaseFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return fs::path(xdg) / "Quillbex";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return fs::path(home) / ".local" / "share" / "Quillbex";
  }
  return fs::path("Quillbex");
}

// Writes the values of `defs` that the key lacks (creating the key), so that a rerun keeps what
// the user set.
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

}  // namespace

bool StoreExists() { return fs::exists(zeb::SettingsStore::DefaultPath()); }

std::string StorePath() { return zeb::SettingsStore::DefaultPath().string(); }

std::string FolderText(const std::string& folder) {
  return zeb::WithTrailingSeparator(fs::absolute(folder).lexically_normal().string());
}

Folders SuggestedFolders() {
  const zeb::FileLocations stored =
      zeb::ReadFileLocations(zeb::SettingsStore(zeb::SettingsStore::DefaultPath()));
  return {stored.ExeFolder.empty() ? FolderText(DefaultBaseFolder().string()) : stored.ExeFolder,
          stored.DataFolder.empty() ? FolderText((DefaultBaseFolder() / "data").string())
                                    : stored.DataFolder};
}

SetupResult SetUp(const std::optional<std::string>& exe, const std::optional<std::string>& data) {
  const Folders suggested = SuggestedFolders();
  SetupResult result;
  result.folders.exe = exe ? FolderText(*exe) : suggested.exe;
  result.folders.data = data ? FolderText(*data) : suggested.data;
  const Folders& f = result.folders;
  for (const std::string& folder : {f.exe, f.data}) {
    // Without its final "/": "file/" does not exist, while "file" is in the way.
    const fs::path bare = fs::path(folder).parent_path();
    if (fs::exists(bare) && !fs::is_directory(bare)) {
      throw UsageError(folder + " exists and is not a folder");
    }
  }
  for (const std::string& folder : {f.exe, f.data}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw UsageError("cannot create the folder " + folder + ": " + ec.message());
  }
  zeb::Session session(f.data + "zeb.sqlite", zeb::OpenMode::kCreateIfMissing);
  zeb::CreateApplicationTables(session);
  zeb::CreateWorkTables(session);

  zeb::SettingsStore store(zeb::SettingsStore::DefaultPath());
  store.CreateKey(zeb::kFileLocationsKey);
  store.OpenKey(zeb::kFileLocationsKey)
      ->WriteStrings({{"ExeFolder", f.exe}, {"DataFolder", f.data}});
  SeedKey(store, zeb::kStartupSettingsKey, zeb::StartupSettingDefs());
  SeedKey(store, zeb::kNetworkKey, zeb::NetworkSettingDefs());

  result.store = store.file().string();
  result.projects = zeb::AppTables(session).ProjectNames().size();
  return result;
}

}  // namespace zebhost
