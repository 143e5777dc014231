#include "common.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "cli.h"
#include "data/field_limits.h"
#include "data/schema.h"
#include "data/settings_catalog.h"
#include "text/text_routines.h"

namespace zebhost {

zeb::Session OpenSession(const zeb::FileLocations& locations) {
  try {
    return zeb::OpenDataFolder(locations.DataFolder);
  } catch (const zeb::MissingTableError& e) {
    throw UsageError(e.what());
  }
}

namespace {}  // namespace

void CheckName(const std::string& name, const std::string& what) {
  if (auto problem = zeb::NameProblem(name, what, zeb::FieldRules::kEntered)) {
    throw UsageError(*problem);
  }
}

void CheckUrl(const std::string& url, const std::string& what) {
  if (auto problem = zeb::AddressProblem(url, what, zeb::FieldRules::kEntered)) {
    throw UsageError(*problem);
  }
}

int ParseHop(const std::string& text, const std::string& what) {
  std::optional<std::int32_t> hop = zeb::ParseStrictInt(text);
  if (!hop || *hop < 0) throw UsageError(what + " \"" + text + "\" is not a whole number >= 0");
  return *hop;
}

std::string CutCell(const std::string& cell, std::size_t width) {
  if (cell.size() <= width) return cell;
  constexpr std::string_view kMark = "...";
  std::size_t keep = width > kMark.size() ? width - kMark.size() : 0;
  // Never split a UTF-8 character: back up over its continuation bytes (10xxxxxx).
  while (keep > 0 && (static_cast<unsigned char>(cell[keep]) & 0xC0) == 0x80) --keep;
  return cell.substr(0, keep) + std::string(kMark);
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                const std::vector<std::size_t>& cell_widths) {
  const auto cut = [&](const std::vector<std::string>& row) {
    std::vector<std::string> cells;
    cells.reserve(row.size());
    for (std::size_t i = 0; i < row.size(); ++i) {
      cells.push_back(CutCell(row[i], i < cell_widths.size() ? cell_widths[i] : kCellWidth));
    }
    return cells;
  };
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows.size());
  for (const auto& row : rows) cells.push_back(cut(row));
  std::vector<std::size_t> widths;
  for (const auto& row : cells) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : cells) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    out << line << '\n';
  }
}

zeb::SettingsStore OpenStore() {
  zeb::SettingsStore store(zeb::SettingsStore::DefaultPath());
  if (!std::filesystem::exists(store.file())) {
    throw UsageError("there is no settings store at " + store.file().string() +
                     "; run \"zebhost init\" first");
  }
  return store;
}

Tables::Tables(zeb::FileLocations where)
    : locations(std::move(where)), session(OpenSession(locations)), app(session) {}

Tables OpenTables() { return Tables(zeb::ReadFileLocations(OpenStore())); }

void RequireProject(zeb::AppTables& app, const std::string& project) {
  if (!app.FindProject(project))
    throw UsageError("there is no project " + zeb::QuoteForMessage(project));
}

}  // namespace zebhost
