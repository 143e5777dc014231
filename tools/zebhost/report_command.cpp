// zebhost report: every partner of a project with its last check (or every check), as a table
// for people or as CSV or JSON for spreadsheets and scripts.
#include <ostream>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "data/link_verdicts.h"
#include "data/partner_report.h"
#include "output_format.h"
#include "text/date_time.h"

namespace zebhost {
namespace {

Value TextOrNull(const std::string& text) {
  return text.empty() ? Value::Null() : Value::Text(text);
}

Value IntegerOrNull(const std::optional<int>& number) {
  return number ? Value::Integer(*number) : Value::Null();
}

int Report(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  const std::vector<zeb::ReportRecord> report =
      zeb::PartnerReport(t.session, project, a.Flag("history"));
  std::vector<Record> records;
  for (const zeb::ReportRecord& r : report) {
    records.push_back(Record()
                          .Set("project", Value::Text(r.project))
                          .Set("partner", Value::Text(r.partner))
                          .Set("result", Value::Text(r.result))
                          .Set("backlink", TextOrNull(r.backlink))
                          .Set("verdict", TextOrNull(r.verdict))
                          .Set("counts", TextOrNull(zeb::CountsText(r.verdict)))
                          .Set("reason", TextOrNull(r.reason))
                          .Set("hops", IntegerOrNull(r.hops))
                          .Set("link", TextOrNull(r.link_position))
                          .Set("external", TextOrNull(r.external_position))
                          .Set("word", IntegerOrNull(r.word_position))
                          .Set("anchor_text", TextOrNull(r.anchor_text))
                          .Set("checked_at", r.checked_at
                                                 ? Value::Text(zeb::FormatIso8601(*r.checked_at))
                                                 : Value::Null()));
  }
  const std::vector<Column> columns = {
      {"project", "Project", kCellWidth, Shown::kDataOnly},
      {"partner", "Partner"},
      {"result", "Result"},
      {"backlink", "Backlink", kAddressCellWidth},
      {"verdict", "Verdict", kCellWidth, Shown::kDataOnly},
      {"counts", "Counts", kCellWidth, Shown::kTableOnly},
      {"reason", "Reason", kMessageCellWidth},
      {"hops", "Hops"},
      {"link", "Link"},
      {"external", "External"},
      {"word", "Word"},
      {"anchor_text", "Anchor text"},
      {"checked_at", "Checked at"},
  };
  WriteOutput(a, out, FormatRecords(FormatOf(a), columns, records));
  return 0;
}

}  // namespace

std::vector<CommandSpec> ReportCommands() {
  return {
      {"report",
       "Report every partner's last check, for people or spreadsheets",
       "Lists every partner of the project with its last check: the result (found, not found, "
       "unverifiable, never checked), the backlink page, whether the link counts with search "
       "engines (the verdict: counts, or the first reason it does not: robots.txt closed, "
       "noindex, canonical elsewhere, nofollow, sponsored, ugc, mention only), why it was not "
       "found, the hops from the start page, the link's place among all and external links, the "
       "words before it, its anchor text and when it was checked (ISO 8601). CSV has a header "
       "record and opens in a spreadsheet as it is; JSON is an array of objects, one per record.",
       "zebhost report --project \"My Site\" --format csv --out partners.csv",
       {Required("--project", "P", "the project to report on (Default: every project)"),
        FormatOption(), OutOption("the file to write the report to"),
        Flag("--history", "one record per check of each partner, oldest first, not only the last")},
       Report},
  };
}

}  // namespace zebhost
