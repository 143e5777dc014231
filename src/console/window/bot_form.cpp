// The console window's controls, their layout, and where the window keeps its place.
#include "console/window/bot_form.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include "console/window/settings_bar.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"

namespace zeb {
namespace {

QLabel* ValueLabel(const char* name, const QString& hint) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setStatusTip(hint);
  return label;
}

QLabel* Caption(const QString& text) {
  auto* label = new QLabel(text);
  label->setStyleSheet("color: palette(mid);");
  return label;
}

HtmlButton* Button(const char* name, const QString& html, const QString& hint) {
  auto* button = new HtmlButton(html);
  button->setObjectName(name);
  button->setStatusTip(hint);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

void TZEBBotForm::BuildControls() {
  InitGuiResources();
  setObjectName("TZEBBotForm");
  setWindowTitle("ZEB Bot");
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ImageList1[0] = QIcon(":/zeb/found.png");
  ImageList1[1] = QIcon(":/zeb/notfound.png");

  auto* top = new QHBoxLayout;
  top->setSpacing(8);
  ComboBox3 = new QComboBox;
  ComboBox3->setObjectName("ComboBox3");
  ComboBox3->setMinimumContentsLength(24);
  ComboBox3->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboBox3->setStatusTip("The project: your site, whose partners are listed below.");
  auto* project_caption = new QLabel("&Project:");
  project_caption->setBuddy(ComboBox3);
  top->addWidget(project_caption);
  top->addWidget(ComboBox3);
  top->addStretch(1);

  settings_bar_ = new SettingsBar(*settings_, options_.locations.ExeFolder);
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(settings_bar_);
  splitter->addWidget(BuildPartnerPanel());
  auto* right = new QSplitter(Qt::Vertical);
  right->setChildrenCollapsible(false);
  right->addWidget(BuildRunPanel());
  right->addWidget(BuildTreePanel());
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
  layout->addLayout(top);
  layout->addWidget(splitter, 1);
  layout->addWidget(BuildButtonBar());
  layout->addWidget(Label4);
  resize(1360, 760);
}

QWidget* TZEBBotForm::BuildPartnerPanel() {
  auto* box = new QGroupBox("Partners");
  CheckListBox1 = new QListWidget;
  CheckListBox1->setObjectName("CheckListBox1");
  CheckListBox1->setStatusTip(
      "Check the partners to run; the mark shows whether your link was found last time.");
  CheckListBox1->setIconSize(QSize(16, 16));
  CheckListBox1->setUniformItemSizes(true);
  HTMLButton4 = Button("HTMLButton4", "Check All", "Check every partner of the list.");
  HTMLButton13 = Button("HTMLButton13", "Uncheck All", "Uncheck every partner of the list.");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(HTMLButton4);
  buttons->addWidget(HTMLButton13);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(CheckListBox1, 1);
  layout->addLayout(buttons);
  box->setMinimumWidth(230);
  return box;
}

QWidget* TZEBBotForm::BuildRunPanel() {
  auto* panel = new QWidget;
  auto* partner_box = new QGroupBox("Current partner");
  HTMLabel2 = new QLabel;
  HTMLabel2->setObjectName("HTMLabel2");
  HTMLabel2->setStatusTip("Opens the partner's home page in your browser.");
  HTMLabel1 = new QLabel;
  HTMLabel1->setObjectName("HTMLabel1");
  HTMLabel1->setStatusTip("Opens the page where the crawl starts in your browser.");
  for (QLabel* link : {HTMLabel2, HTMLabel1}) {
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [](const QString& url) { OpenWebLink(url); });
  }
  Label35 = ValueLabel("Label35", "The page where the crawl of this partner starts.");
  Label33 = ValueLabel("Label33", "The Find text: the crawl looks for it on the partner's pages.");
  Label28 = ValueLabel("Label28", "The hop of the page begun last (the start page is hop 0).");
  Label24 = ValueLabel("Label24", "The partner being run, of the checked partners.");
  Label16 = ValueLabel("Label16", "Links found on the pages read so far.");
  Label17 = ValueLabel("Label17", "Pages in the crawl's list / pages handed out.");
  Label35->setWordWrap(true);
  Label33->setWordWrap(true);
  auto* grid = new QGridLayout(partner_box);
  grid->setHorizontalSpacing(12);
  auto* links = new QHBoxLayout;
  links->addWidget(HTMLabel2);
  links->addSpacing(16);
  links->addWidget(HTMLabel1);
  links->addStretch(1);
  grid->addLayout(links, 0, 0, 1, 4);
  grid->addWidget(Caption("Start at:"), 1, 0);
  grid->addWidget(Label35, 1, 1, 1, 3);
  grid->addWidget(Caption("Find:"), 2, 0);
  grid->addWidget(Label33, 2, 1, 1, 3);
  grid->addWidget(Caption("Hops:"), 3, 0);
  grid->addWidget(Label28, 3, 1);
  grid->addWidget(Caption("Partner:"), 3, 2);
  grid->addWidget(Label24, 3, 3);
  grid->addWidget(Caption("Links found:"), 4, 0);
  grid->addWidget(Label16, 4, 1);
  grid->addWidget(Caption("Queued/processed:"), 4, 2);
  grid->addWidget(Label17, 4, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(partner_box);
  layout->addWidget(BuildWatchPanel(), 1);
  return panel;
}

QWidget* TZEBBotForm::BuildWatchPanel() {
  Series1 = new QBarSet("Connections");
  Series1->setObjectName("Series1");
  Series1->setColor(QColor(0x3b, 0x82, 0xc4));
  Series1->setBorderColor(QColor(0x2a, 0x5f, 0x91));
  auto* series = new QHorizontalBarSeries;
  series->append(Series1);
  series->setBarWidth(0.7);
  auto* chart = new QChart;
  chart->addSeries(series);
  chart->legend()->hide();
  chart->setMargins(QMargins(4, 4, 4, 4));
  chart->setBackgroundRoundness(0);
  auto* percent = new QValueAxis;
  percent->setRange(0, 100);
  percent->setLabelFormat("%d");
  percent->setTickCount(6);
  chart_slots_ = new QBarCategoryAxis;
  chart_slots_->setTruncateLabels(false);
  chart->addAxis(percent, Qt::AlignBottom);
  chart->addAxis(chart_slots_, Qt::AlignLeft);
  series->attachAxis(percent);
  series->attachAxis(chart_slots_);
  Chart1 = new QChartView(chart);
  Chart1->setObjectName("Chart1");
  Chart1->setRenderHint(QPainter::Antialiasing);
  Chart1->setMinimumSize(200, 160);
  Chart1->setStatusTip("One bar per connection: how far the page in hand has been read.");

  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setStatusTip("What the run has done so far.");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setMinimumWidth(200);

  auto* watch_panel = new QWidget;
  auto* watch = new QHBoxLayout(watch_panel);
  watch->setContentsMargins(0, 0, 0, 0);
  auto* chart_box = new QGroupBox("Connections");
  (new QVBoxLayout(chart_box))->addWidget(Chart1);
  auto* memo_box = new QGroupBox("Messages");
  (new QVBoxLayout(memo_box))->addWidget(Memo1);
  watch->addWidget(chart_box, 1);
  watch->addWidget(memo_box, 1);
  return watch_panel;
}

QWidget* TZEBBotForm::BuildTreePanel() {
  auto* box = new QGroupBox("Results");
  HTMLTreeview1 = new QTreeWidget;
  HTMLTreeview1->setObjectName("HTMLTreeview1");
  HTMLTreeview1->setHeaderHidden(true);
  HTMLTreeview1->setUniformRowHeights(true);
  HTMLTreeview1->setStatusTip(
      "The chain of pages to your link. Click a link to open it; select a page for Backlink or "
      "Start Base.");
  HTMLTreeview1->setMouseTracking(true);
  HTMLTreeview1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  HTMLTreeview1->header()->setStretchLastSection(true);
  tree_delegate_ = new HtmlItemDelegate(HTMLTreeview1);
  HTMLTreeview1->setItemDelegate(tree_delegate_);
  HTMLTreeview1->viewport()->installEventFilter(this);

  RECheckBox7 = new QCheckBox("Lock Tree");
  RECheckBox7->setObjectName("RECheckBox7");
  RECheckBox7->setStatusTip("Keep the tree when another partner is shown.");
  HTMLButton5 = Button("HTMLButton5", "Backlink",
                       "Store the selected page as the partner's backlink address.");
  HTMLButton14 = Button("HTMLButton14", "Start Base",
                        "Start later crawls of the partner at the selected page.");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(RECheckBox7);
  buttons->addStretch(1);
  buttons->addWidget(HTMLButton5);
  buttons->addWidget(HTMLButton14);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(HTMLTreeview1, 1);
  layout->addLayout(buttons);
  return box;
}

QWidget* TZEBBotForm::BuildButtonBar() {
  auto* bar = new QWidget;
  HTMLButton2 = Button("HTMLButton2", "<B>Run Checked</B>", "Run the checked partners.");
  HTMLButton15 = Button("HTMLButton15", kPauseCaption, "Pause the run, or resume it.");
  HTMLButton3 = Button("HTMLButton3", "Stop", "Stop the run after the pages in hand.");
  HTMLButton1 = Button("HTMLButton1", "Position Analysis...",
                       "Chart where your links sit on the partners' pages.");
  keyword_button_ = Button("KeywordAnalysisButton", "Keyword Analysis...",
                           "Compare your keywords with the partners' pages.");
  help_button_ = Button("HelpButton", "Help", "How the console and its settings work.");
  HTMLButton6 = Button("HTMLButton6", "Close", "Close the console.");
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

void TZEBBotForm::RestorePlacement() {
  zeb::RestorePlacement(*this, options_.locations.ExeFolder, "ZEBBot");
}

void TZEBBotForm::SavePlacement() {
  zeb::SavePlacement(*this, options_.locations.ExeFolder, "ZEBBot");
}

}  // namespace zeb
