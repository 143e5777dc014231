// zebhost partner: the partner sites of a project, one at a time or as a CSV file. The rules of
// what may be stored are data/partner_editing.h's; this file turns options into its calls.
#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "data/app_tables.h"
#include "data/check_history.h"
#include "data/field_limits.h"
#include "data/link_verdicts.h"
#include "data/partner_editing.h"
#include "output_format.h"
#include "text/date_time.h"
#include "text/lines.h"

namespace zebhost {
namespace {

using zeb::PartnerRecord;
using zeb::ProjectScope;

// The options that set a partner's fields, shared by add and edit.
OptionSpec StartOption() {
  return Option("--start", "URL", "the page where the crawl starts, when not the home page",
                "the home page");
}
OptionSpec StartHopOption() {
  return Option("--start-hop", "N", "how many hops below the home page the start page lies", "0");
}
OptionSpec LinkTextOption() {
  return Option("--link-text", "TEXT",
                "your full link as the partner should show it (may run over lines)", "none");
}
OptionSpec BacklinkOption() {
  return Option("--backlink", "URL", "the page where your link was found last", "none");
}

int PartnerAdd(const ParsedArgs& a, std::ostream& out) {
  PartnerRecord p;
  p.Project = a.Required("project");
  p.SiteName = a.Required("name");
  p.ContactWebSite = a.Required("home");
  p.ShortCheck = a.Required("find");
  p.BotStart = a.Value("start").value_or("");
  if (std::optional<std::string> hop = a.Value("start-hop")) {
    if (p.BotStart.empty()) throw UsageError("--start-hop needs --start");
    p.BotBaseHop = ParseHop(*hop, "--start-hop");
  }
  if (std::optional<std::string> link = a.Value("link-text")) p.LongCheck = zeb::SplitLines(*link);
  if (std::optional<std::string> backlink = a.Value("backlink")) {
    CheckUrl(*backlink, "--backlink");
    p.URL = *backlink;
  }
  zeb::CheckEnteredPartner(p);
  Tables t = OpenTables();
  zeb::AddEnteredPartner(t.session, p);
  out << "Added partner " << p.SiteName << " to project " << p.Project << '\n';
  return 0;
}

int PartnerEdit(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  const std::string name = a.Required("name");
  zeb::PartnerChanges changes;
  std::vector<std::string> changed;  // what the report names
  auto take = [&](const char* option, const char* field, std::optional<std::string>& slot) {
    if (std::optional<std::string> value = a.Value(option)) {
      slot = *value;
      changed.push_back(field);
    }
  };
  take("home", "home page", changes.home);
  take("start", "start page", changes.start);
  if (std::optional<std::string> hop = a.Value("start-hop")) {
    changes.start_hop = ParseHop(*hop, "--start-hop");
    changed.push_back("start hop");
  }
  take("find", "Find text", changes.find);
  if (std::optional<std::string> link = a.Value("link-text")) {
    changes.link_text = zeb::SplitLines(*link);
    changed.push_back("link text");
  }
  take("backlink", "backlink", changes.backlink);
  if (changes.backlink && !changes.backlink->empty()) CheckUrl(*changes.backlink, "--backlink");
  take("rename", "name", changes.rename);
  if (changes.empty()) {
    throw UsageError(
        "nothing to change: give --home, --start, --start-hop, --find, --link-text, "
        "--backlink or --rename");
  }
  Tables t = OpenTables();
  const PartnerRecord p = zeb::EditPartner(t.session, project, name, changes);
  out << "Changed the " <<
      [&] {
        std::string list;
        for (std::size_t i = 0; i < changed.size(); ++i) {
          list += (i == 0 ? "" : i + 1 == changed.size() ? " and " : ", ") + changed[i];
        }
        return list;
      }()
      << " of partner " << p.SiteName << " in project " << project << '\n';
  return 0;
}

// Whether the link counted with search engines at the partner's last check, with the anchor
// text of the deciding link ("Verdict:" line); nothing while no check was judged.
std::optional<std::string> LastVerdict(zeb::Session& session, const PartnerRecord& p) {
  const std::vector<zeb::VerdictRecord> verdicts =
      zeb::PartnerVerdicts(session, p.Project, p.SiteName);
  if (verdicts.empty()) return std::nullopt;
  const zeb::VerdictRecord& last = verdicts.back();
  std::string text = last.Counts()  ? "counts with search engines"
                     : last.Found() ? "does not count with search engines: " + last.Verdict
                                    : last.Verdict;
  if (!last.AnchorText.empty()) text += " (anchor text \"" + last.AnchorText + "\")";
  return text;
}

// The last check of the library's own record: what it came to, where, and when.
std::string LastResult(zeb::Session& session, const PartnerRecord& p) {
  const std::vector<zeb::CheckRecord> checks = zeb::PartnerChecks(session, p.Project, p.SiteName);
  if (checks.empty()) return "-";
  const zeb::CheckRecord& last = checks.back();
  std::string text = last.Result;
  if (!last.URL.empty()) text += " at " + last.URL;
  if (!last.Reason.empty()) text += ": " + last.Reason;
  return text + " (" + zeb::FormatDateTime(last.CheckedAt) + ")";
}

int PartnerShow(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  const std::string name = a.Required("name");
  std::size_t last = 10;
  if (std::optional<std::string> n = a.Value("last")) {
    last = static_cast<std::size_t>(ParseHop(*n, "--last"));
  }
  Tables t = OpenTables();
  const PartnerRecord p = zeb::RequirePartner(t.session, project, name);
  auto text = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
  auto yes = [](bool b) { return std::string(b ? "yes" : "no"); };
  std::vector<std::pair<std::string, std::string>> fields = {
      {"Partner", p.SiteName},
      {"Project", p.Project},
      {"Home page", p.ContactWebSite},
      {"Start page", text(p.BotStart)},
      {"Start hop", std::to_string(p.BotBaseHop)},
      {"Find text", p.ShortCheck},
      {"Link text", p.LongCheck.empty() ? "-" : zeb::JoinLines(p.LongCheck)},
      {"Backlink", text(p.URL)},
      {"Find text found", yes(p.FoundShort)},
      {"Link text found", yes(p.FoundLong)},
      {"Last result", LastResult(t.session, p)},
  };
  if (std::optional<std::string> verdict = LastVerdict(t.session, p)) {
    fields.emplace_back("Verdict", *verdict);
  }
  if (std::optional<zeb::AnalysisRecord> r =
          t.app.FindAnalysis(project, name, ProjectScope::kExact)) {
    fields.emplace_back("Last analysis", zeb::FormatDay(r->xDate) + ": " + std::to_string(r->Hops) +
                                             " hops from " + text(r->BaseURL) + ", link " +
                                             std::to_string(r->AllLinkPosition) + " of " +
                                             std::to_string(r->AllLinksTotal) + ", external link " +
                                             std::to_string(r->ExternalLinkPosition) + " of " +
                                             std::to_string(r->ExternalLinksTotal) + ", word " +
                                             std::to_string(r->WordPosNoTags));
  }
  std::size_t width = 0;
  for (const auto& field : fields) width = std::max(width, field.first.size());
  for (const auto& [caption, value] : fields) {
    // A value over several lines (the link text) keeps its lines under each other.
    const zeb::Lines lines = zeb::SplitLines(value);
    const std::string indent(width + 2, ' ');
    out << caption << ':' << std::string(width - caption.size() + 1, ' ')
        << (lines.empty() ? "" : lines.front()) << '\n';
    for (std::size_t i = 1; i < lines.size(); ++i) out << indent << lines[i] << '\n';
  }
  const std::vector<zeb::HistoryRecord> history = t.app.History(project, name);
  if (history.empty()) {
    out << "History: none yet\n";
    return 0;
  }
  const std::size_t shown = last == 0 ? history.size() : std::min(last, history.size());
  out << "History (the latest " << shown << " of " << history.size() << " checks):\n";
  std::vector<std::vector<std::string>> rows = {{"  Day", "Find text", "Link text"}};
  for (std::size_t i = history.size() - shown; i < history.size(); ++i) {
    const zeb::HistoryRecord& h = history[i];
    rows.push_back({"  " + zeb::FormatDay(h.xDate), h.RFound ? "found" : "not found",
                    h.PFound ? "found" : "not found"});
  }
  PrintTable(out, rows);
  return 0;
}

int PartnerList(const ParsedArgs& a, std::ostream& out) {
  const OutputFormat format = FormatOf(a);
  const std::string project = a.Required("project");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  std::vector<PartnerRecord> partners = t.app.Partners(project, ProjectScope::kAllForDefault);
  if (format == OutputFormat::kTable && partners.empty()) {
    out << "Project " << project << " has no partners yet: zebhost partner add --project "
        << project << " --name N --home URL --find TEXT\n";
    return 0;
  }
  auto text_or_null = [](const std::string& s) {
    return s.empty() ? Value::Null() : Value::Text(s);
  };
  const std::map<zeb::PartnerKey, zeb::VerdictRecord> verdicts = zeb::LastVerdicts(t.session);
  std::vector<Record> records;
  for (const PartnerRecord& p : partners) {
    const bool has_start = !p.BotStart.empty();
    const auto verdict = verdicts.find({p.Project, p.SiteName});
    // The start page is cut before its hop is added, so that the hop always shows.
    const std::string start =
        CutCell(p.BotStart, kAddressCellWidth) + " (" + std::to_string(p.BotBaseHop) + ")";
    records.push_back(
        Record()
            .Set("partner", Value::Text(p.SiteName))
            .Set("project", Value::Text(p.Project))
            .Set("home_page", Value::Text(p.ContactWebSite))
            .Set("start", has_start ? Value::Text(start) : Value::Null())
            .Set("start_page", text_or_null(p.BotStart))
            .Set("start_hop", has_start ? Value::Integer(p.BotBaseHop) : Value::Null())
            .Set("find", Value::Text(p.ShortCheck))
            .Set("link_text", text_or_null(zeb::JoinLines(p.LongCheck)))
            .Set("backlink", text_or_null(p.URL))
            .Set("found", Value::Boolean(p.FoundShort))
            .Set("link_text_found", Value::Boolean(p.FoundLong))
            .Set("counts", verdict == verdicts.end()
                               ? Value::Null()
                               : Value::Text(zeb::CountsText(verdict->second.Verdict))));
  }
  constexpr std::size_t kHopWidth = 14;  // " (-2147483648)"
  const std::vector<Column> columns = {
      {"partner", "Partner"},
      {"project", "Project"},
      {"home_page", "Home page", kAddressCellWidth},
      {"start", "Start page (hop)", kAddressCellWidth + kHopWidth, Shown::kTableOnly},
      {"start_page", "Start page", kAddressCellWidth, Shown::kDataOnly},
      {"start_hop", "Start hop", kCellWidth, Shown::kDataOnly},
      {"find", "Find"},
      {"link_text", "Link text", kCellWidth, Shown::kDataOnly},
      {"backlink", "Backlink", kAddressCellWidth},
      {"found", "Found"},
      {"link_text_found", "Link text found", kCellWidth, Shown::kDataOnly},
      {"counts", "Counts"},
  };
  out << FormatRecords(format, columns, records);
  return 0;
}

int PartnerRemove(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  const std::string name = a.Required("name");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  if (!t.app.RemovePartner(project, name)) {
    throw UsageError("there is no partner " + zeb::QuoteForMessage(name) + " in project " +
                     project);
  }
  out << "Removed partner " << name << " from project " << project << '\n';
  return 0;
}

int PartnerImport(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  const std::string file = a.Positional("FILE");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw UsageError("cannot read " + file);
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::size_t added = 0;
  try {
    added = zeb::ImportPartnerCsv(t.session, project, buffer.str());
  } catch (const zeb::PartnerEditError& e) {
    throw UsageError(file + ": " + e.what());
  }
  out << "Imported " << added << " partners into project " << project << '\n';
  return 0;
}

int PartnerExport(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  WriteOutput(a, out, zeb::ExportPartnerCsv(t.session, project));
  return 0;
}

}  // namespace

std::vector<CommandSpec> PartnerCommands() {
  const OptionSpec project = Required("--project", "P", "the project the partner belongs to");
  const OptionSpec name = Required("--name", "N", "the partner's name");
  return {
      {"partner",
       "Add, change, show, list, remove, import or export a project's partners",
       "A partner is a site that promised to link to your project's site. The check looks for "
       "the partner's Find text on its pages, starting at its home page (or its start page).",
       "zebhost partner show --project \"My Site\" --name \"Cats Corner\"",
       {},
       {}},
      {"partner add",
       "Add a partner to a project",
       "Names, Find and link texts take at most 4,096 bytes, addresses (http:// or https://, "
       "without blanks, quotes or angle brackets) at most 2,048.",
       "zebhost partner add --project \"My Site\" --name \"Cats Corner\" "
       "--home http://www.cats.example/ --find mysite.example",
       {project, Required("--name", "N", "the partner's name, unique in the project"),
        Required("--home", "URL", "the partner's home page"),
        Required("--find", "TEXT", "the text whose presence on a page marks your link (one line)"),
        StartOption(), StartHopOption(), LinkTextOption(), BacklinkOption()},
       PartnerAdd},
      {"partner edit",
       "Change some fields of a partner",
       "Changes only the fields given, in one step: a refused change changes nothing. A new name "
       "takes the partner's history and analysis along. An empty --start removes the start page "
       "and its hop; an empty --link-text or --backlink removes those.",
       "zebhost partner edit --project \"My Site\" --name \"Cats Corner\" "
       "--start http://www.cats.example/links/ --start-hop 1",
       {project, name, Option("--home", "URL", "a new home page", "unchanged"),
        Option("--start", "URL", "a new start page", "unchanged"),
        Option("--start-hop", "N", "a new hop of the start page below the home page", "unchanged"),
        Option("--find", "TEXT", "a new Find text", "unchanged"),
        Option("--link-text", "TEXT", "a new link text", "unchanged"),
        Option("--backlink", "URL", "a new backlink page", "unchanged"),
        Option("--rename", "NEW", "a new name for the partner", "unchanged")},
       PartnerEdit},
      {"partner show",
       "Show one partner",
       "Every stored field of the partner, the result of its last check, its last analysis and "
       "its recent history.",
       "zebhost partner show --project \"My Site\" --name \"Cats Corner\" --last 30",
       {project, name,
        Option("--last", "N", "how many of the latest checks of the history to show (0: all)",
               "10")},
       PartnerShow},
      {"partner list",
       "List the partners of a project",
       "The partners in name order; the project Default lists the partners of every project. "
       "Counts says whether the link counted with search engines at the last check (\"yes\", or "
       "the reason it did not). CSV and JSON hold every field apart (start page and start hop, "
       "link text).",
       "zebhost partner list --project \"My Site\" --format csv",
       {Required("--project", "P", "the project whose partners to list"), FormatOption()},
       PartnerList},
      {"partner remove",
       "Remove a partner with its history and analysis",
       "",
       "zebhost partner remove --project \"My Site\" --name \"Cats Corner\"",
       {project, name},
       PartnerRemove},
      {"partner import",
       "Add the partners of a CSV file to a project",
       "The file has a header line, then one partner per line with the fields name, home page, "
       "start page, start hop, find text, link text, backlink (the last two may be left off; "
       "quote a field that holds commas, quotes or line breaks and double a quote inside it). "
       "The file is checked as a whole: a bad line is reported with its number and nothing is "
       "imported.",
       "zebhost partner import --project \"My Site\" partners.csv",
       {Required("--project", "P", "the project to add the partners to"),
        Positional("FILE", "the CSV file to read", ValueKind::kFile)},
       PartnerImport},
      {"partner export",
       "Write the partners of a project as a CSV file",
       "The file that \"partner import\" reads: importing it into another project gives the same "
       "partners.",
       "zebhost partner export --project \"My Site\" --out partners.csv",
       {Required("--project", "P", "the project whose partners to write"),
        OutOption("the file to write")},
       PartnerExport},
  };
}

}  // namespace zebhost
