// The console's your-site information (gather, show) and its help button.
#include <QPushButton>

#include "console/site_information.h"
#include "console/window/bot_form.h"
#include "console/window/console_controls.h"
#include "console/window/partner_panel.h"
#include "console/window/settings_bar.h"
#include "views/window/analyze_view_form.h"
#include "views/window/help.h"
#include "views/window/kw_comparative_form.h"
#include "views/window/message_form.h"
#include "views/window/rich_text.h"

namespace zeb {

void TZEBBotForm::GatherSiteInformation() {
  if (gathering_ || Running()) return;
  gathering_ = true;
  for (QWidget* control :
       {static_cast<QWidget*>(settings_bar_->gather_button()),
        static_cast<QWidget*>(settings_bar_->show_button()), static_cast<QWidget*>(HTMLButton2),
        static_cast<QWidget*>(HTMLButton6)}) {
    control->setEnabled(false);
  }
  partners_->SetProjectListEnabled(false);
  const std::string project = partners_->CurrentProject();
  const std::string settings_file = options_.settings_file;
  const std::string data_folder = options_.locations.DataFolder;
  const int kw_density = settings_->settings().KWDensity;
  if (gather_thread_.joinable()) gather_thread_.join();
  // The fetch runs on a thread of its own; each status text and the end come back through the
  // event loop, so the window stays painted and answers clicks meanwhile.
  gather_thread_ = std::thread([this, project, settings_file, data_folder, kw_density] {
    auto status = [this](const std::string& text) {
      QMetaObject::invokeMethod(
          this, [this, text] { settings_bar_->SetSiteStatus(FromBytes(text)); },
          Qt::QueuedConnection);
    };
    GatherOutcome outcome;
    try {
      outcome = zeb::GatherSiteInformation(SettingsStore(settings_file), data_folder, project,
                                           kw_density, status);
    } catch (const std::exception& e) {
      outcome.status = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this, outcome] { GatheringEnded(outcome.status, outcome.dialog_html); },
        Qt::QueuedConnection);
  });
}

void TZEBBotForm::GatheringEnded(const std::string& status, const std::string& dialog_html) {
  if (gather_thread_.joinable()) gather_thread_.join();
  if (!dialog_html.empty()) ShowMessageDialog(MessageKind::kOkOnly, dialog_html, this);
  // The last status normally came through already; an error raised outside the gathering
  // itself (the data folder) did not.
  if (settings_bar_->SiteStatus() != FromBytes(status)) {
    settings_bar_->SetSiteStatus(FromBytes(status));
  }
  gathering_ = false;
  for (QWidget* control :
       {static_cast<QWidget*>(settings_bar_->gather_button()),
        static_cast<QWidget*>(settings_bar_->show_button()), static_cast<QWidget*>(HTMLButton6)}) {
    control->setEnabled(true);
  }
  partners_->SetProjectListEnabled(true);
  UpdateRunButton();
}

void TZEBBotForm::ShowSiteInformation() {
  const std::string project = partners_->CurrentProject();
  if (project.empty()) {
    settings_bar_->SetSiteStatus("Project must be selected");
    return;
  }
  std::string html;
  try {
    html = zeb::ShowSiteInformation(options_.locations.DataFolder, project);
  } catch (const std::exception& e) {
    ShowConsoleError("The project cannot be read", e, this);
    return;
  }
  ShowMessageDialog(MessageKind::kOkOnly, html, this);
}

void TZEBBotForm::ShowHelp() { ShowHelpTopic(HelpTopic::kConsole, this); }

namespace {

// A result view for the console's project and selected partner, modal until it is closed.
template <typename View>
void OpenResultView(const FileLocations& locations, const std::string& project,
                    const std::string& partner, QWidget* parent) {
  View view(locations, parent);
  view.ProjectName = project;
  view.PartnerName = partner;
  view.exec();
}

}  // namespace

void TZEBBotForm::HTMLButton1Click() {
  OpenResultView<TZEBAnalyzeViewForm>(options_.locations, partners_->CurrentProject(),
                                      partners_->SelectedPartnerName(), this);
}

void TZEBBotForm::OpenKeywordAnalysis() {
  OpenResultView<TZEBKWComparativeForm>(options_.locations, partners_->CurrentProject(),
                                        partners_->SelectedPartnerName(), this);
}

}  // namespace zeb
