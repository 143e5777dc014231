#include "window/first_run_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>
#include <optional>
#include <utility>

#include "window/form_support.h"

namespace zebhost {
namespace {

QString Shown(const std::string& folder) { return QString::fromStdString(folder); }

}  // namespace

FirstRunDialog::FirstRunDialog(Folders suggested, QWidget* parent)
    : QDialog(parent), suggested_(std::move(suggested)) {
  setObjectName("FirstRunDialog");
  setWindowTitle(tr("Welcome to ZEB Bot"));
  setMinimumWidth(620);

  auto* title = new QLabel(tr("Welcome to ZEB Bot"), this);
  title->setObjectName("WelcomeTitle");
  QFont title_font = title->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 1.4);
  title_font.setBold(true);
  title->setFont(title_font);

  auto* intro = new QLabel(
      tr("ZEB Bot checks that your link partners still link to your site. Before you add your "
         "first project it needs two folders: a data folder for your projects, partners and "
         "results, and a program folder for the run report and window places.\n\n"
         "Nothing is created until you choose \"Set up\"."),
      this);
  intro->setObjectName("Introduction");
  intro->setWordWrap(true);

  default_choice_ = new QRadioButton(tr("Use the &default folders"), this);
  default_choice_->setObjectName("DefaultFoldersChoice");
  default_choice_->setChecked(true);
  auto* defaults = new QGridLayout;
  defaults->setContentsMargins(24, 0, 0, 0);
  defaults->setHorizontalSpacing(12);
  const auto folder_label = [this](const std::string& folder, const char* name) {
    auto* label = new QLabel(Shown(folder), this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
  };
  defaults->addWidget(new QLabel(tr("Data folder:"), this), 0, 0);
  defaults->addWidget(folder_label(suggested_.data, "DefaultDataFolder"), 0, 1);
  defaults->addWidget(new QLabel(tr("Program folder:"), this), 1, 0);
  defaults->addWidget(folder_label(suggested_.exe, "DefaultProgramFolder"), 1, 1);
  defaults->setColumnStretch(1, 1);

  own_choice_ = new QRadioButton(tr("Choose the &folders"), this);
  own_choice_->setObjectName("OwnFoldersChoice");
  data_edit_ = new QLineEdit(Shown(suggested_.data), this);
  data_edit_->setObjectName("DataFolderEdit");
  exe_edit_ = new QLineEdit(Shown(suggested_.exe), this);
  exe_edit_->setObjectName("ProgramFolderEdit");
  data_browse_ = new QPushButton(tr("Browse..."), this);
  data_browse_->setObjectName("DataFolderBrowse");
  exe_browse_ = new QPushButton(tr("Browse..."), this);
  exe_browse_->setObjectName("ProgramFolderBrowse");
  auto* own = new QGridLayout;
  own->setContentsMargins(24, 0, 0, 0);
  own->setHorizontalSpacing(8);
  own->addWidget(new QLabel(tr("Data folder:"), this), 0, 0);
  own->addWidget(data_edit_, 0, 1);
  own->addWidget(data_browse_, 0, 2);
  own->addWidget(new QLabel(tr("Program folder:"), this), 1, 0);
  own->addWidget(exe_edit_, 1, 1);
  own->addWidget(exe_browse_, 1, 2);

  error_line_ = MakeErrorLine(this);

  auto* buttons = new QDialogButtonBox(this);
  buttons->setObjectName("FirstRunButtons");
  QPushButton* set_up = buttons->addButton(tr("Set up"), QDialogButtonBox::AcceptRole);
  set_up->setObjectName("SetUpButton");
  set_up->setDefault(true);
  QPushButton* quit = buttons->addButton(tr("Quit"), QDialogButtonBox::RejectRole);
  quit->setObjectName("QuitButton");
  connect(buttons, &QDialogButtonBox::accepted, this, &FirstRunDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FirstRunDialog::reject);
  connect(own_choice_, &QRadioButton::toggled, this, &FirstRunDialog::UpdateChoice);
  connect(data_browse_, &QPushButton::clicked, this,
          [this] { Browse(data_edit_, tr("The data folder")); });
  connect(exe_browse_, &QPushButton::clicked, this,
          [this] { Browse(exe_edit_, tr("The program folder")); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(22, 20, 22, 16);
  layout->setSpacing(10);
  layout->addWidget(title);
  layout->addWidget(intro);
  layout->addSpacing(6);
  layout->addWidget(default_choice_);
  layout->addLayout(defaults);
  layout->addWidget(own_choice_);
  layout->addLayout(own);
  layout->addWidget(error_line_);
  layout->addSpacing(6);
  layout->addWidget(buttons);
  UpdateChoice();
}

void FirstRunDialog::UpdateChoice() {
  const bool own = own_choice_->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(data_edit_), static_cast<QWidget*>(exe_edit_),
                     static_cast<QWidget*>(data_browse_), static_cast<QWidget*>(exe_browse_)}) {
    w->setEnabled(own);
  }
}

void FirstRunDialog::Browse(QLineEdit* edit, const QString& caption) {
  const QString folder = QFileDialog::getExistingDirectory(this, caption, edit->text());
  if (!folder.isEmpty()) edit->setText(folder);
}

void FirstRunDialog::accept() {
  std::optional<std::string> exe = suggested_.exe, data_folder = suggested_.data;
  if (own_choice_->isChecked()) {
    exe = exe_edit_->text().trimmed().toStdString();
    data_folder = data_edit_->text().trimmed().toStdString();
    if (exe->empty() || data_folder->empty()) {
      error_line_->setText(tr("Name both folders, or use the default ones."));
      error_line_->show();
      return;
    }
  }
  try {
    SetUp(exe, data_folder);
  } catch (const std::exception& e) {
    ShowRefusal(error_line_, e);
    return;
  }
  QDialog::accept();
}

}  // namespace zebhost
