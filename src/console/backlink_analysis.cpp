#include "console/backlink_analysis.h"

#include <optional>

#include "analysis/word_count.h"
#include "data/app_tables.h"
#include "data/work_tables.h"
#include "engine/run_report.h"
#include "text/text_routines.h"
#include "text/html_text.h"

namespace zeb {
namespace {

const char* kRule =
    "------------------------------------------------------------------------";

std::string Reason(const AnalysisInputs& in) {
  const std::string find = HtmlEscaped(in.FindText);
  if (in.TimeExpired) return "<B><I>Time Expired: BackLink " + find + "</I></B>";
  if (in.MaxHopsReached) return "<B><I>Maximum Hops Reached: BackLink " + find + "</I></B>";
  if (in.MaxRecordsReached) return "<B><I>Maximum Records Reached: BackLink " + find + "</I></B>";
  return "<B><I>Not Found: BackLink " + find + "</I></B>";
}

std::string CompressionText(const std::string& state) {
  if (state == "gzip") return "<B><I>gzip compression not supported</I></B>";
  if (state == "deflate") return "<B><I>zlib compression not supported</I></B>";
  if (state == "compress") return "<B><I>compress not supported</I></B>";
  return std::string();
}

// The partner's ZEBAnalyze record, or a new one for it.
AnalysisRecord RecordFor(AppTables& app, const AnalysisInputs& in) {
  if (std::optional<AnalysisRecord> found =
          app.FindAnalysis(in.project, in.partner, ProjectScope::kAllForDefault)) {
    return *found;
  }
  AnalysisRecord record;
  record.SiteName = in.partner;
  record.Project = in.project;
  return record;
}

void CopyHomePage(AppTables& app, WorkTables& tables, const AnalysisInputs& in,
                  AnalysisRecord& record) {
  if (!in.AnalyzeHomePage) {
    record.Base_TitleTag.clear();
    record.Base_DescTag.clear();
    record.Base_KWTag.clear();
    record.Base_KWDensity.clear();
    return;
  }
  std::optional<PartnerRecord> partner =
      app.FindPartner(in.project, in.partner, ProjectScope::kExact);
  if (!partner) return;
  // The analysed row of the home page is the one marked found; without one the fields keep
  // what they held.
  for (const FrontierRow& row : tables.RowsByURL(partner->ContactWebSite)) {
    if (!row.StringsFound) continue;
    record.Base_TitleTag = row.TitleTag;
    record.Base_DescTag = row.DescriptionTag;
    record.Base_KWTag = row.STTags;
    record.Base_KWDensity = row.STDensity;
    return;
  }
}

void CopyBacklinkPage(WorkTables& tables, const AnalysisInputs& in, const std::string& url,
                      AnalysisRecord& record) {
  std::optional<FrontierRow> page;
  if (in.AnalyzeBacklink) page = tables.FirstRowByURL(url);
  if (!page) {
    record.AllLinks.clear();
    record.InternalLinks.clear();
    record.ExternalLinks.clear();
    record.Back_TitleTag.clear();
    record.Back_DescTag.clear();
    record.Back_KWTag.clear();
    record.Back_KWDensity.clear();
    record.AllLinkPosition = record.AllLinksTotal = record.AllLinkStack = 0;
    record.ExternalLinkPosition = record.ExternalLinksTotal = record.ExternalLinkStack = 0;
    record.WordPosTags = record.WordTotalTags = record.WordTotalTagsDiff = 0;
    record.WordPosNoTags = record.WordTotalNoTags = record.WordTotalNoTagsDiff = 0;
    return;
  }
  record.AllLinks = page->AllLinks;
  record.InternalLinks = page->InternalLinks;
  record.ExternalLinks = page->ExternalLinks;
  record.Back_TitleTag = page->TitleTag;
  record.Back_DescTag = page->DescriptionTag;
  record.Back_KWTag = page->STTags;
  record.Back_KWDensity = page->STDensity;
  LinkPosition all = FindLinkPosition(page->AllLinks, in.FindText);
  record.AllLinkPosition = all.position;
  record.AllLinksTotal = all.total;
  record.AllLinkStack = all.stack;
  LinkPosition external = FindLinkPosition(page->ExternalLinks, in.FindText);
  record.ExternalLinkPosition = external.position;
  record.ExternalLinksTotal = external.total;
  record.ExternalLinkStack = external.stack;
  const std::string cache = JoinLines(page->Cache);
  PageScratch scratch;
  const WordCounts words = CountWordPositions(cache, in.FindText, scratch);
  record.WordTotalNoTags = static_cast<int>(words.total_no_tags);
  record.WordPosNoTags = static_cast<int>(words.position_no_tags);
  record.WordTotalNoTagsDiff = record.WordTotalNoTags - record.WordPosNoTags;
  record.WordTotalTags = static_cast<int>(words.total_tags);
  record.WordPosTags = static_cast<int>(words.position_tags);
  record.WordTotalTagsDiff = record.WordTotalTags - record.WordPosTags;
}

}  // namespace

LinkPosition FindLinkPosition(const Lines& links, const std::string& find) {
  std::size_t i = 0;
  while (i < links.size() && links[i].find(find) == std::string::npos) ++i;
  LinkPosition p;
  p.total = static_cast<int>(links.size());
  p.position = static_cast<int>(i) + 1;
  p.stack = p.total - static_cast<int>(i) - 1;
  return p;
}

namespace {

// The chain of pages from the start page to the found one, following ParentURL.
Lines BuildChain(WorkTables& tables, const FrontierRow& found) {
  Lines chain{found.URL};
  // Parents are always met before their pages, so a chain is never longer than the frontier;
  // the bound only guards against a table that says otherwise.
  const std::int64_t bound = tables.RecordCount();
  std::string parent = found.ParentURL;
  while (!parent.empty() && static_cast<std::int64_t>(chain.size()) <= bound) {
    std::optional<FrontierRow> row = tables.FirstRowByURL(parent);
    if (!row) break;
    chain.insert(chain.begin(), row->URL);
    parent = row->ParentURL;
  }
  return chain;
}

void AddRoot(AnalysisOutcome& out, const std::string& text) {
  out.roots.push_back({text, {}});
  out.TreeResults.push_back(text);
}

// Found: the chain hangs under the title, one level a page, and the analysis record is filled.
void FoundBranch(WorkTables& tables, AppTables& app, const AnalysisInputs& in,
                 const FrontierRow& found, const std::function<void(const std::string&)>& memo,
                 AnalysisOutcome& out) {
  out.found = true;
  out.Hops = found.Node;
  out.Chain = BuildChain(tables, found);
  if (in.StartHop > 0) AddRoot(out, "<B>Home page bypassed...</B>");
  TreeNode* parent_node = &out.roots.front();
  for (std::size_t k = 0; k < out.Chain.size(); ++k) {
    parent_node->children.push_back({LinkNodeText(out.Chain[k]), {}});
    parent_node = &parent_node->children.back();
    out.TreeResults.push_back(std::string(k + 1, '\t') + LinkNodeText(out.Chain[k]));
  }
  memo("Analyzing...");
  if (!in.AnalyzeBacklink && !in.AnalyzeHomePage) return;
  AnalysisRecord record = RecordFor(app, in);
  record.xDate = in.today;
  record.HopSequence = out.Chain;
  record.Hops = out.Hops;
  record.BaseURL = out.Chain.front();
  record.ShortCheck = in.FindText;
  CopyHomePage(app, tables, in, record);
  CopyBacklinkPage(tables, in, out.Chain.back(), record);
  record.TreeResults = out.TreeResults;
  app.SaveAnalysis(record);
}

// Could not be checked: the start page with the cause under it, neither a lost link nor a
// compressed page, and a report block of its own.
void CouldNotCheckBranch(const AnalysisInputs& in, const std::string& start_url,
                         const std::string& text, AnalysisOutcome& out) {
  AddRoot(out, LinkNodeText(start_url));
  const std::string caption = "<B><I>" + HtmlEscaped(text) + "</I></B>";
  out.roots.back().children.push_back({caption, {}});
  out.reason = text;
  out.TreeResults.push_back(caption);
  out.report_block = {"", "Attempting to locate backlink...",
                      "Could not check: " + in.partner + " (" + text + ")",
                      "    (Previously found at " + in.PreviousBacklink + ")"};
}

void WriteReportBlock(const AnalysisInputs& in, AnalysisOutcome& out) {
  if (!out.report_block.empty()) out.report_problem = AppendToRunReport(in.ExeFolder, out.report_block);
}

void AddTitle(AnalysisOutcome& out, const AnalysisInputs& in) {
  AddRoot(out, TitleNodeText(in.partner, FormatDay(in.today)));
}

// Not found: the start page with the reason under it, and a not-found block in the report
// (unless the start page came compressed).
void NotFoundBranch(WorkTables& tables, AppTables& app, const AnalysisInputs& in,
                    AnalysisOutcome& out) {
  std::optional<FrontierRow> start = tables.Row(1);
  const std::string start_url = start ? start->URL : std::string();
  if (!in.Unverifiable.empty()) {
    CouldNotCheckBranch(in, start_url, "Unverifiable: " + in.Unverifiable, out);
  } else {
    AddRoot(out, LinkNodeText(start_url));
    const std::string compression = start ? CompressionText(start->RunState) : std::string();
    const std::string reason = compression.empty() ? Reason(in) : compression;
    out.roots.back().children.push_back({reason, {}});
    out.reason = ExtractNonHTML(reason);
    out.TreeResults.push_back(reason);
    if (compression.empty()) {
      out.report_block = {"", "Attempting to locate backlink...", "Not found for: " + in.partner,
                          "    (Previously found at " + in.PreviousBacklink};
    }
  }
  if (!in.AnalyzeBacklink && !in.AnalyzeHomePage) return;
  AnalysisRecord record = RecordFor(app, in);
  record.xDate = in.today;
  record.ShortCheck = in.FindText;
  record.TreeResults = out.TreeResults;
  app.SaveAnalysis(record);
}

}  // namespace

AnalysisOutcome AnalyzeRun(Session& session, const AnalysisInputs& in,
                           const std::function<void(const std::string&)>& memo) {
  WorkTables tables(session);
  AppTables app(session);
  AnalysisOutcome out;
  memo("Building tree to backlink");
  if (!tables.HasURLIndex()) {
    memo("Indexing...");
    tables.SetURLIndex(true);
  }
  AddTitle(out, in);
  std::optional<FrontierRow> found;
  if (!in.FoundURL.empty()) found = tables.FirstRowByURL(in.FoundURL);
  if (found) {
    FoundBranch(tables, app, in, *found, memo, out);
  } else {
    NotFoundBranch(tables, app, in, out);
  }
  out.roots.push_back({kRule, {}});
  tables.SetURLIndex(false);
  WriteReportBlock(in, out);
  memo("Done");
  return out;
}

AnalysisOutcome CouldNotCheck(const AnalysisInputs& in, const std::string& start_url,
                              const std::string& cause) {
  AnalysisOutcome out;
  AddTitle(out, in);
  CouldNotCheckBranch(in, start_url, cause, out);
  out.roots.push_back({kRule, {}});
  WriteReportBlock(in, out);
  return out;
}

}  // namespace zeb
