#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "desktop.h"
#include "window/desktop_hooks.h"

int main(int argc, char** argv) {
  // The first-run dialog and the host window; their QApplication is made only when one shows.
  zebhost::DesktopSession desktop(argc, argv);
  const std::vector<std::string> args =
      zebhost::WithDefaultCommand(std::vector<std::string>(argv + 1, argv + argc));
  return zebhost::RunZebhost(args, std::cout, std::cerr);
}
