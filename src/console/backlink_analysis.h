// What a partner's crawl found, worked out when its threads have ended: the chain of pages from
// the start page to the backlink page, shown as a tree, and the placement of the user's link on
// that page (position among all and external links, words before and after it, with and without
// tags; title, description, keywords and density of the page and of the partner's home page),
// stored in the partner's ZEBAnalyze record. When the Find text was not found, the tree says
// why and the run report gets a not-found block.
#ifndef ZEB_CONSOLE_BACKLINK_ANALYSIS_H_
#define ZEB_CONSOLE_BACKLINK_ANALYSIS_H_

#include <functional>
#include <string>
#include <vector>

#include "console/result_tree.h"
#include "data/sqlite_session.h"
#include "text/date_time.h"
#include "text/lines.h"

namespace zeb {

struct AnalysisInputs {
  std::string FoundURL;   // the backlink page; empty when not found
  std::string FindText;   // Label33: the partner's ShortCheck
  std::string partner;
  std::string project;
  bool AnalyzeBacklink = false;
  bool AnalyzeHomePage = false;
  bool TimeExpired = false, MaxHopsReached = false, MaxRecordsReached = false;
  int StartHop = 0;
  std::string PreviousBacklink;
  std::string ExeFolder;
  DateTime today{};
  // Modern web: why the start page could not be checked ("403 challenge page"); the partner is
  // then unverifiable instead of not found.
  std::string Unverifiable;
};

struct AnalysisOutcome {
  std::vector<TreeNode> roots;  // the nodes to add to the result tree, in order
  Lines TreeResults;            // the stored tree text
  bool found = false;
  int Hops = 0;
  Lines Chain;
  // Why the text was not found, as the tree says it, without mark-up ("Not Found: BackLink x",
  // "Unverifiable: 403 challenge page").
  std::string reason;
  std::string report_problem;   // set when the run report could not be written
  // The block for the run report; it is appended once the tables are written, so that a
  // failure to store the analysis leaves no block behind.
  Lines report_block;
};

// Position of the first line that contains `find` (exact case): {position, total, stack}, the
// position 1-based; when no line does, position = total + 1 and stack = -1.
struct LinkPosition {
  int position = 0;
  int total = 0;
  int stack = 0;
};
LinkPosition FindLinkPosition(const Lines& links, const std::string& find);

// Runs the analysis over the session's work tables and writes ZEBAnalyze (when an analysis
// option is on) and the report. memo receives the console's running messages: the routine
// steps of the analysis. The caller
// updates the partner: with both found flags clear when the outcome is not found.
AnalysisOutcome AnalyzeRun(Session& session, const AnalysisInputs& in,
                           const std::function<void(const std::string&)>& memo);

// A partner whose check could not be made at all (the data folder's storage failed): the tree
// as AnalyzeRun draws an unverifiable partner, with `cause` under the start page, and a "Could
// not check" block in the run report. It reads and writes no table.
AnalysisOutcome CouldNotCheck(const AnalysisInputs& in, const std::string& start_url,
                              const std::string& cause);

}  // namespace zeb

#endif  // ZEB_CONSOLE_BACKLINK_ANALYSIS_H_
