#include "window/host_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <set>
#include <utility>

#include "views/window/help.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"
#include "window/form_support.h"
#include "window/partner_dialog.h"
#include "window/partner_table_model.h"
#include "window/project_dialog.h"

// The window's resources (the help page); Q_INIT_RESOURCE must be called outside a namespace.
static void InitHostWindowResources() { Q_INIT_RESOURCE(zebhost_window); }

namespace zebhost {
namespace {

constexpr const char* kPlacementKey = "HostWindow";
constexpr int kProjectNameRole = Qt::UserRole + 1;  // a project item's stored name (bytes)

QByteArray StoredName(const std::string& bytes) { return QByteArray::fromStdString(bytes); }

// "1 partner", "2 partners" (the window has no translations to choose plurals by).
QString Count(std::size_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}
QString Partners(std::size_t n) { return Count(n, "partner", "partners"); }

QPushButton* Button(const QString& text, const char* name, const QString& tip) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  button->setToolTip(tip);
  button->setStatusTip(tip);
  return button;
}

// A caption above a pane: the system font, bold and a little larger.
QLabel* Caption(const QString& text, const char* name) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.15);
  label->setFont(font);
  return label;
}

}  // namespace

HostWindow::HostWindow(std::unique_ptr<HostData> tables, QWidget* parent)
    : QMainWindow(parent), data_(std::move(tables)) {
  static const bool resources = (InitHostWindowResources(), true);
  (void)resources;
  setObjectName("HostWindow");
  setWindowTitle(tr("ZEB Bot"));
  BuildControls();
  BuildMenus();
  RestoreLayout();
  LoadProjects({});
}

HostWindow::~HostWindow() = default;

void HostWindow::BuildControls() {
  // Projects: the list, your home page, and the project buttons.
  project_list_ = new QListWidget;
  project_list_->setObjectName("ProjectList");
  project_list_->setToolTip(tr("Your projects: your own sites. Enter edits, Delete removes."));
  project_list_->setUniformItemSizes(true);
  project_list_->setSpacing(1);
  project_list_->installEventFilter(this);
  project_home_ = new QLabel;
  project_home_->setObjectName("ProjectHomePage");
  project_home_->setWordWrap(true);
  project_home_->setTextFormat(Qt::RichText);
  project_home_->setOpenExternalLinks(false);
  connect(project_home_, &QLabel::linkActivated, this,
          [](const QString& link) { zeb::OpenWebLink(link); });
  add_project_button_ = Button(tr("Add..."), "AddProjectButton", tr("Add a project"));
  edit_project_button_ =
      Button(tr("Edit..."), "EditProjectButton", tr("Rename the project or change your home page"));
  remove_project_button_ =
      Button(tr("Remove"), "RemoveProjectButton", tr("Remove the project with its partners"));
  connect(add_project_button_, &QPushButton::clicked, this, &HostWindow::AddProject);
  connect(edit_project_button_, &QPushButton::clicked, this, &HostWindow::EditProject);
  connect(remove_project_button_, &QPushButton::clicked, this, &HostWindow::RemoveProject);
  connect(project_list_, &QListWidget::currentItemChanged, this, [this] {
    UpdateProjectInfo();
    LoadPartners();
  });
  connect(project_list_, &QListWidget::itemDoubleClicked, this, &HostWindow::EditProject);

  auto* project_buttons = new QHBoxLayout;
  project_buttons->setSpacing(6);
  project_buttons->addWidget(add_project_button_);
  project_buttons->addWidget(edit_project_button_);
  project_buttons->addWidget(remove_project_button_);
  auto* project_pane = new QWidget;
  project_pane->setObjectName("ProjectPane");
  auto* project_layout = new QVBoxLayout(project_pane);
  project_layout->setContentsMargins(12, 12, 6, 12);
  project_layout->setSpacing(8);
  project_layout->addWidget(Caption(tr("Projects"), "ProjectsTitle"));
  project_layout->addWidget(project_list_, 1);
  project_layout->addWidget(project_home_);
  project_layout->addLayout(project_buttons);

  // Partners: the title, the editing buttons, the table and the plug-in's buttons.
  partners_title_ = Caption(tr("Partners"), "PartnersTitle");
  partners_summary_ = new QLabel;
  partners_summary_->setObjectName("PartnersSummary");
  partners_summary_->setTextFormat(Qt::PlainText);
  add_partner_button_ =
      Button(tr("Add..."), "AddPartnerButton", tr("Add a partner to the project"));
  edit_partner_button_ =
      Button(tr("Edit..."), "EditPartnerButton", tr("Change the partner's fields (Enter)"));
  remove_partner_button_ = Button(tr("Remove"), "RemovePartnerButton",
                                  tr("Remove the selected partners with their history (Delete)"));
  import_button_ = Button(tr("Import CSV..."), "ImportCsvButton",
                          tr("Add the partners of a CSV file to the project"));
  export_button_ = Button(tr("Export CSV..."), "ExportCsvButton",
                          tr("Write the project's partners to a CSV file"));
  connect(add_partner_button_, &QPushButton::clicked, this, &HostWindow::AddPartner);
  connect(edit_partner_button_, &QPushButton::clicked, this, &HostWindow::EditPartner);
  connect(remove_partner_button_, &QPushButton::clicked, this, &HostWindow::RemovePartners);
  connect(import_button_, &QPushButton::clicked, this, &HostWindow::ImportCsv);
  connect(export_button_, &QPushButton::clicked, this, &HostWindow::ExportCsv);

  model_ = new PartnerTableModel(this);
  sorted_ = new QSortFilterProxyModel(this);
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(PartnerTableModel::kSortRole);
  partner_table_ = new QTableView;
  partner_table_->setObjectName("PartnerTable");
  partner_table_->setModel(sorted_);
  partner_table_->setSortingEnabled(true);
  partner_table_->sortByColumn(PartnerTableModel::kName, Qt::AscendingOrder);
  partner_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  partner_table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  partner_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  partner_table_->setAlternatingRowColors(true);
  partner_table_->setWordWrap(false);
  partner_table_->setTextElideMode(Qt::ElideMiddle);
  partner_table_->setShowGrid(false);
  partner_table_->verticalHeader()->hide();
  partner_table_->verticalHeader()->setDefaultSectionSize(partner_table_->fontMetrics().height() +
                                                          10);
  partner_table_->horizontalHeader()->setHighlightSections(false);
  partner_table_->horizontalHeader()->setStretchLastSection(true);
  partner_table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  partner_table_->installEventFilter(this);
  const int widths[PartnerTableModel::kColumnCount] = {130, 180, 110, 110, 200, 60, 125, 150, 90};
  for (int column = 0; column < PartnerTableModel::kColumnCount; ++column) {
    partner_table_->setColumnWidth(column, widths[column]);
  }
  connect(partner_table_, &QTableView::doubleClicked, this, &HostWindow::EditPartner);
  connect(partner_table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &HostWindow::UpdateActions);
  connect(partner_table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &HostWindow::UpdateActions);

  console_button_ = Button(tr("Check..."), "CheckButton",
                           tr("Open the bot console with the selected partners ticked"));
  check_now_button_ = Button(tr("Check now"), "CheckNowButton",
                             tr("Check the selected partners now (every partner when none is "
                                "selected); the console shows the run and closes at its end"));
  check_now_button_->setDefault(false);
  check_now_button_->setAutoDefault(false);
  QFont bold = check_now_button_->font();
  bold.setBold(true);
  check_now_button_->setFont(bold);
  analysis_button_ = Button(tr("Position Analysis..."), "AnalysisButton",
                            tr("Chart where your links sit on the partners' pages"));
  kw_compare_button_ = Button(tr("Keyword Comparison..."), "KwCompareButton",
                              tr("Your home page's keywords beside the partner's"));
  connect(console_button_, &QPushButton::clicked, this, &HostWindow::OpenConsole);
  connect(check_now_button_, &QPushButton::clicked, this, &HostWindow::CheckNow);
  connect(analysis_button_, &QPushButton::clicked, this, &HostWindow::OpenAnalysis);
  connect(kw_compare_button_, &QPushButton::clicked, this, &HostWindow::OpenKwCompare);

  auto* title_row = new QHBoxLayout;
  title_row->addWidget(partners_title_);
  title_row->addSpacing(12);
  title_row->addWidget(partners_summary_, 1, Qt::AlignBottom);
  auto* edit_row = new QHBoxLayout;
  edit_row->setSpacing(6);
  edit_row->addWidget(add_partner_button_);
  edit_row->addWidget(edit_partner_button_);
  edit_row->addWidget(remove_partner_button_);
  edit_row->addStretch(1);
  edit_row->addWidget(import_button_);
  edit_row->addWidget(export_button_);
  auto* check_row = new QHBoxLayout;
  check_row->setSpacing(6);
  check_row->addWidget(check_now_button_);
  check_row->addWidget(console_button_);
  check_row->addStretch(1);
  check_row->addWidget(analysis_button_);
  check_row->addWidget(kw_compare_button_);
  auto* partner_pane = new QWidget;
  partner_pane->setObjectName("PartnerPane");
  auto* partner_layout = new QVBoxLayout(partner_pane);
  partner_layout->setContentsMargins(6, 12, 12, 12);
  partner_layout->setSpacing(8);
  partner_layout->addLayout(title_row);
  partner_layout->addLayout(edit_row);
  partner_layout->addWidget(partner_table_, 1);
  partner_layout->addLayout(check_row);

  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->setObjectName("HostSplitter");
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(project_pane);
  splitter_->addWidget(partner_pane);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({270, 1210});
  setCentralWidget(splitter_);
  statusBar()->setObjectName("StatusLine");
}

void HostWindow::BuildMenus() {
  auto action = [this](QMenu* menu, const QString& text, const char* name, auto slot,
                       const QKeySequence& keys = {}) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (!keys.isEmpty()) a->setShortcut(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* project = menuBar()->addMenu(tr("&Project"));
  action(project, tr("&New Project..."), "NewProjectAction", &HostWindow::AddProject,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  project_actions_.push_back(
      action(project, tr("&Edit Project..."), "EditProjectAction", &HostWindow::EditProject));
  project_actions_.push_back(
      action(project, tr("&Remove Project..."), "RemoveProjectAction", &HostWindow::RemoveProject));
  project->addSeparator();
  QAction* quit = project->addAction(tr("&Quit"));
  quit->setObjectName("QuitAction");
  quit->setShortcut(
      QKeySequence(Qt::CTRL | Qt::Key_Q));  // QKeySequence::Quit is empty on some desktops
  connect(quit, &QAction::triggered, this, &HostWindow::close);

  QMenu* partner = menuBar()->addMenu(tr("P&artner"));
  project_actions_.push_back(action(partner, tr("&New Partner..."), "NewPartnerAction",
                                    &HostWindow::AddPartner, QKeySequence::New));
  partner_actions_.push_back(
      action(partner, tr("&Edit Partner..."), "EditPartnerAction", &HostWindow::EditPartner));
  remove_partners_action_ = action(partner, tr("&Remove Partners..."), "RemovePartnersAction",
                                   &HostWindow::RemovePartners);
  partner->addSeparator();
  project_actions_.push_back(action(partner, tr("&Import CSV..."), "ImportCsvAction",
                                    &HostWindow::ImportCsv, QKeySequence(Qt::CTRL | Qt::Key_I)));
  project_actions_.push_back(action(partner, tr("E&xport CSV..."), "ExportCsvAction",
                                    &HostWindow::ExportCsv, QKeySequence(Qt::CTRL | Qt::Key_E)));

  QMenu* check = menuBar()->addMenu(tr("&Check"));
  check_now_action_ = action(check, tr("Check &Now"), "CheckNowAction", &HostWindow::CheckNow,
                             QKeySequence(Qt::CTRL | Qt::Key_R));
  project_actions_.push_back(action(check, tr("&Check..."), "CheckAction", &HostWindow::OpenConsole,
                                    QKeySequence(Qt::CTRL | Qt::Key_K)));
  check->addSeparator();
  project_actions_.push_back(
      action(check, tr("&Position Analysis..."), "AnalysisAction", &HostWindow::OpenAnalysis));
  partner_actions_.push_back(
      action(check, tr("&Keyword Comparison..."), "KwCompareAction", &HostWindow::OpenKwCompare));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  action(help, tr("ZEB Bot &Help"), "HelpAction", &HostWindow::ShowHelp,
         QKeySequence::HelpContents);
  QAction* about = help->addAction(tr("&About ZEB Bot"));
  about->setObjectName("AboutAction");
  connect(about, &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About ZEB Bot"),
                       tr("<b>ZEB Bot</b> %1<p>Checks that your link partners still carry your "
                          "link.</p><p>This window is zebhost's: it keeps your projects and "
                          "partners and opens the bot's windows from libzebbot.so, as a host "
                          "application does.</p>")
                           .arg(QApplication::applicationVersion()));
  });
}

void HostWindow::RestoreLayout() {
  resize(1480, 720);
  const std::string& exe = data_->locations().ExeFolder;
  zeb::RestorePlacement(*this, exe, kPlacementKey);
  if (exe.empty()) return;
  QSettings ini(zeb::FormIniFile(exe), QSettings::IniFormat);
  splitter_->restoreState(ini.value(QString("%1/Splitter").arg(kPlacementKey)).toByteArray());
  partner_table_->horizontalHeader()->restoreState(
      ini.value(QString("%1/Columns").arg(kPlacementKey)).toByteArray());
}

void HostWindow::SaveLayout() const {
  const std::string& exe = data_->locations().ExeFolder;
  zeb::SavePlacement(*this, exe, kPlacementKey);
  if (exe.empty()) return;
  QSettings ini(zeb::FormIniFile(exe), QSettings::IniFormat);
  ini.setValue(QString("%1/Splitter").arg(kPlacementKey), splitter_->saveState());
  ini.setValue(QString("%1/Columns").arg(kPlacementKey),
               partner_table_->horizontalHeader()->saveState());
}

void HostWindow::closeEvent(QCloseEvent* event) {
  SaveLayout();
  QMainWindow::closeEvent(event);
  emit closed();
}

bool HostWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == partner_table_ && (enter || key == Qt::Key_Delete)) {
      enter ? EditPartner() : RemovePartners();
      return true;
    }
    if (watched == project_list_ && (enter || key == Qt::Key_Delete)) {
      enter ? EditProject() : RemoveProject();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Reading -----------------------------------------------------------------------------

void HostWindow::LoadProjects(const std::string& choose) {
  const std::string keep = choose.empty() ? CurrentProject() : choose;
  std::vector<ProjectSummary> projects;
  try {
    projects = data_->Projects();
  } catch (const std::exception& e) {
    QMessageBox::critical(this, tr("ZEB Bot"),
                          tr("The projects cannot be read: %1").arg(Sentence(e)));
  }
  {
    const QSignalBlocker quiet(project_list_);
    project_list_->clear();
    for (const ProjectSummary& p : projects) {
      auto* item = new QListWidgetItem(zeb::FromBytes(p.name), project_list_);
      item->setData(kProjectNameRole, StoredName(p.name));
      item->setToolTip(Partners(p.partners));
    }
    int row = project_list_->count() > 0 ? 0 : -1;
    for (int i = 0; i < project_list_->count(); ++i) {
      if (project_list_->item(i)->data(kProjectNameRole).toByteArray() == StoredName(keep)) row = i;
    }
    project_list_->setCurrentRow(row);
  }
  UpdateProjectInfo();
  LoadPartners();
}

void HostWindow::LoadPartners() {
  const std::vector<std::string> keep = SelectedPartners();
  const std::string project = CurrentProject();
  std::vector<PartnerRow> rows;
  if (!project.empty()) {
    try {
      rows = data_->Partners(project);
    } catch (const std::exception& e) {
      QMessageBox::critical(this, tr("ZEB Bot"),
                            tr("The partners cannot be read: %1").arg(Sentence(e)));
    }
  }
  std::size_t found = 0, checked = 0;
  for (const PartnerRow& row : rows) {
    found += row.partner.FoundShort ? 1 : 0;
    checked += row.last_check.empty() && row.last_result.empty() ? 0 : 1;
  }
  model_->SetRows(std::move(rows));
  partners_title_->setText(project.empty() ? tr("Partners")
                                           : tr("Partners of %1").arg(zeb::FromBytes(project)));
  const int count = model_->rowCount();
  partners_summary_->setText(
      project.empty() ? tr("Add a project first.")
      : count == 0    ? tr("No partners yet: add them one by one or import a CSV file.")
                      : tr("%1: your link found on %2 at the last check, %3 never checked")
                         .arg(Partners(static_cast<std::size_t>(count)))
                         .arg(found)
                         .arg(static_cast<std::size_t>(count) - checked));
  SelectPartners(keep);
  UpdateActions();
}

void HostWindow::Reload() { LoadProjects(CurrentProject()); }

void HostWindow::UpdateProjectInfo() {
  const std::string project = CurrentProject();
  setWindowTitle(project.empty() ? tr("ZEB Bot") : tr("%1 - ZEB Bot").arg(zeb::FromBytes(project)));
  QString home;
  if (!project.empty()) {
    for (const ProjectSummary& p : data_->Projects()) {
      if (p.name == project) home = zeb::FromBytes(p.home_page);
    }
  }
  project_home_->setText(project.empty()  ? QString()
                         : home.isEmpty() ? tr("Your home page: <i>none</i>")
                                          : tr("Your home page:<br><a href=\"%1\">%2</a>")
                                                .arg(home.toHtmlEscaped(), home.toHtmlEscaped()));
}

void HostWindow::UpdateActions() {
  const bool project = !CurrentProject().empty();
  const std::size_t selected = SelectedPartners().size();
  const bool partner = !CurrentPartner().empty();
  edit_project_button_->setEnabled(project);
  remove_project_button_->setEnabled(project);
  add_partner_button_->setEnabled(project);
  import_button_->setEnabled(project);
  export_button_->setEnabled(project);
  console_button_->setEnabled(project);
  analysis_button_->setEnabled(project);
  edit_partner_button_->setEnabled(partner);
  kw_compare_button_->setEnabled(partner);
  remove_partner_button_->setEnabled(selected > 0);
  const bool any = model_->rowCount() > 0;
  check_now_button_->setEnabled(project && any);
  check_now_button_->setText(selected == 0 ? tr("Check all now")
                                           : tr("Check %1 now").arg(selected));
  for (QAction* a : project_actions_) a->setEnabled(project);
  for (QAction* a : partner_actions_) a->setEnabled(partner);
  remove_partners_action_->setEnabled(selected > 0);
  check_now_action_->setEnabled(project && any);
}

// ---- Choice and selection ----------------------------------------------------------------

bool HostWindow::SelectProject(const std::string& name) {
  for (int i = 0; i < project_list_->count(); ++i) {
    if (project_list_->item(i)->data(kProjectNameRole).toByteArray() == StoredName(name)) {
      project_list_->setCurrentRow(i);
      return true;
    }
  }
  return false;
}

std::string HostWindow::CurrentProject() const {
  const QListWidgetItem* item = project_list_->currentItem();
  return item == nullptr ? std::string() : item->data(kProjectNameRole).toByteArray().toStdString();
}

std::vector<std::string> HostWindow::SelectedPartners() const {
  std::vector<std::string> names;
  const QModelIndexList rows = partner_table_->selectionModel()->selectedRows();
  std::vector<int> ordered;
  for (const QModelIndex& index : rows) ordered.push_back(index.row());
  std::sort(ordered.begin(), ordered.end());
  for (int row : ordered) {
    names.push_back(
        sorted_->index(row, 0).data(PartnerTableModel::kNameRole).toByteArray().toStdString());
  }
  return names;
}

void HostWindow::SelectPartners(const std::vector<std::string>& names) {
  const std::set<std::string> wanted(names.begin(), names.end());
  QItemSelection selection;
  QModelIndex first;
  for (int row = 0; row < sorted_->rowCount(); ++row) {
    const QModelIndex index = sorted_->index(row, 0);
    if (wanted.count(index.data(PartnerTableModel::kNameRole).toByteArray().toStdString())) {
      selection.select(index, sorted_->index(row, PartnerTableModel::kColumnCount - 1));
      if (!first.isValid()) first = index;
    }
  }
  QItemSelectionModel* model = partner_table_->selectionModel();
  model->clearSelection();
  if (first.isValid()) {
    model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    partner_table_->scrollTo(first);
  }
  model->select(selection, QItemSelectionModel::Select);
  UpdateActions();
}

std::string HostWindow::CurrentPartner() const {
  const QModelIndex current = partner_table_->selectionModel()->currentIndex();
  if (!current.isValid()) return {};
  // The current row counts only while it is selected (or nothing is).
  if (partner_table_->selectionModel()->hasSelection() &&
      !partner_table_->selectionModel()->isRowSelected(current.row(), {})) {
    return {};
  }
  return sorted_->index(current.row(), 0)
      .data(PartnerTableModel::kNameRole)
      .toByteArray()
      .toStdString();
}

// ---- Changes -----------------------------------------------------------------------------

template <typename Change>
bool HostWindow::Try(const QString& what, Change change) {
  try {
    change();
    return true;
  } catch (const std::exception& e) {
    QMessageBox::warning(this, what, Sentence(e));
    return false;
  }
}

void HostWindow::Say(const QString& message) { statusBar()->showMessage(message, 8000); }

void HostWindow::AddProject() {
  std::string added;
  ProjectDialog dialog(
      [&](const std::string& name, const std::string& home) {
        data_->AddProject(name, home);
        added = name;
      },
      this);
  if (dialog.exec() != QDialog::Accepted) return;
  LoadProjects(added);
  Say(tr("Added project %1").arg(zeb::FromBytes(added)));
}

void HostWindow::EditProject() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  zeb::ProjectRecord stored{project, {}, {}, {}};
  for (const ProjectSummary& p : data_->Projects()) {
    if (p.name == project) stored.YourHomePage = p.home_page;
  }
  std::string now = project;
  ProjectDialog dialog(
      stored,
      [&](const zeb::ProjectChanges& changes) {
        data_->EditProject(project, changes);
        if (changes.rename) now = *changes.rename;
      },
      this);
  if (dialog.exec() != QDialog::Accepted) return;
  LoadProjects(now);
  Say(tr("Saved project %1").arg(zeb::FromBytes(now)));
}

void HostWindow::RemoveProject() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  const std::size_t partners = data_->PartnerCount(project);
  const QString name = zeb::FromBytes(project);
  const QString question =
      partners == 0 ? tr("Remove the project %1? It has no partners.").arg(name)
                    : tr("Remove the project %1 with its %2, their history and analyses?")
                          .arg(name, Partners(partners));
  if (QMessageBox::question(this, tr("Remove project"), question,
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  if (!Try(tr("Remove project"), [&] { data_->RemoveProject(project); })) return;
  LoadProjects({});
  Say(tr("Removed project %1").arg(name));
}

void HostWindow::AddPartner() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  std::string added;
  PartnerDialog dialog(
      project,
      [&](const zeb::PartnerRecord& p) {
        data_->AddPartner(p);
        added = p.SiteName;
      },
      this);
  if (dialog.exec() != QDialog::Accepted) return;
  Reload();
  SelectPartners({added});
  Say(tr("Added partner %1").arg(zeb::FromBytes(added)));
}

void HostWindow::EditPartner() {
  const std::string project = CurrentProject();
  const std::string name = CurrentPartner();
  if (project.empty() || name.empty()) return;
  zeb::PartnerRecord stored;
  if (!Try(tr("Edit partner"), [&] { stored = data_->Partner(project, name); })) {
    Reload();
    return;
  }
  std::string now = name;
  PartnerDialog dialog(
      stored,
      [&](const zeb::PartnerChanges& changes) {
        now = data_->EditPartner(project, name, changes).SiteName;
      },
      this);
  if (dialog.exec() != QDialog::Accepted) return;
  Reload();
  SelectPartners({now});
  Say(tr("Saved partner %1").arg(zeb::FromBytes(now)));
}

void HostWindow::RemovePartners() {
  const std::string project = CurrentProject();
  const std::vector<std::string> names = SelectedPartners();
  if (project.empty() || names.empty()) return;
  const QString question = names.size() == 1
                               ? tr("Remove the partner %1 from %2, with its history and analysis?")
                                     .arg(zeb::FromBytes(names.front()), zeb::FromBytes(project))
                               : tr("Remove %1 from %2, with their history and analyses?")
                                     .arg(Partners(names.size()), zeb::FromBytes(project));
  if (QMessageBox::question(this, tr("Remove partners"), question,
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  std::size_t removed = 0;
  for (const std::string& name : names) {
    if (!Try(tr("Remove partners"), [&] { data_->RemovePartner(project, name); })) break;
    ++removed;
  }
  Reload();
  Say(tr("Removed %1").arg(Partners(removed)));
}

// ---- CSV files ---------------------------------------------------------------------------

void HostWindow::ImportCsv() {
  if (CurrentProject().empty()) return;
  QFileDialog dialog(this, tr("Import partners into %1").arg(zeb::FromBytes(CurrentProject())),
                     QString(), tr("CSV files (*.csv);;All files (*)"));
  dialog.setObjectName("ImportFileDialog");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  ImportCsvFile(dialog.selectedFiles().front());
}

bool HostWindow::ImportCsvFile(const QString& file) {
  const std::string project = CurrentProject();
  QFile in(file);
  if (project.empty()) return false;
  if (!in.open(QIODevice::ReadOnly)) {
    QMessageBox::warning(this, tr("Import partners"),
                         tr("%1 cannot be read: %2").arg(file, in.errorString()));
    return false;
  }
  const QByteArray text = in.readAll();
  std::size_t added = 0;
  try {
    added = data_->ImportCsv(
        project, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  } catch (const std::exception& e) {
    // The file's name as it stands, then the line and the reason.
    QMessageBox::warning(this, tr("Import partners"),
                         tr("%1: %2.\n\nNothing was imported.")
                             .arg(QFileInfo(file).fileName(), zeb::FromBytes(e.what())));
    Reload();
    return false;
  }
  Reload();
  Say(tr("Imported %1 into %2").arg(Partners(added), zeb::FromBytes(project)));
  return true;
}

void HostWindow::ExportCsv() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  QFileDialog dialog(this, tr("Export the partners of %1").arg(zeb::FromBytes(project)),
                     zeb::FromBytes(project) + ".csv", tr("CSV files (*.csv);;All files (*)"));
  dialog.setObjectName("ExportFileDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("csv");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  ExportCsvFile(dialog.selectedFiles().front());
}

bool HostWindow::ExportCsvFile(const QString& file) {
  const std::string project = CurrentProject();
  if (project.empty()) return false;
  std::string text;
  if (!Try(tr("Export partners"), [&] { text = data_->ExportCsv(project); })) return false;
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      out.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !out.flush()) {
    QMessageBox::warning(this, tr("Export partners"),
                         tr("%1 cannot be written: %2").arg(file, out.errorString()));
    return false;
  }
  Say(tr("Exported the partners of %1 to %2").arg(zeb::FromBytes(project), file));
  return true;
}

// ---- The plug-in -------------------------------------------------------------------------

unsigned long HostWindow::NativeHandle() { return static_cast<unsigned long>(winId()); }

template <typename Call>
void HostWindow::CallPlugin(Call call) {
  try {
    if (!plugin_) plugin_ = std::make_unique<Plugin>();
    call(*plugin_, NativeHandle());
  } catch (const std::exception& e) {
    QMessageBox::critical(this, tr("ZEB Bot"), Sentence(e));
  }
  // The plug-in's windows write results, partners and history: show what they wrote.
  Reload();
}

void HostWindow::OpenConsole() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  const std::vector<std::string> partners = SelectedPartners();
  CallPlugin([&](const Plugin& plugin, unsigned long handle) {
    plugin.RunBot(handle, false, project, partners);
  });
}

void HostWindow::CheckNow() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  std::vector<std::string> partners = SelectedPartners();
  if (partners.empty()) {
    for (const PartnerRow& row : model_->rows()) partners.push_back(row.partner.SiteName);
  }
  if (partners.empty()) return;
  Say(tr("Checking %1...").arg(Partners(partners.size())));
  CallPlugin([&](const Plugin& plugin, unsigned long handle) {
    plugin.RunBot(handle, true, project, partners);
  });
  Say(tr("Checked %1").arg(Partners(partners.size())));
}

void HostWindow::OpenAnalysis() {
  const std::string project = CurrentProject();
  if (project.empty()) return;
  const std::string partner = CurrentPartner();
  CallPlugin([&](const Plugin& plugin, unsigned long handle) {
    plugin.RunAnalysis(handle, project, partner);
  });
}

void HostWindow::OpenKwCompare() {
  const std::string project = CurrentProject();
  const std::string partner = CurrentPartner();
  if (project.empty() || partner.empty()) return;
  CallPlugin([&](const Plugin& plugin, unsigned long handle) {
    plugin.RunKwComparison(handle, project, partner);
  });
}

void HostWindow::ShowHelp() {
  if (!zeb::ShowHelpPage(QStringLiteral(":/zebhost/help/host.html"), this)) {
    QMessageBox::information(this, tr("ZEB Bot Help"), tr("The help page is missing."));
  }
}

}  // namespace zebhost
