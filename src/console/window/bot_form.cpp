// The console window's composition: its panels and controls, their layout, the wiring between
// the panels, the settings bar and the run controller, and where the window keeps its place.
#include "console/window/bot_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include "console/bot_settings.h"
#include "console/window/console_controls.h"
#include "console/window/partner_panel.h"
#include "console/window/result_tree_panel.h"
#include "console/window/run_watch_panel.h"
#include "console/window/settings_bar.h"
#include "data/settings_store.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"

namespace zeb {

// The controller's observer: called on the GUI thread, it only notes what changed.
class TZEBBotForm::Observer : public RunObserver {
 public:
  explicit Observer(TZEBBotForm& form) : form_(form) {}
  void OnDisplayChanged() override { form_.DisplayChanged(); }
  void OnMessage(const std::string&, MessageRole) override { form_.DisplayChanged(); }
  void OnRunFinished() override { form_.RunFinished(); }

 private:
  TZEBBotForm& form_;
};

TZEBBotForm::TZEBBotForm(BotFormOptions options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), selection_(options_.locations) {
  settings_ = std::make_unique<BotSettingsEditor>(SettingsStore(options_.settings_file),
                                                  options_.locations.DataFolder);
  controller_ = std::make_unique<RunController>(options_.locations, options_.settings_file,
                                                settings_->settings(), options_.run_options);
  observer_ = std::make_unique<Observer>(*this);
  controller_->set_observer(observer_.get());
  BuildControls();

  serve_timer_ = new QTimer(this);
  serve_timer_->setSingleShot(true);
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  // Crawl threads queue their calls on the controller's dispatcher; the hook asks the event
  // loop, once per batch, to serve them on this thread.
  controller_->dispatcher().TakeOwnership();
  controller_->dispatcher().SetWakeHook([this] { WakeFromAnyThread(); });
  Connect();
  RestorePlacement();
  SetControlsEnabled(true);
  Refresh();
}

TZEBBotForm::~TZEBBotForm() {
  if (gather_thread_.joinable()) gather_thread_.join();
  controller_->set_observer(nullptr);
  // The hook points at this window: clear it, then let the controller end any threads while
  // the window's members are still alive.
  controller_->dispatcher().SetWakeHook({});
  controller_.reset();
}

void TZEBBotForm::BuildControls() {
  InitGuiResources();
  setObjectName("TZEBBotForm");
  setWindowTitle("ZEB Bot");
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  settings_bar_ = new SettingsBar(*settings_, options_.locations.ExeFolder);
  partners_ = new PartnerPanel(selection_, *controller_);
  watch_ = new RunWatchPanel;
  results_ = new ResultTreePanel(*controller_);
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(settings_bar_);
  splitter->addWidget(partners_);
  auto* right = new QSplitter(Qt::Vertical);
  right->setChildrenCollapsible(false);
  right->addWidget(watch_);
  right->addWidget(results_);
  right->setStretchFactor(0, 2);
  right->setStretchFactor(1, 3);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setStretchFactor(2, 3);

  Label4 = MakeHintLine("Label4", kConsoleDefaultHint);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 6);
  layout->setSpacing(8);
  layout->addWidget(partners_->project_row());
  layout->addWidget(splitter, 1);
  layout->addWidget(BuildButtonBar());
  layout->addWidget(Label4);
  resize(1360, 760);
}

QWidget* TZEBBotForm::BuildButtonBar() {
  auto* bar = new QWidget;
  HTMLButton2 = ConsoleButton("HTMLButton2", "<B>Run Checked</B>", "Run the checked partners.");
  HTMLButton15 = ConsoleButton("HTMLButton15", kPauseCaption, "Pause the run, or resume it.");
  HTMLButton3 = ConsoleButton("HTMLButton3", "Stop", "Stop the run after the pages in hand.");
  HTMLButton1 = ConsoleButton("HTMLButton1", "Position Analysis...",
                              "Chart where your links sit on the partners' pages.");
  keyword_button_ = ConsoleButton("KeywordAnalysisButton", "Keyword Analysis...",
                                  "Compare your keywords with the partners' pages.");
  help_button_ = ConsoleButton("HelpButton", "Help", "How the console and its settings work.");
  HTMLButton6 = ConsoleButton("HTMLButton6", "Close", "Close the console.");
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(HTMLButton2);
  layout->addWidget(HTMLButton15);
  layout->addWidget(HTMLButton3);
  layout->addStretch(1);
  layout->addWidget(HTMLButton1);
  layout->addWidget(keyword_button_);
  layout->addStretch(1);
  layout->addWidget(help_button_);
  layout->addWidget(HTMLButton6);
  return bar;
}

void TZEBBotForm::Connect() {
  connect(serve_timer_, &QTimer::timeout, this, &TZEBBotForm::ServeController);
  connect(refresh_timer_, &QTimer::timeout, this, &TZEBBotForm::Refresh);

  connect(partners_, &PartnerPanel::RedrawNeeded, this, &TZEBBotForm::Refresh);
  connect(partners_, &PartnerPanel::RunnableChanged, this, &TZEBBotForm::UpdateRunButton);
  connect(partners_, &PartnerPanel::StartAndFindEnabled, watch_,
          &RunWatchPanel::SetStartAndFindEnabled);
  connect(results_, &ResultTreePanel::RedrawNeeded, this, &TZEBBotForm::Refresh);
  connect(results_, &ResultTreePanel::LockTreeToggled, settings_bar_,
          [this] { settings_bar_->MarkChanged(SettingsPanel::kMisc); });  // as it always did
  // The throttles stay editable during a run: threads started afterwards use the new values.
  connect(settings_bar_, &SettingsBar::ThrottlesChanged, this, [this](int band, int proc) {
    if (Running()) controller_->SetThrottles(band, proc);
  });
  connect(settings_bar_->show_button(), &QPushButton::clicked, this,
          &TZEBBotForm::ShowSiteInformation);
  connect(settings_bar_->gather_button(), &QPushButton::clicked, this,
          &TZEBBotForm::GatherSiteInformation);

  connect(help_button_, &QPushButton::clicked, this, &TZEBBotForm::ShowHelp);
  connect(keyword_button_, &QPushButton::clicked, this, &TZEBBotForm::OpenKeywordAnalysis);
  connect(HTMLButton1, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton1Click);
  connect(HTMLButton2, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton2Click);
  connect(HTMLButton15, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton15Click);
  connect(HTMLButton3, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton3Click);
  connect(HTMLButton6, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton6Click);
}

void TZEBBotForm::RestorePlacement() {
  zeb::RestorePlacement(*this, options_.locations.ExeFolder, "ZEBBot");
}

void TZEBBotForm::SavePlacement() {
  zeb::SavePlacement(*this, options_.locations.ExeFolder, "ZEBBot");
}

}  // namespace zeb
