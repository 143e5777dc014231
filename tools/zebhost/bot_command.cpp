#include "bot_command.h"

#include <QApplication>
#include <memory>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "console/window/bot_form.h"
#include "data/file_locations.h"
#include "data/settings_store.h"

namespace zebhost {

int Bot(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"project", "partner"}, {"autorun"}, {"partner"});
  a.ExpectPositional(0, "usage: zebhost bot [--project P] [--partner N ...] [--autorun]");
  if (a.Flag("autorun") && !a.Value("project")) {
    throw UsageError("--autorun needs the project to run (--project)");
  }
  zeb::SettingsStore store = OpenStore();
  zeb::BotFormOptions options;
  options.locations = zeb::ReadFileLocations(store);
  options.settings_file = store.file().string();
  options.ProjectName = a.Value("project").value_or("");
  options.PartnerNames = a.Values("partner");
  options.AutoRun = a.Flag("autorun");

  std::unique_ptr<QApplication> app = MakeApplication();
  zeb::TZEBBotForm form(options);
  form.exec();
  (void)out;  // the window says it all
  return 0;
}

}  // namespace zebhost
