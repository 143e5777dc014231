#include "console/partner_selection.h"

#include "data/app_tables.h"
#include "data/schema.h"
#include "text/html_text.h"

namespace zeb {

std::optional<PartnerView> LookUpPartnerView(AppTables& app, const std::string& project,
                                             const std::string& partner, bool with_tree) {
  std::optional<PartnerRecord> record =
      app.FindPartner(project, partner, ProjectScope::kAllForDefault);
  if (!record) return std::nullopt;
  PartnerView view;
  view.HTMLabel2 = "<a href=\"" + HtmlEscaped(record->ContactWebSite) + "\">Partner</a>";
  if (!record->BotStart.empty()) {
    view.Label35 = record->BotStart;
    view.Label28 = std::to_string(record->BotBaseHop);
  } else {
    view.Label35 = record->ContactWebSite;
    view.Label28 = "0";
  }
  view.HTMLabel1 = view.Label35.empty() ? "<B>No Home Page Added to this Partner</B>"
                                        : "<a href=\"" + HtmlEscaped(view.Label35) + "\">Start at</a>";
  view.Label33 = record->ShortCheck;
  if (!with_tree) return view;
  if (std::optional<AnalysisRecord> analysis =
          app.FindAnalysis(project, partner, ProjectScope::kAllForDefault)) {
    view.TreeResults = analysis->TreeResults;
  }
  return view;
}

std::vector<std::string> PartnerSelection::LoadProjects() const {
  Session session = OpenDataFolder(locations_.DataFolder);
  return AppTables(session).ProjectNames();
}

std::vector<PartnerItem> PartnerSelection::LoadPartners(const std::string& project) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  std::vector<PartnerItem> items;
  for (const PartnerRecord& p :
       AppTables(session).Partners(project, ProjectScope::kAllForDefault)) {
    items.push_back({p.SiteName, p.FoundShort});
  }
  return items;
}

std::optional<PartnerView> PartnerSelection::ShowPartner(const std::string& project,
                                                         const std::string& partner) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  AppTables app(session);
  return LookUpPartnerView(app, project, partner, /*with_tree=*/true);
}

std::vector<std::string> PartnerSelection::AutoRunErrors(
    const std::string& project, const std::vector<std::string>& partners) const {
  Session session = OpenDataFolder(locations_.DataFolder);
  AppTables app(session);
  std::vector<std::string> errors;
  if (!app.FindProject(project)) {
    errors.push_back("<B>Error<B><BR>Project " + HtmlEscaped(project) +
                     " does not exist for this AutoRun.  Correct and run again.");
  }
  // The partners are looked up in the project as it is named, "Default" included.
  for (const std::string& partner : partners) {
    if (!app.FindPartner(project, partner, ProjectScope::kExact)) {
      errors.push_back("<B>Error<B><BR>Partner " + HtmlEscaped(partner) +
                       " does not exist in project " + HtmlEscaped(project) +
                       ".  Correct and run again.");
    }
  }
  return errors;
}

RunButtonState UpdateRunButton(const std::string& project, int checked, const std::string& start_at,
                               const std::string& find) {
  RunButtonState state;
  state.Label24 = "0/" + std::to_string(checked);
  state.enabled =
      checked > 1 || (!project.empty() && checked >= 1 && !start_at.empty() && !find.empty());
  return state;
}

}  // namespace zeb
