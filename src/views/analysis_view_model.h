// What the position analysis view shows of a project's stored analyses, without a window: the
// "Order by" entries (with their separator lines), the text selector's entries, the chart's
// pages, the grid's columns, the site link, and the grid's and the chart's data as CSV.
#ifndef ZEB_VIEWS_ANALYSIS_VIEW_MODEL_H_
#define ZEB_VIEWS_ANALYSIS_VIEW_MODEL_H_

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/app_tables.h"

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

// A column of the grid and the chart: its title, the series title, and the field.
struct ValueColumn {
  const char* grid_title;    // two lines at most, "\n" between
  const char* series_title;  // the chart series showing it
  int AnalysisRecord::*field;
};
// The nine numbers in grid order (Hops first); the grid's first column is the site name.
std::span<const ValueColumn> ValueColumns();

// Chart pages: per_page 0 shows every partner on one page. Pages are numbered from 0.
int PageCount(int records, int per_page);
// The records [first, last) of a page.
std::pair<int, int> PageRange(int page, int records, int per_page);

// The site link: the partner's name as a link to its start page.
std::string SiteLink(const AnalysisRecord& record);

// The result set as CSV: a header line, then one line per partner (site name and the nine
// numbers), fields quoted where they hold a comma, a quote or a line break; CR LF line ends.
std::string AnalysisCsv(const std::vector<AnalysisRecord>& records);

}  // namespace zeb

#endif  // ZEB_VIEWS_ANALYSIS_VIEW_MODEL_H_
