// Projects as a user changes them: add one, rename one (its partners and every record kept of
// them go along), change its home page, and count what a removal takes with it. The host window
// goes through these functions, so the rules of what a user may enter for a project live here
// (the checks of data/field_limits.h, kEntered) beside those of partners (partner_editing.h).
//
// Errors: a refused change throws PartnerEditError (the editing rules' one error type), whose
// what() is the one-line message to show; nothing is written then. A table fault throws
// DatabaseError from the session. Thread safety: as the Session given.
#ifndef ZEB_DATA_PROJECT_EDITING_H_
#define ZEB_DATA_PROJECT_EDITING_H_

#include <cstddef>
#include <optional>
#include <string>

#include "data/app_tables.h"
#include "data/partner_editing.h"
#include "data/sqlite_session.h"

namespace zeb {

// The tables besides ZEBProjects whose records name their project (column Project). A rename
// changes the name in each of them (a table that does not exist yet is skipped).
inline constexpr const char* kProjectRecordTables[] = {"LA", "LAHist", "ZEBAnalyze",
                                                       "ZEBCheckHistory", "ZEBLinkVerdict"};

// Adds the project after the checks of ProjectProblem (kEntered); refused when the name is taken.
void AddEnteredProject(Session& session, const ProjectRecord& project);

// The fields an edit changes; a field left empty (nullopt) keeps its stored value.
struct ProjectChanges {
  std::optional<std::string> rename;     // Name
  std::optional<std::string> home_page;  // YourHomePage; "" removes it
};

// Changes the named fields of the project in one transaction. A new name goes to the project's
// partners, their history, analyses and checks too. Refused when the project is missing, a
// changed field breaks the rules or the new name is taken.
void EditProject(Session& session, const std::string& name, const ProjectChanges& changes);

// How many partners the project has of its own (what removing it takes along).
std::size_t ProjectPartnerCount(Session& session, const std::string& name);

}  // namespace zeb

#endif  // ZEB_DATA_PROJECT_EDITING_H_
