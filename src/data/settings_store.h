// The settings store: named string values under key paths, kept in one INI file.
//
// Each key path (for example "Software\Quillbex\Network") is one section of the file, named exactly
// as the path is written; a key exists when its section exists. Opening a key never creates it:
// only CreateKey does, and only the host tool calls it.
//
// File format: "[key path]" lines open a section; "name=value" lines follow. Names and values are
// stored with "\\", "\n" and "\r" escaped (and "=" in names), so any text round-trips. Nothing is
// trimmed. Lines that are neither are ignored when read.
//
// Writes are atomic and safe between processes: a writer takes an exclusive flock on
// "<file>.lock", reads the file afresh, applies its change, writes a temporary file and renames it
// over the store. A reader never sees a half-written file, and two processes writing at once lose
// nothing.
//
// Thread safety: SettingsStore and SettingsKey objects may be used from one thread each; several
// objects on the same file may live in several threads and processes at once.
#ifndef ZEB_DATA_SETTINGS_STORE_H_
#define ZEB_DATA_SETTINGS_STORE_H_

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zeb {

// Key paths of the store.
inline constexpr const char* kFileLocationsKey = "Software\\Quillbex\\File Locations";
inline constexpr const char* kStartupSettingsKey = "Software\\Quillbex\\Startup Settings";
inline constexpr const char* kNetworkKey = "Software\\Quillbex\\Network";

// A failed write: the key no longer exists, or the file could not be written. what() says which.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SettingsKey;

class SettingsStore {
 public:
  // The store's file: $ZEB_SETTINGS_FILE when set, else $XDG_CONFIG_HOME/Quillbex/settings.ini,
  // else ~/.config/Quillbex/settings.ini.
  static std::filesystem::path DefaultPath();

  explicit SettingsStore(std::filesystem::path file);

  const std::filesystem::path& file() const { return file_; }

  // Opens an existing key, reading its values as they are now. nullopt when the file or the key
  // does not exist (or the file cannot be read). Never creates anything.
  std::optional<SettingsKey> OpenKey(const std::string& key_path) const;

  // Creates the key (and the file and its folder) when missing. Existing values stay.
  // Throws SettingsError when the file cannot be written.
  void CreateKey(const std::string& key_path);

  // Key paths present in the file, in file order.
  std::vector<std::string> KeyPaths() const;

 private:
  friend class SettingsKey;
  std::filesystem::path file_;
};

// An opened key: a snapshot of its values taken at opening, kept up to date by its own writes.
class SettingsKey {
 public:
  // The value, or the empty text when it is missing.
  std::string ReadString(const std::string& name) const;
  bool HasValue(const std::string& name) const;
  // All values of the key, sorted by name.
  const std::map<std::string, std::string>& values() const { return values_; }

  // Writes one value (or several in one atomic step). Throws SettingsError when the key has been
  // removed from the file meanwhile or the file cannot be written; nothing is then changed.
  void WriteString(const std::string& name, const std::string& value);
  void WriteStrings(const std::vector<std::pair<std::string, std::string>>& values);

  const std::string& path() const { return path_; }

 private:
  friend class SettingsStore;
  SettingsKey(std::filesystem::path file, std::string path, std::map<std::string, std::string> v)
      : file_(std::move(file)), path_(std::move(path)), values_(std::move(v)) {}

  std::filesystem::path file_;
  std::string path_;
  std::map<std::string, std::string> values_;
};

}  // namespace zeb

#endif  // ZEB_DATA_SETTINGS_STORE_H_
