// zebhost bot, analysis and kwcompare: load libzebbot.so with dlopen and call its exports,
// exactly as a host application does.
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "zebbot.h"

namespace zebhost {
namespace {

// The plug-in: $ZEBBOT_LIBRARY when set, else the one installed beside zebhost
// (in the library folder beside its bin folder), else the one of the build tree.
class Plugin {
 public:
  Plugin() {
    std::vector<std::string> candidates;
    if (const char* named = std::getenv("ZEBBOT_LIBRARY"); named != nullptr && *named) {
      candidates.push_back(named);
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) candidates.push_back((self.parent_path() / ZEBBOT_INSTALLED_LIBRARY).string());
    candidates.push_back(ZEBBOT_BUILD_LIBRARY);
    std::string reasons;
    for (const std::string& path : candidates) {
      if (!std::filesystem::exists(path)) continue;
      handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle_ != nullptr) return;
      reasons += std::string(" ") + dlerror();
    }
    throw UsageError("libzebbot.so cannot be loaded (set ZEBBOT_LIBRARY to its path)" + reasons);
  }
  ~Plugin() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  template <typename Function>
  Function* Get(const char* name) const {
    void* symbol = dlsym(handle_, name);
    if (symbol == nullptr) throw UsageError(std::string("libzebbot.so lacks ") + name);
    return reinterpret_cast<Function*>(symbol);
  }

 private:
  void* handle_ = nullptr;
};

// The windows need a desktop; without one, say so instead of letting Qt abort.
void RequireDesktop() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value) return;
  }
  throw UsageError("the console needs a desktop: there is no DISPLAY (headless, use "
                   "\"zebhost check\")");
}

// analysis / kwcompare: [--project P] [--partner N].
int OpenView(const ParsedArgs& a, const char* export_name) {
  OpenStore();  // the library reads the folders from the same store
  RequireDesktop();
  Plugin plugin;
  const ZebHost host{0};
  plugin.Get<void(const ZebHost*, const char*, const char*)>(export_name)(
      &host, a.Value("project").value_or("").c_str(), a.Value("partner").value_or("").c_str());
  return 0;
}

int Bot(const ParsedArgs& a, std::ostream&) {
  if (a.Flag("autorun") && !a.Value("project")) {
    throw UsageError("--autorun needs the project to run (--project)");
  }
  OpenStore();
  RequireDesktop();
  Plugin plugin;
  ZebStringList* partners = plugin.Get<ZebStringList*()>("zeb_string_list_create")();
  if (partners == nullptr) throw UsageError("out of memory");
  for (const std::string& name : a.Values("partner")) {
    plugin.Get<int(ZebStringList*, const char*)>("zeb_string_list_add")(partners, name.c_str());
  }
  const ZebHost host{0};
  // The list is the library's from the call on.
  plugin.Get<void(const ZebHost*, int, const char*, ZebStringList*)>("_RunZEBBot")(
      &host, a.Flag("autorun") ? 1 : 0, a.Value("project").value_or("").c_str(), partners);
  return 0;
}

int Analysis(const ParsedArgs& a, std::ostream&) { return OpenView(a, "_RunZEBBotAnalysis"); }

int KwCompare(const ParsedArgs& a, std::ostream&) { return OpenView(a, "_RunZEBBotKWComparison"); }

}  // namespace

std::vector<CommandSpec> WindowCommands() {
  const char* needs =
      " Needs a desktop (DISPLAY or WAYLAND_DISPLAY); loads libzebbot.so as a "
      "host application does ($ZEBBOT_LIBRARY names another copy).";
  return {
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
