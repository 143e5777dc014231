// The projects and partners as the host window shows and changes them: a widget-free source over
// the application tables. Every change goes through the editing rules of data/partner_editing.h
// and data/project_editing.h, the same functions the zebhost commands use, so that a change made
// in the window leaves the tables as the same change made on the command line.
//
// Errors: a refused change throws zeb::PartnerEditError (what(): the message to show); nothing
// is written then. A table fault throws zeb::DatabaseError. Thread safety: one thread (the GUI
// thread); the object holds one database connection.
#ifndef ZEBHOST_HOST_DATA_H_
#define ZEBHOST_HOST_DATA_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/partner_editing.h"
#include "data/project_editing.h"
#include "data/sqlite_session.h"

namespace zebhost {

struct ProjectSummary {
  std::string name;
  std::string home_page;  // YourHomePage; may be empty
  std::size_t partners = 0;
};

// A partner with what its last check came to.
struct PartnerRow {
  zeb::PartnerRecord partner;
  // When it was last checked: "YYYY-MM-DD HH:MM:SS" from the library's own record of the check,
  // else the day of the newest history record; "" when neither exists.
  std::string last_check;
  // "found", "not found" or "unverifiable", with the reason after ": " when there is one; from
  // the same record as last_check, else "found" when the partner is marked found; "" otherwise.
  std::string last_result;
  // Whether the link counts for search engines: "yes" or the reason it does not
  // (zeb::CountsText of the last verdict); "" when no verdict is stored.
  std::string counts;
};

class HostData {
 public:
  // Opens the tables of the data folder; throws UsageError when the folder lacks them.
  explicit HostData(zeb::FileLocations locations);

  const zeb::FileLocations& locations() const { return locations_; }

  // Projects in name order, each with its own partners' count.
  std::vector<ProjectSummary> Projects();
  void AddProject(const std::string& name, const std::string& home_page);
  // A new name, a new home page or both, in one step: a refused change changes nothing.
  void EditProject(const std::string& project, const zeb::ProjectChanges& changes);
  // How many partners a removal of the project takes along.
  std::size_t PartnerCount(const std::string& project);
  // Removes the project with its partners, history and analyses (as zebhost project remove).
  void RemoveProject(const std::string& project);

  // The project's own partners in name order ("Default" is a project like any other here).
  std::vector<PartnerRow> Partners(const std::string& project);
  zeb::PartnerRecord Partner(const std::string& project, const std::string& name);
  void AddPartner(const zeb::PartnerRecord& partner);
  zeb::PartnerRecord EditPartner(const std::string& project, const std::string& name,
                                 const zeb::PartnerChanges& changes);
  // Removes the partner with its history and analysis (as zebhost partner remove).
  void RemovePartner(const std::string& project, const std::string& name);
  // The CSV file of zebhost partner import and export; an import is all or nothing.
  std::size_t ImportCsv(const std::string& project, std::string_view text);
  std::string ExportCsv(const std::string& project);

 private:
  zeb::FileLocations locations_;
  zeb::Session session_;
};

}  // namespace zebhost

#endif  // ZEBHOST_HOST_DATA_H_
