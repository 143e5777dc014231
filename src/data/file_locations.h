// The program folder and the data folder, as the settings store names them.
//
// Both values end with a path separator; file names are appended to them directly. A missing key
// or value reads as the empty text and is not reported.
#ifndef ZEB_DATA_FILE_LOCATIONS_H_
#define ZEB_DATA_FILE_LOCATIONS_H_

#include <string>

#include "data/settings_store.h"

namespace zeb {

struct FileLocations {
  std::string ExeFolder;   // program folder: "botmail.txt", "FORM.INI", "ZEB.HLP"
  std::string DataFolder;  // tables, work tables and the three word-list files
  // A run's own work database, for partners checked side by side: its work tables live there and
  // the data folder's tables are reached through it. Empty: the work tables are the data
  // folder's. Never read from or written to the settings store.
  std::string WorkDatabase{};
};

// Reads "ExeFolder" and "DataFolder" of the "File Locations" key; never creates the key.
FileLocations ReadFileLocations(const SettingsStore& store);

// The database file of the data folder.
std::string DatabaseFile(const FileLocations& locations);

// Appends a "/" to a folder text that lacks one (the empty text stays empty).
std::string WithTrailingSeparator(std::string folder);

}  // namespace zeb

#endif  // ZEB_DATA_FILE_LOCATIONS_H_
