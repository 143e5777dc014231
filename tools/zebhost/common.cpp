#include "common.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

#include "cli.h"
#include "data/schema.h"
#include "data/settings_catalog.h"
#include "text/text_routines.h"

namespace zebhost {
namespace {

zeb::Session OpenSession(const zeb::FileLocations& locations) {
  try {
    return zeb::OpenDataFolder(locations.DataFolder);
  } catch (const zeb::MissingTableError& e) {
    throw UsageError(e.what());
  }
}

}  // namespace

void CheckName(const std::string& name, const std::string& what) {
  if (name.empty()) throw UsageError(what + " must not be empty");
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      throw UsageError(what + " \"" + name + "\" holds a control character");
    }
  }
}

void CheckUrl(const std::string& url, const std::string& what) {
  std::string lower = zeb::LowerCase(url);
  bool http = lower.rfind("http://", 0) == 0 && lower.size() > 7;
  bool https = lower.rfind("https://", 0) == 0 && lower.size() > 8;
  if (!http && !https) {
    throw UsageError(what + " \"" + url + "\" is not an http:// or https:// address");
  }
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
      throw UsageError(what + " \"" + url + "\" holds a blank or control character");
    }
  }
}

int ParseHop(const std::string& text, const std::string& what) {
  std::optional<std::int32_t> hop = zeb::ParseStrictInt(text);
  if (!hop || *hop < 0) throw UsageError(what + " \"" + text + "\" is not a whole number >= 0");
  return *hop;
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
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
  if (!app.FindProject(project)) throw UsageError("there is no project \"" + project + "\"");
}

}  // namespace zebhost
