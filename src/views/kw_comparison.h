// The keyword comparison: the user's home page keywords (the project's tag and density lines)
// set beside a partner's, in two grids: the partner's home page against the user's home page,
// and the partner's backlink page against the user's home page. Only stored results are read.
//
// A grid is a list of rows; an empty list stands for the grid's one empty row.
//
// Plain values and functions; ComparisonSource opens the tables for each read, so it may be
// used from any one thread at a time.
#ifndef ZEB_VIEWS_KW_COMPARISON_H_
#define ZEB_VIEWS_KW_COMPARISON_H_

#include <string>
#include <utility>
#include <vector>

#include "data/file_locations.h"
#include "text/lines.h"

namespace zeb {

class AppTables;

// One row: the keyword, then the user's side (in the tag, density count and percent), then
// the partner's (in the partner's tag, count, percent).
struct ComparisonRow {
  std::string keyword;
  bool your_tag = false;
  std::string your_count, your_percent;
  bool partner_tag = false;
  std::string partner_count, partner_percent;

  bool YourSideEmpty() const { return !your_tag && your_count.empty() && your_percent.empty(); }
  bool PartnerSideEmpty() const {
    return !partner_tag && partner_count.empty() && partner_percent.empty();
  }
  bool operator==(const ComparisonRow&) const = default;
};
using ComparisonGrid = std::vector<ComparisonRow>;

// The six stored lists the grids are made of.
struct ComparisonLists {
  Lines YourTags, YourDensity;  // the project's YourKWTag, YourKWDensity
  Lines BaseTags, BaseDensity;  // the partner's home page: Base_KWTag, Base_KWDensity
  Lines BackTags, BackDensity;  // the partner's backlink page: Back_KWTag, Back_KWDensity
};

// A density line "word ~ count ~ percent%" in its three parts.
struct DensityParts {
  std::string word, count, percent;
};
DensityParts SplitDensityLine(const std::string& line);

// Fills the home page grid (AdvStringGrid2) and the backlink grid (AdvStringGrid1). A keyword
// is placed on the row whose keyword equals it (letters compared without regard to case), or
// on a new row.
void FillComparisonGrids(const ComparisonLists& lists, ComparisonGrid& home,
                         ComparisonGrid& backlink);

enum class RowFilter {
  kShowAll,
  kRemoveNoMatches,     // rows with the keyword on one side only go
  kRemoveOnlyYourTag,   // rows with nothing but the user's tag check go
};
// Applies the filter to both grids; nothing happens while the home page grid is empty.
void ApplyRowFilter(RowFilter filter, ComparisonGrid& home, ComparisonGrid& backlink);

// How two rows compare in a grid column, for SortByKeys (views/sort_keys.h): 0 the keyword by
// keyword_order (the window's text order, letters compared without regard to case), 1 and 4
// the tag checks (unchecked first), the others the numbers of the counts and percents (an
// empty cell before every number). Negative, 0 or positive.
using KeywordOrder = int (*)(const std::string& a, const std::string& b);
int CompareComparisonColumn(const ComparisonRow& a, const ComparisonRow& b, int column,
                            KeywordOrder keyword_order);

// The projects the view lists: all but "Default", in name order.
std::vector<std::string> ComparisonProjects(AppTables& app);
// The partners of the project that have an analysis record, in name order.
std::vector<std::string> ComparisonPartners(AppTables& app, const std::string& project);
// The lists of the project and partner; missing records give empty lists.
ComparisonLists LoadComparison(AppTables& app, const std::string& project,
                               const std::string& partner);

// Where the view reads its lists: the data folder's tables, opened for each read. Each
// function throws DatabaseError (or MissingTableError) when the data folder cannot be read.
class ComparisonSource {
 public:
  explicit ComparisonSource(FileLocations locations) : locations_(std::move(locations)) {}

  // ComparisonProjects, ComparisonPartners and LoadComparison over the data folder.
  std::vector<std::string> Projects() const;
  std::vector<std::string> Partners(const std::string& project) const;
  ComparisonLists Lists(const std::string& project, const std::string& partner) const;

 private:
  FileLocations locations_;
};

}  // namespace zeb

#endif  // ZEB_VIEWS_KW_COMPARISON_H_
