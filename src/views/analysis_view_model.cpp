#include "views/analysis_view_model.h"

#include <algorithm>
#include <array>

#include "data/link_verdicts.h"
#include "data/schema.h"
#include "text/html_text.h"

namespace zeb {

std::span<const OrderEntry> OrderEntries() {
  static constexpr std::array<OrderEntry, 13> kEntries = {{
      {"Site Name", AnalysisOrder::kSiteName},
      {"Hops", AnalysisOrder::kHops},
      {"-----------  WORDS  -----------", std::nullopt},
      {"Word Position With Tags", AnalysisOrder::kWordPosTags},
      {"Word Position Without Tags", AnalysisOrder::kWordPosNoTags},
      {"Total Words With Tags", AnalysisOrder::kWordTotalTags},
      {"Total Words Without Tags", AnalysisOrder::kWordTotalNoTags},
      {"-----------  ALL LINKS  -----------", std::nullopt},
      {"Total Links", AnalysisOrder::kAllLinksTotal},
      {"Link Position Among All Links", AnalysisOrder::kAllLinkPosition},
      {"-----------  EXTERNAL LINKS  -----------", std::nullopt},
      {"Total External Links", AnalysisOrder::kExternalLinksTotal},
      {"Position in External Links", AnalysisOrder::kExternalLinkPosition},
  }};
  return kEntries;
}

std::span<const TextEntry> TextEntries() {
  static const std::array<TextEntry, 8> kEntries = {{
      {"Title Tag", &AnalysisRecord::Back_TitleTag},
      {"Key Word Tag--Backlink Page", &AnalysisRecord::Back_KWTag},
      {"Key Word Tag--Home Page ", &AnalysisRecord::Base_KWTag},
      {"Keyword Density--Backlink Page", &AnalysisRecord::Back_KWDensity},
      {"Keyword Density--Home Page", &AnalysisRecord::Base_KWDensity},
      {"Home Page Title Tag", &AnalysisRecord::Base_TitleTag},
      {"Home Page Description Tag", &AnalysisRecord::Base_DescTag},
      {"Description Tag", &AnalysisRecord::Back_DescTag},
  }};
  return kEntries;
}

std::span<const ValueColumn> ValueColumns() {
  using enum ChartBand;
  static const std::array<ValueColumn, 9> kColumns = {{
      {"Hops", "Hops", &AnalysisRecord::Hops, kHops},
      {"Total\nLinks", "Total Links", &AnalysisRecord::AllLinksTotal, kLinks},
      {"Total\nExternal Links", "Total External Links", &AnalysisRecord::ExternalLinksTotal,
       kLinks},
      {"Position\nTotal Links", "Position In Total Links", &AnalysisRecord::AllLinkPosition,
       kLinks},
      {"Position\nExternal Links", "Position In External Links",
       &AnalysisRecord::ExternalLinkPosition, kLinks},
      {"Total\nWords", "Total Words", &AnalysisRecord::WordTotalTags, kWords},
      {"Position\nTotal Words", "Position in Total Words", &AnalysisRecord::WordPosTags, kWords},
      {"Total Words\n(No Tags)", "Total Words (No Tags)", &AnalysisRecord::WordTotalNoTags, kWords},
      {"Total Word\nPosition (No Tags)", "Position Total Words (No Tags)",
       &AnalysisRecord::WordPosNoTags, kWords},
  }};
  return kColumns;
}

const BandScale& ScaleOf(ChartBand band) {
  static constexpr std::array<BandScale, kChartBands> kScales = {{
      {0, 19, 1, "hops"},
      {21, 59, 1, "words"},
      {61, 99, 10, "links"},
  }};
  return kScales[static_cast<std::size_t>(band)];
}

int CompareAnalysisColumn(const AnalysisRecord& a, const AnalysisRecord& b, int column) {
  if (column == 0) return a.SiteName.compare(b.SiteName);
  const auto field = ValueColumns()[column - 1].field;
  return a.*field < b.*field ? -1 : (b.*field < a.*field ? 1 : 0);
}

const std::string& CountsOf(const CountsBySite& counts, const std::string& site) {
  static const std::string kNone;
  auto it = counts.find(site);
  return it == counts.end() ? kNone : it->second;
}

int CompareGridColumn(const AnalysisRecord& a, const AnalysisRecord& b, int column,
                      const CountsBySite& counts) {
  if (column != kCountsColumn) return CompareAnalysisColumn(a, b, column);
  const std::string& ta = CountsOf(counts, a.SiteName);
  const std::string& tb = CountsOf(counts, b.SiteName);
  const auto rank = [](const std::string& text) {
    return text == "yes" ? 0 : (text.empty() ? 2 : 1);
  };
  if (rank(ta) != rank(tb)) return rank(ta) < rank(tb) ? -1 : 1;
  return ta.compare(tb);
}

ChartScale::ChartScale(std::span<const AnalysisRecord> page) {
  for (const AnalysisRecord& record : page) {
    for (const ValueColumn& column : ValueColumns()) {
      const int step = ScaleOf(column.band).step;
      int& top = top_[static_cast<std::size_t>(column.band)];
      top = std::max(top, (record.*column.field + step - 1) / step * step);
    }
  }
}

double ChartScale::Scaled(std::size_t column, int value) const {
  const ChartBand band = ValueColumns()[column].band;
  const BandScale& scale = ScaleOf(band);
  return scale.low + (scale.high - scale.low) * value / Top(band);
}

std::vector<ChartScale::AxisLabel> ChartScale::AxisLabels() const {
  std::vector<AxisLabel> labels;
  for (ChartBand band : {ChartBand::kHops, ChartBand::kWords, ChartBand::kLinks}) {
    const BandScale& scale = ScaleOf(band);
    labels.push_back({"0" + std::string(static_cast<std::size_t>(band), ' '), scale.low});
    labels.push_back({std::to_string(Top(band)) + " " + scale.unit, scale.high});
  }
  return labels;
}

int PageCount(int records, int per_page) {
  if (records <= 0) return 1;
  if (per_page <= 0) return 1;
  return (records + per_page - 1) / per_page;
}

std::pair<int, int> PageRange(int page, int records, int per_page) {
  if (per_page <= 0) return {0, records};
  const int first = std::clamp(page * per_page, 0, records);
  return {first, std::min(records, first + per_page)};
}

int PageOf(int index, int per_page) { return per_page > 0 ? index / per_page : 0; }

std::string SiteLink(const AnalysisRecord& record) {
  return "<a href=\"" + HtmlEscaped(record.BaseURL) + "\">" + HtmlEscaped(record.SiteName) + "</a>";
}

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string AnalysisCsv(const std::vector<AnalysisRecord>& records) {
  std::string csv = "Site Name";
  for (const ValueColumn& column : ValueColumns()) csv += "," + CsvField(column.series_title);
  csv += "\r\n";
  for (const AnalysisRecord& record : records) {
    csv += CsvField(record.SiteName);
    for (const ValueColumn& column : ValueColumns()) {
      csv += "," + std::to_string(record.*column.field);
    }
    csv += "\r\n";
  }
  return csv;
}

std::vector<AnalysisRecord> AnalysisViewSource::Records(const std::string& project,
                                                        bool only_with_values,
                                                        AnalysisOrder order) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  return AppTables(session).QueryAnalysis(project, only_with_values, order);
}

CountsBySite AnalysisViewSource::Counts(const std::string& project) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  CountsBySite counts;
  for (const auto& [key, record] : LastVerdicts(session)) {
    if (project == kDefaultProject || key.first == project) {
      counts[key.second] = CountsText(record.Verdict);
    }
  }
  return counts;
}

}  // namespace zeb
