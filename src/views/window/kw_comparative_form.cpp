#include "views/window/kw_comparative_form.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "views/window/help.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"

namespace zeb {
namespace {

const char* const kDefaultHint =
    "Use KeyWord Comparative to compare keyword tags and density in your home page versus the "
    "backlink and home page of your linking partner.";
const char* const kGridTitles[2] = {"Home Page Comparison", "Backlink Page Comparison"};
constexpr int kCheckRole = Qt::UserRole;  // a check cell: the keyword is in that tag

// Draws a cell's picture in the middle of the cell (the check marks).
class CenteredIconDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->decorationAlignment = Qt::AlignCenter;
    option->decorationSize = QSize(16, 16);
    if (option->text.isEmpty()) option->decorationPosition = QStyleOptionViewItem::Top;
  }
};

QStringList Headers(bool backlink) {
  return {"Keywords/\nSearch Terms",
          "In Your\nKeyword Tag",
          "Your Home\nDensity Count",
          "Your Home\nDensity Percent",
          backlink ? "In Partners\nBacklink Tag" : "In Partners\nHome Tag",
          backlink ? "Partner Backlink\nDensity Count" : "Partners Home\nDensity Count",
          backlink ? "Partner Backlink\nDensity Percent" : "Partners Home\nDensity Percent"};
}

// The keyword column's order: the texts as shown, letters compared without regard to case.
int KeywordTextOrder(const std::string& a, const std::string& b) {
  return QString::compare(FromBytes(a), FromBytes(b), Qt::CaseInsensitive);
}

int Compare(const ComparisonRow& a, const ComparisonRow& b, int column) {
  return CompareComparisonColumn(a, b, column, KeywordTextOrder);
}

QStringList Cells(const ComparisonRow& row) {
  return {FromBytes(row.keyword),        "", FromBytes(row.your_count),
          FromBytes(row.your_percent),   "", FromBytes(row.partner_count),
          FromBytes(row.partner_percent)};
}

}  // namespace

TZEBKWComparativeForm::TZEBKWComparativeForm(FileLocations locations, QWidget* parent)
    : QDialog(parent), locations_(std::move(locations)), source_(locations_) {
  InitGuiResources();
  setObjectName("TZEBKWComparativeForm");
  setWindowTitle("KeyWord Comparative");
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);

  project_list_ = new QComboBox;
  project_list_->setObjectName("ProjectList");
  project_list_->setMinimumContentsLength(14);
  project_list_->setStatusTip("The project: your site.");
  partner_list_ = new QComboBox;
  partner_list_->setObjectName("PartnerList");
  partner_list_->setMinimumContentsLength(14);
  partner_list_->setStatusTip("The partner whose pages are compared with your home page.");
  show_all_ = new QRadioButton("Show All");
  show_all_->setObjectName("ShowAll");
  show_all_->setChecked(true);
  remove_no_matches_ = new QRadioButton("Remove No Matches");
  remove_no_matches_->setObjectName("RemoveNoMatches");
  remove_no_matches_->setStatusTip("Show only the keywords found on both sides.");
  remove_only_tag_ = new QRadioButton("Remove Where Only \"Your Keyword Tag\"");
  remove_only_tag_->setObjectName("RemoveOnlyYourTag");
  remove_only_tag_->setStatusTip("Leave out keywords that are only in your keyword tag.");
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Project:"));
  top->addWidget(project_list_);
  top->addWidget(new QLabel("Partner:"));
  top->addWidget(partner_list_);
  top->addStretch(1);
  for (QRadioButton* radio : {show_all_, remove_no_matches_, remove_only_tag_}) {
    top->addWidget(radio);
    connect(radio, &QRadioButton::clicked, this, &TZEBKWComparativeForm::LoadComparison);
  }

  AdvStringGrid2 = MakeGrid("AdvStringGrid2", 0, Headers(false));
  AdvStringGrid1 = MakeGrid("AdvStringGrid1", 1, Headers(true));
  splitter_ = new QSplitter(Qt::Vertical);
  for (QTableWidget* grid : {AdvStringGrid2, AdvStringGrid1}) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QString("<b>%1</b>").arg(kGridTitles[grid == AdvStringGrid1]));
    auto* print = new QPushButton(QString("Print %1").arg(kGridTitles[grid == AdvStringGrid1]));
    print->setObjectName(grid == AdvStringGrid1 ? "PrintBacklink" : "PrintHome");
    print->setStatusTip("Print this grid.");
    connect(print, &QPushButton::clicked, this, [this, grid] { Print(grid); });
    auto* head = new QHBoxLayout;
    head->addWidget(title);
    head->addStretch(1);
    head->addWidget(print);
    layout->addLayout(head);
    layout->addWidget(grid, 1);
    splitter_->addWidget(box);
  }

  auto* help = new QPushButton("Help");
  help->setObjectName("HelpButton");
  help->setStatusTip("What the grids and filters mean.");
  connect(help, &QPushButton::clicked, this,
          [this] { ShowHelpTopic(HelpTopic::kKeywordComparison, this); });
  auto* close_button = new QPushButton("Close");
  close_button->setObjectName("CloseButton");
  connect(close_button, &QPushButton::clicked, this, &QDialog::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(help);
  bottom->addWidget(close_button);
  hint_line_ = MakeHintLine("HintLine", kDefaultHint);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(splitter_, 1);
  layout->addLayout(bottom);
  layout->addWidget(hint_line_);
  resize(980, 700);
  RestorePlacement(*this, locations_.ExeFolder, "ZEBKWCompare");

  connect(project_list_, &QComboBox::activated, this, [this] {
    ProjectName = project_list_->currentData().toByteArray().toStdString();
    LoadPartners();
    partner_list_->setCurrentIndex(partner_list_->count() > 0 ? 0 : -1);
    PartnerName = partner_list_->currentData().toByteArray().toStdString();
    LoadComparison();
  });
  connect(partner_list_, &QComboBox::activated, this, [this] {
    PartnerName = partner_list_->currentData().toByteArray().toStdString();
    LoadComparison();
  });
}

QTableWidget* TZEBKWComparativeForm::MakeGrid(const char* name, int index,
                                              const QStringList& headers) {
  auto* grid = new QTableWidget(1, static_cast<int>(headers.size()));
  grid->setObjectName(name);
  grid->setHorizontalHeaderLabels(headers);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setAlternatingRowColors(true);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int c = 1; c < headers.size(); ++c) {
    grid->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
  grid->horizontalHeader()->setSectionsClickable(true);
  grid->setItemDelegate(new CenteredIconDelegate(grid));
  grid->setStatusTip("Click a heading to sort; shift-click to add a second sort key.");
  connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this, [this, index](int c) {
    SortBy(index, c, QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
  });
  return grid;
}

void TZEBKWComparativeForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  FormShow();
}

void TZEBKWComparativeForm::FormShow() {
  if (!LoadProjects()) return;
  if (ProjectName.empty() && project_list_->count() > 0) {
    ProjectName = project_list_->itemData(0).toByteArray().toStdString();
  }
  project_list_->setCurrentIndex(project_list_->findData(QByteArray::fromStdString(ProjectName)));
  LoadPartners();
  int partner = partner_list_->findData(QByteArray::fromStdString(PartnerName));
  if (PartnerName.empty() && partner_list_->count() > 0) partner = 0;
  partner_list_->setCurrentIndex(partner);
  if (partner >= 0) PartnerName = partner_list_->itemData(partner).toByteArray().toStdString();
  LoadComparison();
}

bool TZEBKWComparativeForm::LoadProjects() {
  return FillProjectList(project_list_, locations_.DataFolder, hint_line_);
}

void TZEBKWComparativeForm::LoadPartners() {
  partner_list_->clear();
  try {
    for (const std::string& name : source_.Partners(ProjectName)) {
      partner_list_->addItem(FromBytes(name), QByteArray::fromStdString(name));
    }
  } catch (const std::exception& e) {
    ShowReadError("The partners cannot be read", e, hint_line_);
  }
}

void TZEBKWComparativeForm::LoadComparison() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  lists_ = {};
  try {
    lists_ = source_.Lists(ProjectName, PartnerName);
  } catch (const std::exception& e) {
    ShowReadError("The results cannot be read", e, hint_line_);
  }
  FillComparisonGrids();
  QApplication::restoreOverrideCursor();
}

RowFilter TZEBKWComparativeForm::CurrentFilter() const {
  if (remove_no_matches_->isChecked()) return RowFilter::kRemoveNoMatches;
  if (remove_only_tag_->isChecked()) return RowFilter::kRemoveOnlyYourTag;
  return RowFilter::kShowAll;
}

void TZEBKWComparativeForm::FillComparisonGrids() {
  zeb::FillComparisonGrids(lists_, rows_[0], rows_[1]);
  ApplyRowFilter(CurrentFilter(), rows_[0], rows_[1]);
  for (int i = 0; i < 2; ++i) SortBy(i, -1, false);
}

// Sorts a grid by the user's keys (column -1: again by the keys it has) and shows it.
void TZEBKWComparativeForm::SortBy(int grid_index, int column, bool add_key) {
  SortKeys& keys = sort_keys_[grid_index];
  if (column >= 0) keys = ClickSortColumn(std::move(keys), column, add_key);
  SortByKeys(rows_[grid_index], keys, Compare);
  ShowGrid(grid_index == 0 ? AdvStringGrid2 : AdvStringGrid1, rows_[grid_index]);
}

void TZEBKWComparativeForm::ShowGrid(QTableWidget* grid, const ComparisonGrid& rows) {
  grid->setUpdatesEnabled(false);
  grid->clearContents();
  grid->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
  const QIcon check(":/zeb/gcheck.png");
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const QStringList cells = Cells(rows[r]);
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c > 0) item->setTextAlignment(Qt::AlignCenter);
      const bool checked = (c == 1 && rows[r].your_tag) || (c == 4 && rows[r].partner_tag);
      if (checked) {
        item->setIcon(check);
        item->setData(kCheckRole, true);
      }
      grid->setItem(r, c, item);
    }
  }
  grid->setUpdatesEnabled(true);
}

void TZEBKWComparativeForm::PrintGrid(QTableWidget* grid, QPrinter& printer) const {
  const bool backlink = grid == AdvStringGrid1;
  QString html = QString("<h3>%1</h3><p>For: %2</p><p>%3</p>")
                     .arg(kGridTitles[backlink], partner_list_->currentText().toHtmlEscaped(),
                          QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
  html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr>";
  for (const QString& header : Headers(backlink)) {
    html += "<th>" + header.toHtmlEscaped().replace('\n', "<br>") + "</th>";
  }
  html += "</tr>";
  for (const ComparisonRow& row : rows_[backlink ? 1 : 0]) {
    const QStringList cells = Cells(row);
    html += "<tr>";
    for (int c = 0; c < cells.size(); ++c) {
      const bool checked = (c == 1 && row.your_tag) || (c == 4 && row.partner_tag);
      html += QString("<td align=\"%1\">%2</td>")
                  .arg(c == 0 ? "left" : "center",
                       checked ? QString("<img src=\"GCheck\">") : cells[c].toHtmlEscaped());
    }
    html += "</tr>";
  }
  html += "</table>";
  MakeHtmlDocument(html, font())->print(&printer);
}

void TZEBKWComparativeForm::Print(QTableWidget* grid) {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) PrintGrid(grid, printer);
}

void TZEBKWComparativeForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // The backlink grid takes half of the height; the splitter moves it until the next resize.
  const int total = splitter_->height();
  splitter_->setSizes({total - total / 2, total / 2});
}

void TZEBKWComparativeForm::done(int result) {
  SavePlacement(*this, locations_.ExeFolder, "ZEBKWCompare");
  QDialog::done(result);
}

bool TZEBKWComparativeForm::event(QEvent* event) {
  if (ShowHint(event, hint_line_, kDefaultHint)) return true;
  return QDialog::event(event);
}

}  // namespace zeb
