// The console window's behaviour: the selection handlers, the run buttons, and serving and
// drawing the run controller from the Qt event loop.
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "console/bot_settings.h"
#include "console/window/bot_form.h"
#include "console/window/settings_bar.h"
#include "data/settings_store.h"
#include "views/window/message_form.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"

namespace zeb {
namespace {

constexpr int kRefreshMs = 50;  // at most 20 redraws a second

}  // namespace

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
  connect(serve_timer_, &QTimer::timeout, this, &TZEBBotForm::ServeController);
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  connect(refresh_timer_, &QTimer::timeout, this, &TZEBBotForm::Refresh);
  // Crawl threads queue their calls on the controller's dispatcher; the hook asks the event
  // loop, once per batch, to serve them on this thread.
  controller_->dispatcher().TakeOwnership();
  controller_->dispatcher().SetWakeHook([this] { WakeFromAnyThread(); });

  connect(ComboBox3, &QComboBox::activated, this, [this] { ComboBox3Change(); });
  connect(CheckListBox1, &QListWidget::currentItemChanged, this, [this] { ShowPartner(); });
  connect(CheckListBox1, &QListWidget::itemChanged, this, [this] {
    if (Running()) return;
    ShowPartnerEnabled();
    UpdateRunButton();
  });
  connect(RECheckBox7, &QCheckBox::toggled, this, [this](bool on) {
    controller_->SetLockTree(on);
    settings_bar_->MarkChanged(SettingsPanel::kMisc);  // as the console always did
  });
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
  connect(HTMLButton4, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton4Click);
  connect(HTMLButton13, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton13Click);
  connect(HTMLButton5, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton5Click);
  connect(HTMLButton14, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton14Click);
  connect(HTMLButton6, &QPushButton::clicked, this, &TZEBBotForm::HTMLButton6Click);
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
  RefreshLabels(display);
  RefreshBars(display);
  RefreshMemo(display);
  RefreshTree(display);
  if (display.selection_serial != selection_serial_) {
    selection_serial_ = display.selection_serial;
    SelectPartnerItem(display.selected_partner);
  }
  emit Refreshed();
}

void TZEBBotForm::RefreshLabels(const ConsoleDisplay& display) {
  HTMLabel2->setText(FromBytes(display.HTMLabel2));
  HTMLabel1->setText(FromBytes(display.HTMLabel1));
  Label35->setText(FromBytes(display.Label35));
  Label33->setText(FromBytes(display.Label33));
  Label28->setText(FromBytes(display.Label28));
  Label16->setText(FromBytes(display.Label16));
  Label17->setText(FromBytes(display.Label17));
  if (Running()) Label24->setText(FromBytes(display.Label24));
  HTMLButton15->setHtml(display.paused ? kResumeCaption : kPauseCaption);
  HTMLButton3->setEnabled(display.stop_enabled);
  HTMLButton15->setEnabled(display.pause_enabled);
  RECheckBox7->blockSignals(true);
  RECheckBox7->setChecked(display.lock_tree);
  RECheckBox7->blockSignals(false);
  RECheckBox7->setEnabled(display.lock_tree_enabled);
  HTMLButton5->setEnabled(display.tree_selection.enabled(TreeSelection::Edit::kBacklink));
  HTMLButton14->setEnabled(display.tree_selection.enabled(TreeSelection::Edit::kStartBase));
}

void TZEBBotForm::RefreshBars(const ConsoleDisplay& display) {
  const int count = controller_->Connections();
  if (count != bar_count_) {
    QStringList names;
    for (int i = count; i >= 1; --i) names << QString::number(i);
    chart_slots_->clear();
    chart_slots_->append(names);
    Series1->remove(0, Series1->count());
    for (int i = 0; i < count; ++i) Series1->append(0);
    bars_shown_.fill(0);
    bar_count_ = count;
  }
  // The first connection stands at the top of the chart.
  for (int i = 0; i < count; ++i) {
    if (display.bars[i] == bars_shown_[i]) continue;
    bars_shown_[i] = display.bars[i];
    Series1->replace(count - 1 - i, display.bars[i]);
  }
}

void TZEBBotForm::RefreshMemo(const ConsoleDisplay& display) {
  if (display.memo_generation != memo_generation_) {
    memo_generation_ = display.memo_generation;
    Memo1->clear();
    memo_shown_ = 0;
  }
  if (memo_shown_ >= display.Memo1.size()) return;
  QStringList lines;
  for (; memo_shown_ < display.Memo1.size(); ++memo_shown_) {
    lines << FromBytes(display.Memo1[memo_shown_]);
  }
  Memo1->appendPlainText(lines.join('\n'));
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TZEBBotForm::RefreshTree(const ConsoleDisplay& display) {
  if (display.tree_serial == tree_serial_) return;
  tree_serial_ = display.tree_serial;
  HTMLTreeview1->clear();
  struct Step {
    const TreeNode* node;
    QTreeWidgetItem* parent;
  };
  std::vector<Step> todo;
  for (auto it = display.HTMLTreeview1.rbegin(); it != display.HTMLTreeview1.rend(); ++it) {
    todo.push_back({&*it, nullptr});
  }
  std::vector<QTreeWidgetItem*> roots;
  while (!todo.empty()) {
    const Step step = todo.back();
    todo.pop_back();
    auto* item = new QTreeWidgetItem(QStringList{FromBytes(step.node->text)});
    if (step.parent != nullptr) {
      step.parent->addChild(item);
    } else {
      roots.push_back(item);
    }
    for (auto it = step.node->children.rbegin(); it != step.node->children.rend(); ++it) {
      todo.push_back({&*it, item});
    }
  }
  HTMLTreeview1->addTopLevelItems(QList<QTreeWidgetItem*>(roots.begin(), roots.end()));
  HTMLTreeview1->expandAll();
}

void TZEBBotForm::RunFinished() {
  Refresh();
  SetControlsEnabled(true);
  LoadPartners();
  SelectPartnerItem(controller_->display().selected_partner);
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

bool TZEBBotForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == HTMLTreeview1->viewport()) {
    if (event->type() == QEvent::MouseButtonRelease) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) TreeClicked(mouse->position().toPoint());
    } else if (event->type() == QEvent::MouseMove) {
      const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
      const QModelIndex index = HTMLTreeview1->indexAt(pos);
      QStyleOptionViewItem option;
      option.initFrom(HTMLTreeview1);
      option.rect = HTMLTreeview1->visualRect(index);
      const bool over_link =
          index.isValid() && !tree_delegate_->AnchorAt(option, index, pos).isEmpty();
      HTMLTreeview1->viewport()->setCursor(over_link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace zeb
