// Reads the values of one settings key through its catalog (data/settings_catalog.h): a value
// that is missing, or the whole key, gives the catalog's default; a number or switch that cannot be
// used gives a note in `problems` and a usable value instead.
#ifndef ZEB_DATA_SETTINGS_READER_H_
#define ZEB_DATA_SETTINGS_READER_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/settings_catalog.h"
#include "data/settings_store.h"

namespace zeb {

class SettingsReader {
 public:
  // What a number outside its range becomes: the nearest end of the range ("Startup Settings":
  // the console's spin boxes hold it there), or the default ("Network").
  enum class OutOfRange { kClamp, kDefault };

  // label starts the notes: "Setting" or "Network setting". problems may be null.
  SettingsReader(const SettingsStore& store, const char* key_path, std::span<const SettingDef> defs,
                 const char* label, OutOfRange out_of_range, std::vector<std::string>* problems);

  // The stored text, or nullopt when the key or the value is missing.
  std::optional<std::string> Stored(const char* name) const;
  // A stored switch that is neither true nor false (any letter case) reads as off, with a note.
  bool Switch(const char* name);
  std::int32_t Number(const char* name);
  std::string Text(const char* name) const;
  void Note(std::string problem);

 private:
  const SettingDef& Def(const char* name) const;

  std::optional<SettingsKey> key_;
  std::span<const SettingDef> defs_;
  const char* label_;
  OutOfRange out_of_range_;
  std::vector<std::string>* problems_;
};

}  // namespace zeb

#endif  // ZEB_DATA_SETTINGS_READER_H_
