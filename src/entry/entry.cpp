// The plug-in's exported functions: each takes its single-instance lock, makes sure there is a
// QApplication, builds its window from the host's arguments, shows it modally and cleans up,
// whatever happens on the way.
#include "zebbot.h"

#include <QApplication>
#include <QMessageBox>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "console/window/bot_form.h"
#include "data/file_locations.h"
#include "data/settings_store.h"
#include "entry/instance_lock.h"
#include "views/window/analyze_view_form.h"
#include "views/window/kw_comparative_form.h"

struct ZebStringList {
  std::vector<std::string> items;
};

namespace zeb {
namespace {

// The QApplication of one call: the host's when it is a Qt program, else one made for the
// call and removed after it.
class CallApplication {
 public:
  CallApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "zebbot";
    static char* argv[] = {name, nullptr};
    own_ = std::make_unique<QApplication>(argc, argv);
  }
  // False when the host runs a Qt application without widgets.
  bool usable() const { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

 private:
  std::unique_ptr<QApplication> own_;
};

// Makes the window transient for the host's main window, when the host names one.
std::unique_ptr<QWindow> AdoptHostWindow(QWidget& window, const ZebHost* host) {
  if (host == nullptr || host->main_window == 0) return nullptr;
  std::unique_ptr<QWindow> parent(QWindow::fromWinId(static_cast<WId>(host->main_window)));
  if (parent == nullptr) return nullptr;
  window.winId();  // the native window exists from here on
  if (window.windowHandle() != nullptr) window.windowHandle()->setTransientParent(parent.get());
  return parent;
}

void Report(const std::string& what) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    QMessageBox::critical(nullptr, "ZEB Bot", QString::fromLocal8Bit(what.c_str()));
  } else {
    std::fprintf(stderr, "zebbot: %s\n", what.c_str());
  }
}

// Runs the body of an exported call: nothing it throws, not even a failed allocation while the
// arguments are copied or a failure to report, may cross the C interface.
template <typename Body>
void Guarded(Body body) noexcept {
  try {
    body();
  } catch (const std::exception& e) {
    try {
      Report(std::string("The window cannot be shown: ") + e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      Report("The window cannot be shown.");
    } catch (...) {
    }
  }
}

FileLocations Locations() {
  return ReadFileLocations(SettingsStore(SettingsStore::DefaultPath()));
}

// One entry: the lock, the application, the window (made by `make`), and the clean-up.
template <typename Make>
void RunEntry(const char* lock_name, const ZebHost* host, bool transient, Make make) {
  InstanceLock lock(lock_name);
  if (lock.state() == InstanceLock::State::kTakenElsewhere) return;
  try {
    CallApplication app;
    if (!app.usable()) {
      Report("the host's Qt application has no widgets; the window cannot be shown");
      return;
    }
    std::unique_ptr<QDialog> window = make();
    std::unique_ptr<QWindow> parent = transient ? AdoptHostWindow(*window, host) : nullptr;
    window->exec();
    window.reset();
  } catch (const std::exception& e) {
    Report(std::string("The window cannot be shown: ") + e.what());
  } catch (...) {
    Report("The window cannot be shown.");
  }
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The two result views: transient for the host's window, with the project and partner.
template <typename View>
void RunView(const char* lock_name, const ZebHost* host, const char* project,
             const char* partner) {
  Guarded([&] {
    const std::string project_name = Text(project), partner_name = Text(partner);
    RunEntry(lock_name, host, true, [&] {
      auto view = std::make_unique<View>(Locations());
      view->ProjectName = project_name;
      view->PartnerName = partner_name;
      return std::unique_ptr<QDialog>(std::move(view));
    });
  });
}

}  // namespace
}  // namespace zeb

extern "C" {

ZebStringList* zeb_string_list_create(void) { return new (std::nothrow) ZebStringList; }

int zeb_string_list_add(ZebStringList* list, const char* text) {
  if (list == nullptr) return -1;
  try {
    list->items.push_back(zeb::Text(text));
    return 0;
  } catch (...) {
    return -1;
  }
}

int zeb_string_list_count(const ZebStringList* list) {
  return list != nullptr ? static_cast<int>(list->items.size()) : 0;
}

void zeb_string_list_free(ZebStringList* list) { delete list; }

void _RunZEBBot(const ZebHost* host, int auto_run, const char* project,
                ZebStringList* partners) {
  // The list is the library's from here on, whatever becomes of the call.
  std::unique_ptr<ZebStringList> owned(partners);
  zeb::Guarded([&] {
    zeb::BotFormOptions options;
    options.ProjectName = zeb::Text(project);
    if (owned) options.PartnerNames = owned->items;
    options.AutoRun = (auto_run & 0xff) != 0;  // only the low byte counts
    // The console is a top-level window of its own, not the host window's.
    zeb::RunEntry("ZEBBot.Mutex", host, false, [&] {
      options.locations = zeb::Locations();
      options.settings_file = zeb::SettingsStore::DefaultPath().string();
      return std::unique_ptr<QDialog>(std::make_unique<zeb::TZEBBotForm>(options));
    });
  });
}

void _RunZEBBotAnalysis(const ZebHost* host, const char* project, const char* partner) {
  zeb::RunView<zeb::TZEBAnalyzeViewForm>("ZEBBotAnalysis.Mutex", host, project, partner);
}

void _RunZEBBotKWComparison(const ZebHost* host, const char* project, const char* partner) {
  zeb::RunView<zeb::TZEBKWComparativeForm>("ZEBBotAnalyzeView.Mutex", host, project, partner);
}

}  // extern "C"
