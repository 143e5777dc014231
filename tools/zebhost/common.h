// What the zebhost commands share: checks of the names, addresses and numbers given on the
// command line, the table printer, and the settings store and tables they open.
#ifndef ZEBHOST_COMMON_H_
#define ZEBHOST_COMMON_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/settings_store.h"
#include "data/sqlite_session.h"

namespace zebhost {

// Names are keys between windows, tables and the tree text: no line breaks or control bytes.
// These checks throw UsageError naming `what` when the text fails them (the rules and byte
// limits of data/field_limits.h as a user enters them).
void CheckName(const std::string& name, const std::string& what);
// An http:// or https:// address without blanks, control characters, quotes or angle brackets.
void CheckUrl(const std::string& url, const std::string& what);
// A whole number >= 0.
int ParseHop(const std::string& text, const std::string& what);

// The widths a printed cell is cut to: most cells, addresses (and paths), and the program's own
// messages (a check's result or why a node ended).
inline constexpr std::size_t kCellWidth = 60;
inline constexpr std::size_t kAddressCellWidth = 100;
inline constexpr std::size_t kMessageCellWidth = 200;

// The cell as it stands when it has at most `width` bytes; else its first bytes (never half a
// UTF-8 character) and "...", `width` bytes at most.
std::string CutCell(const std::string& cell, std::size_t width);

// Prints rows as left-aligned columns separated by two blanks. Each cell is first cut with
// CutCell to its column's width in cell_widths (kCellWidth for a column not given there), so
// one wide cell cannot widen every line.
void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                const std::vector<std::size_t>& cell_widths = {});

// The user's settings store; throws UsageError when there is none yet.
zeb::SettingsStore OpenStore();

// The tables of the data folder that the store names.
struct Tables {
  zeb::FileLocations locations;
  zeb::Session session;
  zeb::AppTables app;

  // Throws UsageError when the data folder lacks its tables.
  explicit Tables(zeb::FileLocations where);
};

// The tables of the folder that the user's settings store names.
Tables OpenTables();
// The data folder's session; a folder without tables is a UsageError (it names the fix).
zeb::Session OpenSession(const zeb::FileLocations& locations);

// Throws UsageError unless the project exists.
void RequireProject(zeb::AppTables& app, const std::string& project);

}  // namespace zebhost

#endif  // ZEBHOST_COMMON_H_
