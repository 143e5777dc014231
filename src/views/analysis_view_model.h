// What the position analysis view shows of a project's stored analyses, without a window: the
// "Order by" entries (with their separator lines), the text selector's entries, the chart's
// pages and scale, the grid's columns and how they sort, the site link, the grid's and the
// chart's data as CSV, and the source the view reads its result set from.
//
// Plain values and functions; AnalysisViewSource opens the tables for each read, so it may be
// used from any one thread at a time.
#ifndef ZEB_VIEWS_ANALYSIS_VIEW_MODEL_H_
#define ZEB_VIEWS_ANALYSIS_VIEW_MODEL_H_

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "data/app_tables.h"
#include "data/file_locations.h"

namespace zeb {

// An "Order by" entry; a separator line has no sort field.
struct OrderEntry {
  const char* label;
  std::optional<AnalysisOrder> order;
};
std::span<const OrderEntry> OrderEntries();

// A text selector entry and the memo field it shows.
struct TextEntry {
  const char* label;
  Lines AnalysisRecord::*field;
};
std::span<const TextEntry> TextEntries();

// The chart's three bands, bottom to top: hops as bars, then the word and the link positions.
enum class ChartBand { kHops, kWords, kLinks };
inline constexpr std::size_t kChartBands = 3;

// Where a band sits on the chart's 0..100 scale, and the step its top is rounded up to.
struct BandScale {
  double low, high;  // the positions of the band's 0 and of its top
  int step;
  const char* unit;  // the top's axis label: its value, a blank and this
};
const BandScale& ScaleOf(ChartBand band);

// A column of the grid and the chart: its title, the series title, the field and its band.
struct ValueColumn {
  const char* grid_title;    // two lines at most, "\n" between
  const char* series_title;  // the chart series showing it
  int AnalysisRecord::*field;
  ChartBand band;
};
// The nine numbers in grid order (Hops first); the grid's first column is the site name.
std::span<const ValueColumn> ValueColumns();

// How two records compare in a grid column: 0 the site name (byte order), 1.. the numbers of
// ValueColumns(). Negative, 0 or positive, for SortByKeys (views/sort_keys.h).
int CompareAnalysisColumn(const AnalysisRecord& a, const AnalysisRecord& b, int column);

// The grid's last column, after the numbers: whether each partner's link counts with search
// engines at its last check ("yes", or the reason it does not), by site name; a partner never
// judged has no entry and shows "".
inline constexpr int kCountsColumn = 10;
inline constexpr const char* kCountsTitle = "Counts";
using CountsBySite = std::map<std::string, std::string>;
const std::string& CountsOf(const CountsBySite& counts, const std::string& site);
// As CompareAnalysisColumn, and the Counts column: "yes" first, then the reasons in byte
// order, then partners never judged.
int CompareGridColumn(const AnalysisRecord& a, const AnalysisRecord& b, int column,
                      const CountsBySite& counts);

// The chart's scale over the records of one page: each band's top is the largest value of its
// columns on the page rounded up to the band's step, and at least 1.
class ChartScale {
 public:
  explicit ChartScale(std::span<const AnalysisRecord> page);

  int Top(ChartBand band) const { return top_[static_cast<std::size_t>(band)]; }
  // The position of a value of ValueColumns()[column] on the 0..100 scale: its band's low end
  // for 0, its high end for the band's top.
  double Scaled(std::size_t column, int value) const;

  // The left axis: each band's 0 and top, bottom to top. A band's "0" carries one blank per
  // band below it, so that no two labels are the same text.
  struct AxisLabel {
    std::string text;
    double position;
    bool operator==(const AxisLabel&) const = default;
  };
  std::vector<AxisLabel> AxisLabels() const;

 private:
  std::array<int, kChartBands> top_ = {1, 1, 1};
};

// Chart pages: per_page 0 shows every partner on one page. Pages are numbered from 0.
int PageCount(int records, int per_page);
// The page that shows the record at index.
int PageOf(int index, int per_page);
// The records [first, last) of a page.
std::pair<int, int> PageRange(int page, int records, int per_page);

// The site link: the partner's name as a link to its start page.
std::string SiteLink(const AnalysisRecord& record);

// The result set as CSV: a header line, then one line per partner (site name and the nine
// numbers), fields quoted where they hold a comma, a quote or a line break; CR LF line ends.
std::string AnalysisCsv(const std::vector<AnalysisRecord>& records);

// Where the view reads its result set: the data folder's tables, opened for each read.
class AnalysisViewSource {
 public:
  explicit AnalysisViewSource(FileLocations locations) : locations_(std::move(locations)) {}

  // The project's analyses in the order, only those with a value when only_with_values.
  // Throws DatabaseError (or MissingTableError) when the data folder cannot be read.
  std::vector<AnalysisRecord> Records(const std::string& project, bool only_with_values,
                                      AnalysisOrder order) const;
  // The Counts column of the project's partners (every project's for "Default").
  CountsBySite Counts(const std::string& project) const;

 private:
  FileLocations locations_;
};

}  // namespace zeb

#endif  // ZEB_VIEWS_ANALYSIS_VIEW_MODEL_H_
