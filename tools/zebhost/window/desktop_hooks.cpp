#include "window/desktop_hooks.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <exception>
#include <memory>

#include "commands.h"
#include "common.h"
#include "data/file_locations.h"
#include "desktop.h"
#include "setup.h"
#include "window/first_run_dialog.h"
#include "window/form_support.h"
#include "window/host_window.h"

namespace zebhost {

DesktopSession::DesktopSession(int& argc, char** argv) : argc_(argc), argv_(argv) {
  DesktopHooks hooks;
  hooks.first_run = [this] {
    EnsureApplication();
    return RunFirstRun();
  };
  hooks.host_window = [this](const std::optional<std::string>& project) {
    EnsureApplication();
    return RunHostWindow(project);
  };
  SetDesktopHooks(std::move(hooks));
}

DesktopSession::~DesktopSession() {
  SetDesktopHooks({});
  app_.reset();
}

void DesktopSession::EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  app_ = std::make_unique<QApplication>(argc_, argv_);
  QApplication::setApplicationName("ZEB Bot");
  QApplication::setApplicationVersion(Version());
  QApplication::setDesktopFileName("zebbot");
}

bool RunFirstRun() {
  FirstRunDialog dialog(SuggestedFolders());
  return dialog.exec() == QDialog::Accepted;
}

int RunHostWindow(const std::optional<std::string>& project) {
  std::unique_ptr<HostWindow> window;
  try {
    window = std::make_unique<HostWindow>(
        std::make_unique<HostData>(zeb::ReadFileLocations(OpenStore())));
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QObject::tr("ZEB Bot"),
                          QObject::tr("ZEB Bot cannot open its data: %1").arg(Sentence(e)));
    return 2;
  }
  if (project && !window->SelectProject(*project)) {
    // The window opens all the same, on its first project.
    window->Say(QObject::tr("There is no project %1").arg(QString::fromStdString(*project)));
  }
  QEventLoop loop;
  QObject::connect(window.get(), &HostWindow::closed, &loop, &QEventLoop::quit);
  window->show();
  window->raise();
  window->activateWindow();  // the keyboard goes to the window from the start
  loop.exec();
  return 0;
}

}  // namespace zebhost
