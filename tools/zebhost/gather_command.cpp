// zebhost gather: the keywords and density of the project's own home page.
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "console/bot_settings.h"
#include "console/site_information.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/settings_store.h"

namespace zebhost {

namespace {

// Gathers the keywords and density of the project's own home page and shows what is stored.
int Gather(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  zeb::SettingsStore store = OpenStore();
  Tables t(zeb::ReadFileLocations(store));
  RequireProject(t.app, project);
  std::vector<std::string> problems;
  zeb::BotSettings settings = zeb::LoadBotSettings(store, t.locations.DataFolder, &problems);
  zeb::GatherOutcome outcome = zeb::GatherSiteInformation(
      t.session, store, t.locations.DataFolder, project, settings.KWDensity,
      [&](const std::string& line) { out << line << '\n'; }, &problems);
  for (const std::string& line : problems) out << line << '\n';
  if (!outcome.dialog_html.empty()) {
    throw UsageError("project " + project + " has no home page; add one with \"zebhost project "
                     "add\" --home-page");
  }
  if (!outcome.stored) throw UsageError("nothing was gathered: " + outcome.status);
  std::optional<zeb::ProjectRecord> record = t.app.FindProject(project);
  out << "Keyword tags:\n";
  for (const std::string& line : record->YourKWTag) out << "  " << line << '\n';
  out << "Keyword density:\n";
  for (const std::string& line : record->YourKWDensity) out << "  " << line << '\n';
  return 0;
}

}  // namespace

std::vector<CommandSpec> GatherCommands() {
  return {
      {"gather",
       "Gather the keywords of your own home page",
       "Reads the project's home page (your site) and stores its meta keywords and keyword "
       "density, which the keyword comparative view sets beside the partners' pages.",
       "zebhost gather --project \"My Site\"",
       {Required("--project", "P", "the project whose home page to read")},
       Gather},
  };
}

}  // namespace zebhost
