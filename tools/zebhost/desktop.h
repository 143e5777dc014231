// What zebhost does on a desktop beyond loading the plug-in: the first-run dialog and the host
// window. Both are Qt windows, which the command code (widget-free, so that the command tests
// need no Qt) reaches through hooks that the zebhost program installs at start
// (window/desktop_hooks.h). Without hooks (in the command tests) the commands behave as on a
// machine without a desktop.
#ifndef ZEBHOST_DESKTOP_H_
#define ZEBHOST_DESKTOP_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/settings_store.h"

namespace zebhost {

struct DesktopHooks {
  // Shows the first-run dialog; true when the user set up the folders (the store exists now).
  std::function<bool()> first_run;
  // Opens the host window, optionally on a project, and returns the exit status when it closes.
  std::function<int(const std::optional<std::string>& project)> host_window;
};

// Installs the hooks (an empty DesktopHooks removes them).
void SetDesktopHooks(DesktopHooks hooks);
const DesktopHooks& GetDesktopHooks();

// Whether the host window can be shown: a desktop (HasDesktop) and the hooks installed.
bool CanShowWindows();

// The user's settings store. When there is none and windows can be shown, the first-run dialog
// offers to make one; when there is still none, throws UsageError as OpenStore does.
zeb::SettingsStore OpenStoreOrSetUp();

// The command line to run: "gui" for a bare "zebhost" when windows can be shown, else args.
std::vector<std::string> WithDefaultCommand(std::vector<std::string> args);

}  // namespace zebhost

#endif  // ZEBHOST_DESKTOP_H_
