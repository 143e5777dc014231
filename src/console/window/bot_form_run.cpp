// The console window's run: the host's choice on showing, Run Checked, Pause, Stop and Close,
// serving the run controller from the Qt event loop and redrawing the panels from its display.
#include <QCloseEvent>
#include <QTimer>
#include <algorithm>

#include "console/bot_settings.h"
#include "console/window/bot_form.h"
#include "console/window/console_controls.h"
#include "console/window/partner_panel.h"
#include "console/window/result_tree_panel.h"
#include "console/window/run_watch_panel.h"
#include "console/window/settings_bar.h"
#include "views/window/message_form.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"
#include "text/html_text.h"

namespace zeb {
namespace {

constexpr int kRefreshMs = 50;  // at most 20 redraws a second

}  // namespace

void TZEBBotForm::FormShow() {
  if (options_.AutoRun) {
    std::vector<std::string> errors;
    try {
      errors = selection_.AutoRunErrors(options_.ProjectName, options_.PartnerNames);
    } catch (const std::exception& e) {
      errors.push_back("<B>Error</B><BR>The data folder cannot be read: " + HtmlEscaped(e.what()));
    }
    if (!errors.empty()) options_.AutoRun = false;
    for (const std::string& error : errors) ShowMessageDialog(MessageKind::kOkOnly, error, this);
  }
  partners_->LoadProjects();
  UpdateRunButton();
  settings_bar_->MarkAllClean();
  partners_->Preselect(options_.ProjectName, options_.PartnerName, options_.PartnerNames);
  UpdateRunButton();
  controller_->SetAutoRun(options_.AutoRun);
  if (options_.AutoRun) HTMLButton2Click();
}

void TZEBBotForm::UpdateRunButton() {
  if (Running()) return;
  const ConsoleDisplay& display = controller_->display();
  const RunButtonState state = zeb::UpdateRunButton(
      partners_->CurrentProject(), partners_->CheckedCount(), display.Label35, display.Label33);
  watch_->ShowPartnerCount(FromBytes(state.Label24));
  HTMLButton2->setEnabled(state.enabled);
}

void TZEBBotForm::SetControlsEnabled(bool on) {
  for (QWidget* control :
       {static_cast<QWidget*>(HTMLButton2), static_cast<QWidget*>(HTMLButton6),
        static_cast<QWidget*>(keyword_button_), static_cast<QWidget*>(HTMLButton1)}) {
    control->setEnabled(on);
  }
  partners_->SetControlsEnabled(on);
  partners_->ShowPartnerEnabled();  // the run's state decides with the number checked
  settings_bar_->SetControlsEnabled(on);
}

void TZEBBotForm::HTMLButton2Click() {
  const std::vector<std::string> partners = partners_->CheckedPartners();
  try {
    // The panels' values as they stand, saved or not.
    controller_->UseSettings(settings_->settings());
    settings_bar_->RememberUserAgent();
    controller_->HTMLButton2Click(partners_->CurrentProject(), partners);
    // Stored values that could not be used as they stand (defaults taken, numbers clamped).
    if (Running()) {
      for (const std::string& line : settings_->problems()) controller_->AddMessage(line);
    }
  } catch (const std::exception& e) {
    ShowConsoleError("The run cannot start", e, this);
    return;
  }
  // A run without partners has ended already.
  if (Running()) SetControlsEnabled(false);
  Refresh();
  ServeController();
}

void TZEBBotForm::HTMLButton15Click() {
  HTMLButton15->setEnabled(false);
  controller_->HTMLButton15Click();
  Refresh();
  ServeController();
}

void TZEBBotForm::HTMLButton3Click() {
  controller_->HTMLButton3Click();
  Refresh();
  ServeController();
}

void TZEBBotForm::HTMLButton6Click() { close(); }

// ---- Serving the controller -------------------------------------------------------------

void TZEBBotForm::WakeFromAnyThread() {
  // One queued serve at a time: a thread that posts 10,000 notices asks once.
  if (serve_queued_.exchange(true)) return;
  QMetaObject::invokeMethod(this, &TZEBBotForm::ServeController, Qt::QueuedConnection);
}

void TZEBBotForm::ServeController() {
  serve_queued_ = false;
  const std::optional<Dispatcher::Clock::time_point> due = controller_->ServeDue();
  if (!due) {
    serve_timer_->stop();
    return;
  }
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Dispatcher::Clock::now());
  serve_timer_->start(static_cast<int>(std::max<std::int64_t>(0, wait.count())));
}

void TZEBBotForm::DisplayChanged() {
  if (refresh_pending_) return;
  refresh_pending_ = true;
  refresh_timer_->start(kRefreshMs);
}

void TZEBBotForm::Refresh() {
  refresh_pending_ = false;
  refresh_timer_->stop();
  const ConsoleDisplay& display = controller_->display();
  watch_->Refresh(display, controller_->Connections(), Running());
  HTMLButton15->setHtml(display.paused ? kResumeCaption : kPauseCaption);
  HTMLButton3->setEnabled(display.stop_enabled);
  HTMLButton15->setEnabled(display.pause_enabled);
  results_->Refresh(display);
  partners_->Refresh(display);
  emit Refreshed();
}

void TZEBBotForm::RunFinished() {
  Refresh();
  SetControlsEnabled(true);
  partners_->LoadPartners();
  partners_->SelectPartnerItem(controller_->display().selected_partner);
  HTMLButton2->setEnabled(false);  // enabled again by the next click in the list
  if (controller_->display().close_requested) {
    QMetaObject::invokeMethod(
        this, [this] { done(QDialog::Accepted); }, Qt::QueuedConnection);
  }
}

// ---- The window's own events ---------------------------------------------------------------

void TZEBBotForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  // After the window is on screen, so that AutoRun's messages stand over it.
  QMetaObject::invokeMethod(this, &TZEBBotForm::FormShow, Qt::QueuedConnection);
}

void TZEBBotForm::closeEvent(QCloseEvent* event) {
  if (Running() || gathering_) {
    event->ignore();
    return;
  }
  SavePlacement();
  QDialog::closeEvent(event);
}

void TZEBBotForm::reject() {
  if (Running() || gathering_) return;
  SavePlacement();
  QDialog::reject();
}

bool TZEBBotForm::event(QEvent* event) {
  // The hint line: the long hint of the control under the mouse, or the default line.
  if (ShowHint(event, Label4, kConsoleDefaultHint)) return true;
  return QDialog::event(event);
}

}  // namespace zeb
