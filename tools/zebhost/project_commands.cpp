// zebhost project: the projects (your own sites).
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "data/app_tables.h"
#include "data/field_limits.h"
#include "output_format.h"

namespace zebhost {
namespace {

using zeb::ProjectScope;

int ProjectAdd(const ParsedArgs& a, std::ostream& out) {
  zeb::ProjectRecord project;
  project.Name = a.Positional("NAME");
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

int ProjectList(const ParsedArgs& a, std::ostream& out) {
  const OutputFormat format = FormatOf(a);
  Tables t = OpenTables();
  std::vector<Record> records;
  for (const std::string& name : t.app.ProjectNames()) {
    const auto partners =
        static_cast<std::int64_t>(t.app.Partners(name, ProjectScope::kExact).size());
    const std::string home = t.app.FindProject(name)->YourHomePage;
    records.push_back(Record()
                          .Set("project", Value::Text(name))
                          .Set("home_page", home.empty() ? Value::Null() : Value::Text(home))
                          .Set("partners", Value::Integer(partners)));
  }
  if (format == OutputFormat::kTable && records.empty()) {
    out << "No projects yet: zebhost project add NAME --home-page URL\n";
    return 0;
  }
  out << FormatRecords(format,
                       {{"project", "Project"},
                        {"home_page", "Your home page", kAddressCellWidth},
                        {"partners", "Partners"}},
                       records);
  return 0;
}

int ProjectRemove(const ParsedArgs& a, std::ostream& out) {
  const std::string name = a.Positional("NAME");
  Tables t = OpenTables();
  RequireProject(t.app, name);
  t.app.RemoveProject(name);
  out << "Removed project " << name << " with its partners, history and analyses\n";
  return 0;
}

}  // namespace

std::vector<CommandSpec> ProjectCommands() {
  return {
      {"project",
       "Add, list or remove projects",
       "A project is one of your own sites; its partners are the sites that link to it. The "
       "project named Default lists the partners of every project.",
       "zebhost project list",
       {},
       {}},
      {"project add",
       "Add a project",
       "Adds a project under a new name. Your home page is where \"zebhost gather\" reads your "
       "keywords.",
       "zebhost project add \"My Site\" --home-page http://www.mysite.example/",
       {Positional("NAME", "the project's name (at most 4,096 bytes, no control characters)"),
        Option("--home-page", "URL", "your home page, an http:// or https:// address", "none")},
       ProjectAdd},
      {"project list",
       "List the projects",
       "Each project with your home page and the number of its partners.",
       "zebhost project list --format json",
       {FormatOption()},
       ProjectList},
      {"project remove",
       "Remove a project with its partners, history and analyses",
       "",
       "zebhost project remove \"Old Site\"",
       {Positional("NAME", "the project's name")},
       ProjectRemove},
  };
}

}  // namespace zebhost
