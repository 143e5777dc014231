// The first set-up of a user's ZEB Bot: the program and data folders, the tables in the data
// folder and the settings keys with working defaults, with where the folders are written into
// the settings store. zebhost init and the host window's first-run dialog both set up through
// here.
//
// Errors: UsageError for a folder that cannot be made (or is a file); DatabaseError or
// SettingsError from the tables and the store. Nothing is created before the folders are known
// to be usable. Not thread-safe (it writes the user's settings store).
#ifndef ZEBHOST_SETUP_H_
#define ZEBHOST_SETUP_H_

#include <cstddef>
#include <optional>
#include <string>

namespace zebhost {

struct Folders {
  std::string exe;   // the program folder: run report, window places (ends with "/")
  std::string data;  // the data folder: tables and word lists (ends with "/")
};

// Whether the user's settings store exists (else nothing has been set up yet).
bool StoreExists();
// Where the settings store is.
std::string StorePath();

// The folders a set-up uses when none are given: those the store names, else the defaults
// under $XDG_DATA_HOME (or ~/.local/share), "Quillbex/" and "Quillbex/data/".
Folders SuggestedFolders();

// A folder as the store keeps it: absolute, normalised, ending with "/".
std::string FolderText(const std::string& folder);

// What a set-up made.
struct SetupResult {
  Folders folders;
  std::string store;         // the settings store's path
  std::size_t projects = 0;  // the projects the tables hold
};

// Sets up with the folders given (each one that is not given: SuggestedFolders'). Safe to rerun:
// existing data and settings stay.
SetupResult SetUp(const std::optional<std::string>& exe, const std::optional<std::string>& data);

}  // namespace zebhost

#endif  // ZEBHOST_SETUP_H_
