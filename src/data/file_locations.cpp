#include "data/file_locations.h"

namespace zeb {

FileLocations ReadFileLocations(const SettingsStore& store) {
  FileLocations locations;
  if (std::optional<SettingsKey> key = store.OpenKey(kFileLocationsKey)) {
    locations.ExeFolder = key->ReadString("ExeFolder");
    locations.DataFolder = key->ReadString("DataFolder");
  }
  return locations;
}

std::string DatabaseFile(const FileLocations& locations) {
  return locations.DataFolder + "zeb.sqlite";
}

std::string WithTrailingSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace zeb
