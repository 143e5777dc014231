#include "window/project_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "views/window/rich_text.h"
#include "window/form_support.h"

namespace zebhost {

ProjectDialog::ProjectDialog(AddFunction add, QWidget* parent)
    : QDialog(parent), add_(std::move(add)) {
  Build(tr("New project"), tr("Add"));
}

ProjectDialog::ProjectDialog(const zeb::ProjectRecord& project, EditFunction edit, QWidget* parent)
    : QDialog(parent), stored_(project), edit_(std::move(edit)) {
  Build(tr("Project %1").arg(zeb::FromBytes(project.Name)), tr("Save"));
  name_edit_->setText(zeb::FromBytes(project.Name));
  home_edit_->setText(zeb::FromBytes(project.YourHomePage));
}

void ProjectDialog::Build(const QString& title, const QString& ok_text) {
  setObjectName("ProjectDialog");
  setWindowTitle(title);
  setMinimumWidth(480);
  name_edit_ = new QLineEdit(this);
  name_edit_->setObjectName("ProjectNameEdit");
  name_edit_->setPlaceholderText(tr("My Site"));
  name_edit_->setToolTip(tr("The project's name: one of your own sites"));
  home_edit_ = new QLineEdit(this);
  home_edit_->setObjectName("ProjectHomePageEdit");
  home_edit_->setPlaceholderText(tr("http://www.mysite.example/ (optional)"));
  home_edit_->setToolTip(tr("Your home page: where the keyword comparison reads your keywords"));

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setHorizontalSpacing(12);
  form->setVerticalSpacing(8);
  form->addRow(tr("&Name:"), name_edit_);
  form->addRow(tr("Your &home page:"), home_edit_);

  error_line_ = MakeErrorLine(this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("ProjectButtons");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("OkButton");
  buttons->button(QDialogButtonBox::Ok)->setText(ok_text);
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelButton");
  connect(buttons, &QDialogButtonBox::accepted, this, &ProjectDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ProjectDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 18, 18, 14);
  layout->setSpacing(12);
  layout->addLayout(form);
  layout->addWidget(error_line_);
  layout->addWidget(buttons);
}

void ProjectDialog::accept() {
  try {
    if (stored_) {
      zeb::ProjectChanges changes;
      // Only what the user changed is saved: an untouched field keeps its stored bytes.
      if (name_edit_->text() != zeb::FromBytes(stored_->Name)) {
        changes.rename = zeb::ToBytes(name_edit_->text(), zeb::EncodingOf(stored_->Name));
      }
      if (home_edit_->text() != zeb::FromBytes(stored_->YourHomePage)) {
        changes.home_page =
            zeb::ToBytes(home_edit_->text(), zeb::EncodingOf(stored_->YourHomePage));
      }
      edit_(changes);
    } else {
      add_(zeb::ToBytes(name_edit_->text(), zeb::TextEncoding::kUtf8),
           zeb::ToBytes(home_edit_->text(), zeb::TextEncoding::kUtf8));
    }
  } catch (const std::exception& e) {
    ShowRefusal(error_line_, e);
    return;
  }
  QDialog::accept();
}

}  // namespace zebhost
