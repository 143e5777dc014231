// The bot console window: pick a project, check partners, run them, watch the crawl (the
// connection bars, the counters, the running messages) and read the result tree.
//
// The window is a view over RunController, which it owns and serves from the Qt event loop:
// the crawl threads' calls reach the GUI thread through the dispatcher's wake hook, the two run
// timers through one single-shot QTimer, and the display is redrawn at most 20 times a second
// from the controller's ConsoleDisplay. The lists come from PartnerSelection. No run logic and
// no SQL live here.
#ifndef ZEB_CONSOLE_WINDOW_BOT_FORM_H_
#define ZEB_CONSOLE_WINDOW_BOT_FORM_H_

#include <QDialog>
#include <QIcon>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "console/partner_selection.h"
#include "console/run_controller.h"

class QBarSet;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QChartView;
class QValueAxis;
class QBarCategoryAxis;

namespace zeb {

class HtmlButton;
class SettingsBar;
class HtmlItemDelegate;

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
  void FormShow();
  void LoadProjects();
  void ComboBox3Change();
  void LoadPartners();
  void ShowPartner();
  void UpdateRunButton();
  void HTMLButton2Click();   // Run Checked
  void HTMLButton15Click();  // Pause / Resume
  void HTMLButton3Click();   // Stop
  void HTMLButton4Click();   // check all
  void HTMLButton13Click();  // uncheck all
  void HTMLButton5Click();   // Backlink
  void HTMLButton14Click();  // Start Base
  void HTMLButton6Click();   // Close

 signals:
  // The display was redrawn from the controller (at most about 20 times a second).
  void Refreshed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Observer;

  // The Pause button's two captions.
  static constexpr const char* kPauseCaption = "<P align=\"center\">Pause</P>";
  static constexpr const char* kResumeCaption = "<P align=\"center\">Resume</P>";

  void BuildControls();
  QWidget* BuildPartnerPanel();
  QWidget* BuildRunPanel();
  QWidget* BuildWatchPanel();  // the connection chart and the running messages
  QWidget* BuildTreePanel();
  QWidget* BuildButtonBar();
  void RestorePlacement();
  void SavePlacement();

  // Serving the controller from the event loop.
  void WakeFromAnyThread();
  void ServeController();
  void DisplayChanged();
  void Refresh();
  void RefreshLabels(const ConsoleDisplay& display);
  void RefreshBars(const ConsoleDisplay& display);
  void RefreshMemo(const ConsoleDisplay& display);
  void RefreshTree(const ConsoleDisplay& display);
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
  // Label35 and Label33 are enabled with fewer than two partners checked.
  void ShowPartnerEnabled();
  void SelectPartnerItem(const std::string& name);
  void TreeClicked(const QPoint& pos);
  // Backlink / Start Base: the controller's edit, with its failure shown.
  void EditFromTree(const std::function<void()>& edit, const std::string& what);
  std::vector<std::size_t> PathOf(QTreeWidgetItem* item) const;
  std::string CurrentProject() const;
  // The partner list's current item as stored, or "" when none is current.
  std::string SelectedPartnerName() const;
  std::vector<std::string> CheckedPartners() const;
  int CheckedCount() const;
  void ShowError(const std::string& what, const std::exception& e);

  BotFormOptions options_;
  PartnerSelection selection_;
  std::unique_ptr<BotSettingsEditor> settings_;  // the settings bar's values, read by a run
  std::unique_ptr<RunController> controller_;
  std::unique_ptr<Observer> observer_;

  SettingsBar* settings_bar_;      // the six settings panels on the left
  QComboBox* ComboBox3;            // the project list
  QListWidget* CheckListBox1;      // the partner check list, with the found marks
  QIcon ImageList1[2];             // the found marks: 0 found, 1 not found
  QLabel* HTMLabel2;               // the "Partner" link to the partner's home page
  QLabel* HTMLabel1;               // the "Start at" link
  QLabel* Label35;                 // the Start-at address, read back by the run
  QLabel* Label33;                 // the Find text, read back by the run
  QLabel* Label28;                 // the hop of the node begun last
  QLabel* Label24;                 // partner n of the checked ones
  QLabel* Label16;                 // links found
  QLabel* Label17;                 // records in the frontier / handed out
  QPlainTextEdit* Memo1;           // the running messages
  QTreeWidget* HTMLTreeview1;      // the result tree; link nodes open in the browser
  QCheckBox* RECheckBox7;          // Lock Tree: keep the tree when another partner is shown
  QChartView* Chart1;              // the connection chart
  QBarSet* Series1;                // one horizontal bar per connection, 0 to 100
  QBarCategoryAxis* chart_slots_;  // the connection numbers on the chart's side
  HtmlButton* HTMLButton2;         // Run Checked
  HtmlButton* HTMLButton15;        // Pause / Resume
  HtmlButton* HTMLButton3;         // Stop
  HtmlButton* HTMLButton6;         // Close
  HtmlButton* keyword_button_;     // Keyword Analysis...: the keyword comparison view
  HtmlButton* help_button_;        // Help: the console's help page
  HtmlButton* HTMLButton4;         // check all
  HtmlButton* HTMLButton13;        // uncheck all
  HtmlButton* HTMLButton1;         // Position Analysis
  HtmlButton* HTMLButton5;         // Backlink: the selected page becomes the backlink address
  HtmlButton* HTMLButton14;        // Start Base: the selected page becomes the start page
  QLabel* Label4;                  // the bottom hint line

  HtmlItemDelegate* tree_delegate_;
  QTimer* serve_timer_;    // fires when the controller's next timer falls due
  QTimer* refresh_timer_;  // coalesces display changes: one redraw per 50 ms at most
  std::atomic<bool> serve_queued_{false};
  bool shown_once_ = false;
  bool gathering_ = false;    // a gathering of your-site information is under way
  std::thread gather_thread_;
  bool refresh_pending_ = false;
  int memo_generation_ = -1;
  std::size_t memo_shown_ = 0;
  int tree_serial_ = -1;
  int selection_serial_ = 0;
  int bar_count_ = 0;
  std::array<int, kMaxConnections> bars_shown_{};
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_BOT_FORM_H_
