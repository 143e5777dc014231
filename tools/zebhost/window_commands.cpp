// zebhost gui: the host window. zebhost bot, analysis and kwcompare: load libzebbot.so with
// dlopen and call its exports, exactly as a host application does.
#include <optional>
#include <string>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "desktop.h"
#include "plugin.h"
#include "setup.h"

namespace zebhost {
namespace {

// analysis / kwcompare: [--project P] [--partner N].
int Analysis(const ParsedArgs& a, std::ostream&) {
  OpenStoreOrSetUp();  // the library reads the folders from the same store
  RequireDesktop();
  Plugin().RunAnalysis(0, a.Value("project").value_or(""), a.Value("partner").value_or(""));
  return 0;
}

int KwCompare(const ParsedArgs& a, std::ostream&) {
  OpenStoreOrSetUp();
  RequireDesktop();
  Plugin().RunKwComparison(0, a.Value("project").value_or(""), a.Value("partner").value_or(""));
  return 0;
}

int Bot(const ParsedArgs& a, std::ostream&) {
  if (a.Flag("autorun") && !a.Value("project")) {
    throw UsageError("--autorun needs the project to run (--project)");
  }
  OpenStoreOrSetUp();
  RequireDesktop();
  Plugin().RunBot(0, a.Flag("autorun"), a.Value("project").value_or(""), a.Values("partner"));
  return 0;
}

int Gui(const ParsedArgs& a, std::ostream&) {
  RequireDesktop("the host window");
  if (!CanShowWindows()) throw UsageError("this zebhost was built without its window");
  // A user who declines the first-run dialog has chosen to quit: nothing to report.
  if (!StoreExists() && !GetDesktopHooks().first_run()) return 0;
  OpenStore();
  return GetDesktopHooks().host_window(a.Value("project"));
}

}  // namespace

std::vector<CommandSpec> WindowCommands() {
  const char* needs =
      " Needs a desktop (DISPLAY or WAYLAND_DISPLAY); loads libzebbot.so as a "
      "host application does ($ZEBBOT_LIBRARY names another copy). Without a settings store "
      "it first offers to set up the folders, as init does.";
  return {
      {"gui",
       "Open the host window: projects, partners and checks",
       "The desktop way in: a window that keeps your projects and their partners (add, change, "
       "remove, import and export them) and opens the bot's windows for the partners chosen. "
       "Without a settings store it first offers to set up the folders, as init does. A bare "
       "\"zebhost\" opens it too when there is a desktop (DISPLAY or WAYLAND_DISPLAY).",
       "zebhost gui --project \"My Site\"",
       {Option("--project", "P", "the project to show first", "the first project")},
       Gui},
      {"bot",
       "Open the bot console",
       std::string("The console window, with the project and partners chosen; with --autorun it "
                   "starts checking them at once.") +
           needs,
       "zebhost bot --project \"My Site\" --partner \"Cats Corner\" --autorun",
       {Option("--project", "P", "the project to choose", "none"),
        Repeatable("--partner", "N", "a partner to tick"),
        Flag("--autorun", "start the check at once (needs --project)")},
       Bot},
      {"analysis",
       "Open the analysis chart view",
       std::string("The position analysis of the partners' backlinks.") + needs,
       "zebhost analysis --project \"My Site\"",
       {Option("--project", "P", "the project to show", "none"),
        Option("--partner", "N", "the partner to select", "none")},
       Analysis},
      {"kwcompare",
       "Open the keyword comparative view",
       std::string("Your home page's keywords beside those of a partner's pages.") + needs,
       "zebhost kwcompare --project \"My Site\" --partner \"Cats Corner\"",
       {Option("--project", "P", "the project to show", "none"),
        Option("--partner", "N", "the partner to select", "none")},
       KwCompare},
  };
}

}  // namespace zebhost
