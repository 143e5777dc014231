// zebhost analysis and kwcompare: open the two result views.
#include <QApplication>
#include <memory>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "views/analyze_view_form.h"
#include "views/kw_comparative_form.h"

namespace zebhost {

std::unique_ptr<QApplication> MakeApplication() {
  if (QApplication::instance() != nullptr) return nullptr;  // a host's application serves
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
  return std::make_unique<QApplication>(argc, argv);
}

namespace {

// Opens one of the result views: [--project P] [--partner N], modal until it is closed.
template <typename View>
int OpenView(const std::vector<std::string>& args, const char* usage) {
  Arguments a(args, {"project", "partner"}, {});
  a.ExpectPositional(0, usage);
  zeb::SettingsStore store = OpenStore();
  std::unique_ptr<QApplication> app = MakeApplication();
  View view(zeb::ReadFileLocations(store));
  view.ProjectName = a.Value("project").value_or("");
  view.PartnerName = a.Value("partner").value_or("");
  view.exec();
  return 0;
}

}  // namespace

int Analysis(const std::vector<std::string>& args, std::ostream&) {
  return OpenView<zeb::TZEBAnalyzeViewForm>(
      args, "usage: zebhost analysis [--project P] [--partner N]");
}

int KwCompare(const std::vector<std::string>& args, std::ostream&) {
  return OpenView<zeb::TZEBKWComparativeForm>(
      args, "usage: zebhost kwcompare [--project P] [--partner N]");
}

}  // namespace zebhost
