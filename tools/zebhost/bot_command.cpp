#include "bot_command.h"

#include <QApplication>
#include <memory>

#include "cli.h"
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

  // The window's own application, unless a host made one already.
  std::unique_ptr<QApplication> app;
  if (QApplication::instance() == nullptr) {
    const bool has_display = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                             !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                             !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!has_display) {
      throw UsageError("the console needs a desktop: there is no DISPLAY (headless, use "
                       "\"zebhost check\")");
    }
    static int argc = 1;
    static char name[] = "zebhost";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  zeb::TZEBBotForm form(options);
  form.exec();
  (void)out;  // the window says it all
  return 0;
}

}  // namespace zebhost
