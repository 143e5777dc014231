// The position analysis view: its controls, the query, the grid and the current partner.
#include "views/window/analyze_view_form.h"

#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "text/date_time.h"
#include "views/analysis_view_model.h"
#include "views/sort_keys.h"
#include "views/window/help.h"
#include "views/window/kw_comparative_form.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"

namespace zeb {
namespace {

const char* const kDefaultHint =
    "Use ZEB Analyze view to evaluate your link relative to its position among other links and "
    "words on the page.  See help for detail behind the meanings on the chart.";

QString Text(const Lines& lines) {
  QStringList out;
  for (const std::string& line : lines) out << FromBytes(line);
  return out.join('\n');
}

}  // namespace

TZEBAnalyzeViewForm::TZEBAnalyzeViewForm(FileLocations locations, QWidget* parent)
    : QDialog(parent), locations_(std::move(locations)), source_(locations_) {
  InitGuiResources();
  setObjectName("TZEBAnalyzeViewForm");
  setWindowTitle("ZEB Bot Position Analysis");
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);

  project_list_ = new QComboBox;
  project_list_->setObjectName("ProjectList");
  project_list_->setMinimumContentsLength(18);
  project_list_->setStatusTip("The project whose partners are shown.");
  order_by_ = new QComboBox;
  order_by_->setObjectName("OrderBy");
  order_by_->setStatusTip("The order of the partners in the chart and the grid.");
  for (const OrderEntry& entry : OrderEntries()) order_by_->addItem(entry.label);
  per_page_ = new QSpinBox;
  per_page_->setObjectName("PartnersPerPage");
  per_page_->setRange(0, 9999);
  per_page_->setValue(7);
  per_page_->setStatusTip("Partners on one page of the chart; 0 shows them all.");
  only_values_ = new QCheckBox("Do not show if no values");
  only_values_->setObjectName("OnlyWithValues");
  only_values_->setStatusTip("Leave out partners whose hops and positions are all 0.");
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Project:"));
  top->addWidget(project_list_);
  top->addWidget(new QLabel("Order by:"));
  top->addWidget(order_by_);
  top->addWidget(new QLabel("Partners/Page:"));
  top->addWidget(per_page_);
  top->addWidget(only_values_);
  top->addStretch(1);

  grid_ = new QTableWidget(0, kCountsColumn + 1);
  grid_->setObjectName("DataGrid");
  QStringList headers{"Site Name"};
  for (const ValueColumn& column : ValueColumns()) headers << column.grid_title;
  headers << kCountsTitle;
  grid_->setHorizontalHeaderLabels(headers);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setAlternatingRowColors(true);
  grid_->verticalHeader()->hide();
  // Counts is shown beside the name, where it is seen without scrolling; it stays the last
  // column for sorting and export.
  grid_->horizontalHeader()->moveSection(kCountsColumn, 1);
  grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  grid_->setStatusTip("Click a title to sort; Shift-click adds a sort level.");
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
    SortBy(c, QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
  });
  connect(grid_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int, int) { SetCurrent(row); });

  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->addWidget(BuildChart());
  auto* lower = new QSplitter(Qt::Horizontal);
  lower->addWidget(grid_);
  lower->addWidget(BuildDetails());
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 2);
  splitter->addWidget(lower);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);

  auto* buttons = new QHBoxLayout;
  auto button = [&](const char* name, const QString& text, const QString& tip) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setStatusTip(tip);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* print = button("PrintButton", "Print...", "Print the chart.");
  QPushButton* export_button =
      button("ExportButton", "Export...", "Save the chart as a picture or its data as CSV.");
  QPushButton* keywords = button("KeywordComparisons", "Keyword Comparisons",
                                 "Compare the current partner's keywords with yours.");
  buttons->addStretch(1);
  QPushButton* help = button("HelpButton", "Help", "What the chart and the grid show.");
  QPushButton* close_button = button("CloseButton", "Close", "Close the view.");
  connect(print, &QPushButton::clicked, this, [this] {
    QPrintPreviewDialog preview(this);
    preview.setWindowTitle("ZEB Analyze Print");
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintChart(*printer); });
    preview.exec();
  });
  connect(export_button, &QPushButton::clicked, this, [this] {
    const QString file = QFileDialog::getSaveFileName(
        this, "Export", QString::fromStdString(locations_.ExeFolder),
        "PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf);;CSV data (*.csv)");
    if (!file.isEmpty() && !ExportTo(file)) {
      QMessageBox::warning(this, "Export", QString("%1 cannot be written.").arg(file));
    }
  });
  connect(keywords, &QPushButton::clicked, this, &TZEBAnalyzeViewForm::OpenKeywordComparisons);
  connect(help, &QPushButton::clicked, this,
          [this] { ShowHelpTopic(HelpTopic::kAnalysisView, this); });
  connect(close_button, &QPushButton::clicked, this, &QDialog::reject);

  hint_line_ = MakeHintLine("HintLine", kDefaultHint);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);
  layout->addWidget(hint_line_);
  resize(1200, 820);
  RestorePlacement(*this, locations_.ExeFolder, "ZEBAnalyzer");

  auto rebuild = [this] {
    Rebuilding = true;
    RebuildQuery();
    Rebuilding = false;
    ShowCurrentPartner();
  };
  connect(project_list_, &QComboBox::activated, this, rebuild);
  connect(order_by_, &QComboBox::activated, this, rebuild);
  connect(only_values_, &QCheckBox::toggled, this, rebuild);
  connect(per_page_, &QSpinBox::valueChanged, this, [this] { ShowPage(0); });
  connect(text_selector_, &QComboBox::activated, this, &TZEBAnalyzeViewForm::ShowText);
}

QWidget* TZEBAnalyzeViewForm::BuildDetails() {
  auto* panel = new QWidget;
  site_link_ = new QLabel;
  site_link_->setObjectName("SiteLink");
  site_link_->setTextFormat(Qt::RichText);
  site_link_->setStatusTip("Opens the partner's start page in your browser.");
  connect(site_link_, &QLabel::linkActivated, this, [](const QString& url) { OpenWebLink(url); });
  last_analyzed_ = new QLabel;
  last_analyzed_->setObjectName("LastAnalyzed");
  text_selector_ = new QComboBox;
  text_selector_->setObjectName("TextSelector");
  for (const TextEntry& entry : TextEntries()) text_selector_->addItem(entry.label);
  text_selector_->setStatusTip("Which stored text of the pages to show.");
  text_pane_ = new QPlainTextEdit;
  text_pane_->setObjectName("TextPane");
  text_pane_->setReadOnly(true);
  hop_tree_ = new QTreeWidget;
  hop_tree_->setObjectName("HopSequence");
  hop_tree_->setHeaderHidden(true);
  hop_tree_->setItemDelegate(new HtmlItemDelegate(hop_tree_));
  hop_tree_->setStatusTip("The chain of pages to your link; click a link to open it.");
  connect(hop_tree_, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* item) {
    const QString text = item->text(0);
    const qsizetype start = text.indexOf("href=\"", 0, Qt::CaseInsensitive);
    if (start < 0) return;
    const qsizetype end = text.indexOf('"', start + 6);
    OpenWebLink(text.mid(start + 6, end - start - 6));
  });
  auto* form = new QFormLayout;
  form->addRow("Site:", site_link_);
  form->addRow("Last Analyzed:", last_analyzed_);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(form);
  layout->addWidget(text_selector_);
  layout->addWidget(text_pane_, 1);
  layout->addWidget(new QLabel("Hop Sequence:"));
  layout->addWidget(hop_tree_, 1);
  return panel;
}

void TZEBAnalyzeViewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  QMetaObject::invokeMethod(this, &TZEBAnalyzeViewForm::FormShow, Qt::QueuedConnection);
}

void TZEBAnalyzeViewForm::FormShow() {
  Rebuilding = true;
  if (!FillProjectList(project_list_, locations_.DataFolder, hint_line_)) {
    Rebuilding = false;
    return;
  }
  if (project_list_->count() == 0) {
    Rebuilding = false;
    QMessageBox box(QMessageBox::NoIcon, "",
                    "No project have been setup in Zebulant.  There is no data to see.",
                    QMessageBox::Ok, this);
    box.exec();
    return;
  }
  project_list_->setCurrentIndex(
      ProjectName.empty() ? 0 : project_list_->findData(QByteArray::fromStdString(ProjectName)));
  order_by_->setCurrentIndex(0);
  RebuildQuery();
  ShowText();
  Rebuilding = false;
  ShowCurrentPartner();
}

void TZEBAnalyzeViewForm::RebuildQuery() {
  const std::optional<AnalysisOrder> order = OrderEntries()[order_by_->currentIndex()].order;
  if (!order) return;  // a separator line: the result set stays as it was
  QApplication::setOverrideCursor(Qt::WaitCursor);
  records_.clear();
  counts_.clear();
  if (project_list_->currentIndex() >= 0) {
    try {
      const std::string project = project_list_->currentData().toByteArray().toStdString();
      records_ = source_.Records(project, only_values_->isChecked(), *order);
      counts_ = source_.Counts(project);
    } catch (const std::exception& e) {
      ShowReadError("The results cannot be read", e, hint_line_);
    }
  }
  sort_keys_.clear();
  // The partner the view was opened on (or last shown) stays the current one where it is listed.
  const auto named =
      std::find_if(records_.begin(), records_.end(),
                   [this](const AnalysisRecord& r) { return r.SiteName == PartnerName; });
  current_ = records_.empty()
                 ? -1
                 : (named != records_.end() ? static_cast<int>(named - records_.begin()) : 0);
  FillGrid();
  ShowPage(PageOf(std::max(current_, 0), per_page_->value()));
  QApplication::restoreOverrideCursor();
}

void TZEBAnalyzeViewForm::FillGrid() {
  QSignalBlocker block(grid_);
  grid_->setUpdatesEnabled(false);
  grid_->setRowCount(static_cast<int>(records_.size()));
  for (int r = 0; r < static_cast<int>(records_.size()); ++r) {
    grid_->setItem(r, 0, new QTableWidgetItem(FromBytes(records_[r].SiteName)));
    int c = 1;
    for (const ValueColumn& column : ValueColumns()) {
      auto* item = new QTableWidgetItem(QString::number(records_[r].*column.field));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      grid_->setItem(r, c++, item);
    }
    grid_->setItem(r, kCountsColumn,
                   new QTableWidgetItem(FromBytes(CountsOf(counts_, records_[r].SiteName))));
  }
  if (current_ >= 0) grid_->setCurrentCell(current_, 0);
  grid_->setUpdatesEnabled(true);
}

void TZEBAnalyzeViewForm::SortBy(int column, bool add_key) {
  sort_keys_ = ClickSortColumn(std::move(sort_keys_), column, add_key);
  const std::string current_site = current_ >= 0 ? records_[current_].SiteName : "";
  SortByKeys(records_, sort_keys_,
             [this](const AnalysisRecord& a, const AnalysisRecord& b, int c) {
               return CompareGridColumn(a, b, c, counts_);
             });
  for (int i = 0; i < static_cast<int>(records_.size()); ++i) {
    if (records_[i].SiteName == current_site) current_ = i;
  }
  FillGrid();
  ShowPage(page_);
}

void TZEBAnalyzeViewForm::SetCurrent(int index) {
  if (index < 0 || index >= static_cast<int>(records_.size()) || index == current_) return;
  current_ = index;
  PartnerName = records_[index].SiteName;
  {
    QSignalBlocker block(grid_);
    grid_->setCurrentCell(index, 0);
  }
  if (!Rebuilding) ShowCurrentPartner();
}

void TZEBAnalyzeViewForm::ShowCurrentPartner() {
  hop_tree_->clear();
  if (current_ < 0) {
    site_link_->clear();
    last_analyzed_->clear();
    text_pane_->clear();
    return;
  }
  const AnalysisRecord& record = records_[current_];
  for (const std::string& line : record.TreeResults) {
    // A stored line's leading tabs give its depth; the node's own text follows them.
    const std::size_t text = std::min(line.find_first_not_of('\t'), line.size());
    hop_tree_->addTopLevelItem(new QTreeWidgetItem(QStringList{NodeHtml(line.substr(text))}));
  }
  site_link_->setText(FromBytes(SiteLink(record)));
  last_analyzed_->setText(QString::fromStdString(FormatDay(record.xDate)));
  ShowText();
}

void TZEBAnalyzeViewForm::ShowText() {
  if (current_ < 0) {
    text_pane_->clear();
    return;
  }
  const TextEntry& entry = TextEntries()[std::max(0, text_selector_->currentIndex())];
  text_pane_->setPlainText(Text(records_[current_].*entry.field));
}

void TZEBAnalyzeViewForm::OpenKeywordComparisons() {
  TZEBKWComparativeForm view(locations_, this);
  ProjectName = project_list_->currentData().toByteArray().toStdString();
  if (!ProjectName.empty()) {
    view.ProjectName = ProjectName;
    if (current_ >= 0) view.PartnerName = records_[current_].SiteName;
  }
  view.exec();
}

void TZEBAnalyzeViewForm::done(int result) {
  SavePlacement(*this, locations_.ExeFolder, "ZEBAnalyzer");
  QDialog::done(result);
}

bool TZEBAnalyzeViewForm::event(QEvent* event) {
  if (ShowHint(event, hint_line_, kDefaultHint)) return true;
  return QDialog::event(event);
}

}  // namespace zeb
