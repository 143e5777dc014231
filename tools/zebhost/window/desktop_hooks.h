// The zebhost program's desktop: installs the hooks of desktop.h (the first-run dialog and the
// host window) and owns the QApplication they need, made at the first window. The plug-in's
// windows then run on this QApplication, as they do in a Qt host.
#ifndef ZEBHOST_WINDOW_DESKTOP_HOOKS_H_
#define ZEBHOST_WINDOW_DESKTOP_HOOKS_H_

#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace zebhost {

class DesktopSession {
 public:
  // argc and argv must outlive the session (main's own).
  DesktopSession(int& argc, char** argv);
  // Removes the hooks and the QApplication made for them.
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

 private:
  // The running QApplication, made when there is none yet.
  void EnsureApplication();

  int& argc_;
  char** argv_;
  std::unique_ptr<QApplication> app_;
};

// The hooks' two windows, for a program that already has a QApplication (and for tests).
bool RunFirstRun();
int RunHostWindow(const std::optional<std::string>& project);

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_DESKTOP_HOOKS_H_
