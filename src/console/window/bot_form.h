// The bot console window: pick a project, check partners, run them, watch the crawl (the
// connection bars, the counters, the running messages) and read the result tree.
//
// The window composes its panels (PartnerPanel: the project and partner lists; RunWatchPanel:
// the current partner, the chart and the messages; ResultTreePanel: the result tree) with the
// settings bar, and keeps the run buttons, the hint line and the your-site information. It owns
// RunController and serves it from the Qt event loop: the crawl threads' calls reach the GUI
// thread through the dispatcher's wake hook, the two run timers through one single-shot QTimer,
// and the panels are redrawn at most 20 times a second from the controller's ConsoleDisplay.
// No run logic and no SQL live here. GUI thread only.
#ifndef ZEB_CONSOLE_WINDOW_BOT_FORM_H_
#define ZEB_CONSOLE_WINDOW_BOT_FORM_H_

#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "console/partner_selection.h"
#include "console/run_controller.h"

class QLabel;
class QTimer;

namespace zeb {

class HtmlButton;
class PartnerPanel;
class ResultTreePanel;
class RunWatchPanel;
class SettingsBar;

// What the host hands the console.
struct BotFormOptions {
  FileLocations locations;
  std::string settings_file;              // the settings store
  std::string ProjectName;                // the project to show, may be empty
  std::string PartnerName;                // the partner to select, may be empty
  std::vector<std::string> PartnerNames;  // the partners to check
  bool AutoRun = false;                   // check, run and close by itself
  RunOptions run_options;                 // timer intervals (tests shorten them)
};

class TZEBBotForm : public QDialog {
  Q_OBJECT

 public:
  explicit TZEBBotForm(BotFormOptions options, QWidget* parent = nullptr);
  ~TZEBBotForm() override;

  RunController& controller() { return *controller_; }
  bool Running() const { return controller_->Running(); }

  // Esc and the Close button: refused while a run is on.
  void reject() override;

 public slots:
  // The host's choice once the window is on screen: the AutoRun checks, the project, the
  // partner and the checks; AutoRun then runs.
  void FormShow();
  // Run Checked and Label24 while no run is on.
  void UpdateRunButton();
  void HTMLButton2Click();   // Run Checked
  void HTMLButton15Click();  // Pause / Resume
  void HTMLButton3Click();   // Stop
  void HTMLButton6Click();   // Close

 signals:
  // The display was redrawn from the controller (at most about 20 times a second).
  void Refreshed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  class Observer;

  // The Pause button's two captions.
  static constexpr const char* kPauseCaption = "<P align=\"center\">Pause</P>";
  static constexpr const char* kResumeCaption = "<P align=\"center\">Resume</P>";

  void BuildControls();
  QWidget* BuildButtonBar();
  void Connect();
  void RestorePlacement();
  void SavePlacement();

  // Serving the controller from the event loop.
  void WakeFromAnyThread();
  void ServeController();
  void DisplayChanged();
  void Refresh();
  void RunFinished();

  void SetControlsEnabled(bool on);
  // Your-site information: gather on a worker thread (the window stays live; a second
  // gathering, a run and closing wait for it), show what is stored, and the help page.
  void GatherSiteInformation();
  void GatheringEnded(const std::string& status, const std::string& dialog_html);
  void ShowSiteInformation();
  void ShowHelp();
  // Keyword Analysis...: the keyword comparative view for the project and selected partner.
  void OpenKeywordAnalysis();
  // Position Analysis...: the analysis view for the project and selected partner.
  void HTMLButton1Click();

  BotFormOptions options_;
  PartnerSelection selection_;
  std::unique_ptr<BotSettingsEditor> settings_;  // the settings bar's values, read by a run
  std::unique_ptr<RunController> controller_;
  std::unique_ptr<Observer> observer_;

  SettingsBar* settings_bar_;   // the six settings panels on the left
  PartnerPanel* partners_;      // the project list and the partner check list
  RunWatchPanel* watch_;        // the current partner, the connection chart, the messages
  ResultTreePanel* results_;    // the result tree, Lock Tree, Backlink and Start Base
  HtmlButton* HTMLButton2;      // Run Checked
  HtmlButton* HTMLButton15;     // Pause / Resume
  HtmlButton* HTMLButton3;      // Stop
  HtmlButton* HTMLButton6;      // Close
  HtmlButton* keyword_button_;  // Keyword Analysis...: the keyword comparison view
  HtmlButton* help_button_;     // Help: the console's help page
  HtmlButton* HTMLButton1;      // Position Analysis
  QLabel* Label4;               // the bottom hint line

  QTimer* serve_timer_;    // fires when the controller's next timer falls due
  QTimer* refresh_timer_;  // coalesces display changes: one redraw per 50 ms at most
  std::atomic<bool> serve_queued_{false};
  bool shown_once_ = false;
  bool gathering_ = false;  // a gathering of your-site information is under way
  std::thread gather_thread_;
  bool refresh_pending_ = false;
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_BOT_FORM_H_
