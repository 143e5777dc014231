#include "data/project_editing.h"

#include <optional>

#include "data/field_limits.h"

namespace zeb {
namespace {

void Refuse(const std::optional<std::string>& problem) {
  if (problem) throw PartnerEditError(*problem);
}

std::string Taken(const std::string& name) {
  return "the project " + QuoteForMessage(name) + " exists already";
}

}  // namespace

void AddEnteredProject(Session& session, const ProjectRecord& project) {
  Refuse(ProjectProblem(project, FieldRules::kEntered));
  AppTables app(session);
  Transaction transaction(session);
  if (app.FindProject(project.Name)) throw PartnerEditError(Taken(project.Name));
  app.AddProject(project);
  transaction.Commit();
}

void EditProject(Session& session, const std::string& name, const ProjectChanges& changes) {
  RequireProject(session, name);
  AppTables app(session);
  ProjectRecord project = *app.FindProject(name);
  if (changes.rename) project.Name = *changes.rename;
  if (changes.home_page) project.YourHomePage = *changes.home_page;
  Refuse(ProjectProblem(project, FieldRules::kEntered));
  Transaction transaction(session);
  const bool renamed = project.Name != name;
  if (renamed && app.FindProject(project.Name)) throw PartnerEditError(Taken(project.Name));
  {
    QueryRef q =
        session.Query("UPDATE ZEBProjects SET Name = ?2, YourHomePage = ?3 WHERE Name = ?1");
    q->Bind(1, name).Bind(2, project.Name).Bind(3, project.YourHomePage);
    q->Run();
  }
  for (const char* table : kProjectRecordTables) {
    if (!renamed || !session.TableExists(table)) continue;
    QueryRef q =
        session.Query(std::string("UPDATE ") + table + " SET Project = ?2 WHERE Project = ?1");
    q->Bind(1, name).Bind(2, project.Name);
    q->Run();
  }
  transaction.Commit();
}

std::size_t ProjectPartnerCount(Session& session, const std::string& name) {
  QueryRef q = session.Query("SELECT COUNT(*) FROM LA WHERE Project = ?1");
  q->Bind(1, name);
  return q->Step() ? static_cast<std::size_t>(q->ColumnInt(0)) : 0;
}

}  // namespace zeb
