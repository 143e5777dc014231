#include "plugin.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli.h"
#include "zebbot.h"

namespace zebhost {

bool HasDesktop() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value) return true;
  }
  return false;
}

void RequireDesktop(const std::string& what) {
  if (!HasDesktop()) {
    throw UsageError(what +
                     " needs a desktop: there is no DISPLAY (headless, use "
                     "\"zebhost check\")");
  }
}

Plugin::Plugin() {
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
    // RTLD_NODELETE: Qt keeps pointers into the library (its types, resources) for as long as
    // the application lives, so it must never be unmapped.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_ != nullptr) return;
    reasons += std::string(" ") + dlerror();
  }
  throw UsageError("libzebbot.so cannot be loaded (set ZEBBOT_LIBRARY to its path)" + reasons);
}

void* Plugin::Symbol(const char* name) const {
  void* symbol = dlsym(handle_, name);
  if (symbol == nullptr) throw UsageError(std::string("libzebbot.so lacks ") + name);
  return symbol;
}

void Plugin::RunBot(unsigned long main_window, bool auto_run, const std::string& project,
                    const std::vector<std::string>& partners) const {
  auto create = reinterpret_cast<ZebStringList* (*)()>(Symbol("zeb_string_list_create"));
  auto add = reinterpret_cast<int (*)(ZebStringList*, const char*)>(Symbol("zeb_string_list_add"));
  auto run = reinterpret_cast<void (*)(const ZebHost*, int, const char*, ZebStringList*)>(
      Symbol("_RunZEBBot"));
  ZebStringList* list = create();
  if (list == nullptr) throw UsageError("out of memory");
  for (const std::string& name : partners) add(list, name.c_str());
  const ZebHost host{main_window};
  run(&host, auto_run ? 1 : 0, project.c_str(), list);  // the list is the library's from here on
}

void Plugin::RunAnalysis(unsigned long main_window, const std::string& project,
                         const std::string& partner) const {
  auto run = reinterpret_cast<void (*)(const ZebHost*, const char*, const char*)>(
      Symbol("_RunZEBBotAnalysis"));
  const ZebHost host{main_window};
  run(&host, project.c_str(), partner.c_str());
}

void Plugin::RunKwComparison(unsigned long main_window, const std::string& project,
                             const std::string& partner) const {
  auto run = reinterpret_cast<void (*)(const ZebHost*, const char*, const char*)>(
      Symbol("_RunZEBBotKWComparison"));
  const ZebHost host{main_window};
  run(&host, project.c_str(), partner.c_str());
}

}  // namespace zebhost
