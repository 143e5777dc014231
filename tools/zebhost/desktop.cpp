#include "desktop.h"

#include <utility>

#include "common.h"
#include "plugin.h"
#include "setup.h"

namespace zebhost {
namespace {

DesktopHooks& Hooks() {
  static DesktopHooks hooks;
  return hooks;
}

}  // namespace

void SetDesktopHooks(DesktopHooks hooks) { Hooks() = std::move(hooks); }

const DesktopHooks& GetDesktopHooks() { return Hooks(); }

bool CanShowWindows() { return HasDesktop() && Hooks().first_run && Hooks().host_window; }

zeb::SettingsStore OpenStoreOrSetUp() {
  if (!StoreExists() && CanShowWindows()) Hooks().first_run();
  return OpenStore();
}

std::vector<std::string> WithDefaultCommand(std::vector<std::string> args) {
  if (args.empty() && CanShowWindows()) return {"gui"};
  return args;
}

}  // namespace zebhost
