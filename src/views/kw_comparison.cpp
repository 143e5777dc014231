#include "views/kw_comparison.h"

#include <algorithm>
#include <cstdlib>

#include "data/app_tables.h"
#include "data/schema.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

bool SameKeyword(const std::string& a, const std::string& b) {
  return a.size() == b.size() && (a.empty() || StartsWithNoCase(a, b));
}

// The row holding `keyword`, or a new one: the grid's empty first row is used first.
ComparisonRow& Place(ComparisonGrid& grid, const std::string& keyword, bool* found = nullptr) {
  for (ComparisonRow& row : grid) {
    if (SameKeyword(row.keyword, keyword)) {
      if (found != nullptr) *found = true;
      return row;
    }
  }
  if (found != nullptr) *found = false;
  grid.push_back({});
  grid.back().keyword = keyword;
  return grid.back();
}

void PlaceYourTags(const Lines& tags, ComparisonGrid& grid) {
  for (const std::string& tag : tags) {
    bool found = false;
    ComparisonRow& row = Place(grid, tag, &found);
    // A keyword already in the grid is left as it is.
    if (!found) row.your_tag = true;
  }
}

// Density lines: the word's row gets the word as written, its count and its percent in the
// side's two columns.
void PlaceDensity(const Lines& density, ComparisonGrid& grid, std::string ComparisonRow::*count,
                  std::string ComparisonRow::*percent) {
  for (const std::string& line : density) {
    const DensityParts parts = SplitDensityLine(line);
    ComparisonRow& row = Place(grid, parts.word);
    row.keyword = parts.word;
    row.*count = parts.count;
    row.*percent = parts.percent;
  }
}

void PlacePartner(const Lines& tags, const Lines& density, ComparisonGrid& grid) {
  for (const std::string& tag : tags) Place(grid, tag).partner_tag = true;
  PlaceDensity(density, grid, &ComparisonRow::partner_count, &ComparisonRow::partner_percent);
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A count or percent cell as a number for sorting; an empty cell sorts before every number.
double Number(const std::string& text) {
  return text.empty() ? -1.0 : std::strtod(text.c_str(), nullptr);
}

}  // namespace

DensityParts SplitDensityLine(const std::string& line) {
  DensityParts parts;
  std::string rest = line;
  // The text before the next "~" less the blank in front of it; then cut after "~ ".
  auto next = [&rest]() {
    const std::size_t tilde = rest.find('~');
    if (tilde == std::string::npos) {
      std::string all = rest;
      rest.clear();
      return all;
    }
    std::string part = rest.substr(0, tilde > 0 ? tilde - 1 : 0);
    rest = tilde + 2 <= rest.size() ? rest.substr(tilde + 2) : std::string();
    return part;
  };
  parts.word = next();
  parts.count = next();
  parts.percent = Trimmed(rest);
  return parts;
}

void FillComparisonGrids(const ComparisonLists& lists, ComparisonGrid& home,
                         ComparisonGrid& backlink) {
  home.clear();
  backlink.clear();
  PlaceYourTags(lists.YourTags, home);
  PlaceYourTags(lists.YourTags, backlink);
  for (ComparisonGrid* grid : {&home, &backlink}) {
    PlaceDensity(lists.YourDensity, *grid, &ComparisonRow::your_count,
                 &ComparisonRow::your_percent);
  }
  PlacePartner(lists.BaseTags, lists.BaseDensity, home);
  PlacePartner(lists.BackTags, lists.BackDensity, backlink);
}

void ApplyRowFilter(RowFilter filter, ComparisonGrid& home, ComparisonGrid& backlink) {
  if (filter == RowFilter::kShowAll || home.empty() || home.front().keyword.empty()) return;
  auto drop = [filter](const ComparisonRow& row) {
    if (filter == RowFilter::kRemoveNoMatches) return row.YourSideEmpty() || row.PartnerSideEmpty();
    return row.your_count.empty() && row.your_percent.empty() && row.PartnerSideEmpty();
  };
  for (ComparisonGrid* grid : {&home, &backlink}) {
    grid->erase(std::remove_if(grid->begin(), grid->end(), drop), grid->end());
  }
}

int CompareComparisonColumn(const ComparisonRow& a, const ComparisonRow& b, int column,
                            KeywordOrder keyword_order) {
  auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (column) {
    case 0:
      return keyword_order(a.keyword, b.keyword);
    case 1:
      return order(a.your_tag, b.your_tag);
    case 2:
      return order(Number(a.your_count), Number(b.your_count));
    case 3:
      return order(Number(a.your_percent), Number(b.your_percent));
    case 4:
      return order(a.partner_tag, b.partner_tag);
    case 5:
      return order(Number(a.partner_count), Number(b.partner_count));
    default:
      return order(Number(a.partner_percent), Number(b.partner_percent));
  }
}

std::vector<std::string> ComparisonProjects(AppTables& app) {
  std::vector<std::string> names = app.ProjectNames();
  names.erase(std::remove(names.begin(), names.end(), "Default"), names.end());
  return names;
}

std::vector<std::string> ComparisonPartners(AppTables& app, const std::string& project) {
  std::vector<std::string> names;
  for (const AnalysisRecord& record : app.QueryAnalysis(project, false, AnalysisOrder::kSiteName)) {
    names.push_back(record.SiteName);
  }
  return names;
}

ComparisonLists LoadComparison(AppTables& app, const std::string& project,
                               const std::string& partner) {
  ComparisonLists lists;
  if (std::optional<ProjectRecord> record = app.FindProject(project)) {
    lists.YourTags = record->YourKWTag;
    lists.YourDensity = record->YourKWDensity;
  }
  if (std::optional<AnalysisRecord> analysis =
          app.FindAnalysis(project, partner, ProjectScope::kExact)) {
    lists.BaseTags = analysis->Base_KWTag;
    lists.BaseDensity = analysis->Base_KWDensity;
    lists.BackTags = analysis->Back_KWTag;
    lists.BackDensity = analysis->Back_KWDensity;
  }
  return lists;
}

std::vector<std::string> ComparisonSource::Projects() const {
  Session session = OpenDataFolder(locations_.DataFolder);
  AppTables app(session);
  return ComparisonProjects(app);
}

std::vector<std::string> ComparisonSource::Partners(const std::string& project) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  AppTables app(session);
  return ComparisonPartners(app, project);
}

ComparisonLists ComparisonSource::Lists(const std::string& project,
                                        const std::string& partner) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  AppTables app(session);
  return LoadComparison(app, project, partner);
}

}  // namespace zeb
