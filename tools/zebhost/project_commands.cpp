// zebhost project and partner: the projects, and the partner sites of each, with the import of
// partners from a CSV file.
#include <cstddef>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "csv.h"
#include "data/app_tables.h"
#include "data/field_limits.h"
#include "data/sqlite_session.h"
#include "text/lines.h"

namespace zebhost {
namespace {

using zeb::PartnerRecord;
using zeb::ProjectScope;

// Checks a partner's fields as both "partner add" and the import take them.
void CheckPartner(const PartnerRecord& p) {
  if (auto problem = zeb::PartnerProblem(p, zeb::FieldRules::kEntered)) throw UsageError(*problem);
}

// The records of a CSV file, its header line first.
std::vector<CsvRecord> ReadCsvFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw UsageError("cannot read " + file);
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::vector<CsvRecord> records;
  try {
    records = ParseCsv(buffer.str());
  } catch (const CsvError& e) {
    throw UsageError(file + ": " + e.what());
  }
  if (records.empty()) throw UsageError(file + " is empty (it needs a header line)");
  return records;
}

// The partner of one import line: name, home page, start page, start hop, find text and
// (optionally) link text.
PartnerRecord PartnerOfLine(const CsvRecord& r, const std::string& project) {
  if (r.fields.size() != 5 && r.fields.size() != 6) {
    throw UsageError("expected 6 fields (name,home page,start page,start hop,find text,link text), "
                     "found " + std::to_string(r.fields.size()));
  }
  PartnerRecord p;
  p.Project = project;
  p.SiteName = r.fields[0];
  p.ContactWebSite = r.fields[1];
  p.BotStart = r.fields[2];
  p.ShortCheck = r.fields[4];
  if (r.fields.size() == 6) p.LongCheck = zeb::SplitLines(r.fields[5]);
  p.BotBaseHop = r.fields[3].empty() ? 0 : ParseHop(r.fields[3], "the start hop");
  if (p.BotStart.empty() && p.BotBaseHop != 0) throw UsageError("a start hop needs a start page");
  CheckPartner(p);
  return p;
}

// Adds all partners of the file or, when one line is wrong, none.
int ImportPartners(Tables& t, const std::string& project, const std::string& file,
                   std::ostream& out) {
  std::vector<CsvRecord> records = ReadCsvFile(file);
  std::vector<PartnerRecord> partners;
  std::map<std::string, int> seen;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& r = records[i];
    auto fail = [&](const std::string& why) -> UsageError {
      return UsageError(file + ": line " + std::to_string(r.line) + ": " + why);
    };
    PartnerRecord p;
    try {
      p = PartnerOfLine(r, project);
    } catch (const UsageError& e) {
      throw fail(e.what());
    }
    if (auto it = seen.find(p.SiteName); it != seen.end()) {
      throw fail("the partner " + zeb::QuoteForMessage(p.SiteName) + " is also on line " +
                 std::to_string(it->second));
    }
    if (t.app.FindPartner(project, p.SiteName, ProjectScope::kExact)) {
      throw fail("the partner " + zeb::QuoteForMessage(p.SiteName) +
                 " exists already in project " + project);
    }
    seen[p.SiteName] = r.line;
    partners.push_back(std::move(p));
  }

  zeb::Transaction transaction(t.session);
  for (const PartnerRecord& p : partners) t.app.AddPartner(p);
  transaction.Commit();
  out << "Imported " << partners.size() << " partners into project " << project << '\n';
  return 0;
}

int PartnerAdd(const Arguments& a, const std::string& project, std::ostream& out) {
  a.ExpectPositional(1, "zebhost partner add --project P --name N --home URL --find TEXT "
                        "[--start URL --start-hop N] [--link-text TEXT] [--backlink URL]");
  PartnerRecord p;
  p.Project = project;
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
  CheckPartner(p);
  Tables t = OpenTables();
  RequireProject(t.app, project);
  if (t.app.FindPartner(project, p.SiteName, ProjectScope::kExact)) {
    throw UsageError("the partner " + zeb::QuoteForMessage(p.SiteName) +
                     " exists already in project " + project);
  }
  t.app.AddPartner(p);
  out << "Added partner " << p.SiteName << " to project " << project << '\n';
  return 0;
}

int PartnerList(const Arguments& a, const std::string& project, std::ostream& out) {
  a.ExpectPositional(1, "zebhost partner list --project P");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  std::vector<PartnerRecord> partners = t.app.Partners(project, ProjectScope::kAllForDefault);
  if (partners.empty()) {
    out << "Project " << project << " has no partners yet: zebhost partner add --project "
        << project << " --name N --home URL --find TEXT\n";
    return 0;
  }
  std::vector<std::vector<std::string>> rows = {
      {"Partner", "Project", "Home page", "Start page (hop)", "Find", "Backlink", "Found"}};
  for (const PartnerRecord& p : partners) {
    // The start page is cut before its hop is added, so that the hop always shows.
    std::string start = p.BotStart.empty() ? "-"
                                           : CutCell(p.BotStart, kAddressCellWidth) + " (" +
                                                 std::to_string(p.BotBaseHop) + ")";
    rows.push_back({p.SiteName, p.Project, p.ContactWebSite, start, p.ShortCheck,
                    p.URL.empty() ? "-" : p.URL, p.FoundShort ? "yes" : "no"});
  }
  constexpr std::size_t kHopWidth = 14;  // " (-2147483648)"
  PrintTable(out, rows, {kCellWidth, kCellWidth, kAddressCellWidth, kAddressCellWidth + kHopWidth,
                         kCellWidth, kAddressCellWidth, kCellWidth});
  return 0;
}

int PartnerRemove(const Arguments& a, const std::string& project, std::ostream& out) {
  a.ExpectPositional(1, "zebhost partner remove --project P --name N");
  std::string name = a.Required("name");
  Tables t = OpenTables();
  RequireProject(t.app, project);
  if (!t.app.RemovePartner(project, name)) {
    throw UsageError("there is no partner " + zeb::QuoteForMessage(name) + " in project " +
                     project);
  }
  out << "Removed partner " << name << " from project " << project << '\n';
  return 0;
}

}  // namespace

int Project(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"home-page"}, {});
  const auto& words = a.positional();
  if (words.empty()) throw UsageError("usage: zebhost project add|list|remove ...");
  const std::string& verb = words[0];
  if (verb == "add") {
    a.ExpectPositional(2, "zebhost project add NAME [--home-page URL]");
    zeb::ProjectRecord project;
    project.Name = words[1];
    project.YourHomePage = a.Value("home-page").value_or("");
    if (auto problem = zeb::ProjectProblem(project, zeb::FieldRules::kEntered)) {
      throw UsageError(*problem);
    }
    Tables t = OpenTables();
    if (t.app.FindProject(project.Name)) {
      throw UsageError("the project " + zeb::QuoteForMessage(project.Name) + " exists already");
    }
    t.app.AddProject(project);
    out << "Added project " << project.Name << '\n';
    return 0;
  }
  if (a.Value("home-page")) throw UsageError("--home-page belongs to \"project add\"");
  if (verb == "list") {
    a.ExpectPositional(1, "zebhost project list");
    Tables t = OpenTables();
    std::vector<std::vector<std::string>> rows = {{"Project", "Your home page", "Partners"}};
    for (const std::string& name : t.app.ProjectNames()) {
      std::size_t partners = t.app.Partners(name, ProjectScope::kExact).size();
      rows.push_back({name, t.app.FindProject(name)->YourHomePage, std::to_string(partners)});
    }
    if (rows.size() == 1) {
      out << "No projects yet: zebhost project add NAME --home-page URL\n";
    } else {
      PrintTable(out, rows, {kCellWidth, kAddressCellWidth, kCellWidth});
    }
    return 0;
  }
  if (verb == "remove") {
    a.ExpectPositional(2, "zebhost project remove NAME");
    Tables t = OpenTables();
    RequireProject(t.app, words[1]);
    t.app.RemoveProject(words[1]);
    out << "Removed project " << words[1] << " with its partners, history and analyses\n";
    return 0;
  }
  throw UsageError("unknown project command \"" + verb + "\" (add, list, remove)");
}

int Partner(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"project", "name", "home", "find", "start", "start-hop", "link-text",
                     "backlink"}, {});
  const auto& words = a.positional();
  if (words.empty()) throw UsageError("usage: zebhost partner add|list|remove|import ...");
  const std::string& verb = words[0];
  std::string project = a.Required("project");
  if (verb == "add") return PartnerAdd(a, project, out);
  for (const char* option :
       {"name", "home", "find", "start", "start-hop", "link-text", "backlink"}) {
    if (verb != "remove" || std::string(option) != "name") {
      if (a.Value(option)) throw UsageError(std::string("--") + option + " belongs to \"partner add\"");
    }
  }
  if (verb == "list") return PartnerList(a, project, out);
  if (verb == "remove") return PartnerRemove(a, project, out);
  if (verb == "import") {
    a.ExpectPositional(2, "zebhost partner import --project P FILE.csv");
    Tables t = OpenTables();
    RequireProject(t.app, project);
    return ImportPartners(t, project, words[1], out);
  }
  throw UsageError("unknown partner command \"" + verb + "\" (add, list, remove, import)");
}

}  // namespace zebhost
