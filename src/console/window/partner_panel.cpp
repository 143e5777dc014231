// The project list, the partner check list and their handlers.
#include "console/window/partner_panel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "console/window/console_controls.h"
#include "views/window/message_form.h"
#include "views/window/rich_text.h"

namespace zeb {
namespace {

constexpr int kNameRole = Qt::UserRole;  // an item's name as stored (bytes)

std::string ItemName(const QListWidgetItem* item) {
  return item->data(kNameRole).toByteArray().toStdString();
}

QByteArray Bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

PartnerPanel::PartnerPanel(const PartnerSelection& selection, RunController& controller,
                           QWidget* parent)
    : QGroupBox("Partners", parent), selection_(selection), controller_(controller) {
  ImageList1[0] = QIcon(":/zeb/found.png");
  ImageList1[1] = QIcon(":/zeb/notfound.png");

  project_row_ = new QWidget(this);
  ComboBox3 = new QComboBox;
  ComboBox3->setObjectName("ComboBox3");
  ComboBox3->setMinimumContentsLength(24);
  ComboBox3->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboBox3->setStatusTip("The project: your site, whose partners are listed below.");
  auto* project_caption = new QLabel("&Project:");
  project_caption->setBuddy(ComboBox3);
  auto* top = new QHBoxLayout(project_row_);
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(8);
  top->addWidget(project_caption);
  top->addWidget(ComboBox3);
  top->addStretch(1);

  CheckListBox1 = new QListWidget;
  CheckListBox1->setObjectName("CheckListBox1");
  CheckListBox1->setStatusTip(
      "Check the partners to run; the mark shows whether your link was found last time.");
  CheckListBox1->setIconSize(QSize(16, 16));
  CheckListBox1->setUniformItemSizes(true);
  HTMLButton4 = ConsoleButton("HTMLButton4", "Check All", "Check every partner of the list.");
  HTMLButton13 = ConsoleButton("HTMLButton13", "Uncheck All", "Uncheck every partner of the list.");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(HTMLButton4);
  buttons->addWidget(HTMLButton13);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CheckListBox1, 1);
  layout->addLayout(buttons);
  setMinimumWidth(230);

  connect(ComboBox3, &QComboBox::activated, this, [this] { ComboBox3Change(); });
  connect(CheckListBox1, &QListWidget::currentItemChanged, this, [this] { ShowPartner(); });
  connect(CheckListBox1, &QListWidget::itemChanged, this, [this] {
    if (controller_.Running()) return;
    ShowPartnerEnabled();
    emit RunnableChanged();
  });
  connect(HTMLButton4, &QPushButton::clicked, this, &PartnerPanel::HTMLButton4Click);
  connect(HTMLButton13, &QPushButton::clicked, this, &PartnerPanel::HTMLButton13Click);
}

std::string PartnerPanel::CurrentProject() const {
  return ComboBox3->currentIndex() < 0
             ? std::string()
             : ComboBox3->currentData(kNameRole).toByteArray().toStdString();
}

std::string PartnerPanel::SelectedPartnerName() const {
  const QListWidgetItem* item = CheckListBox1->currentItem();
  return item != nullptr ? ItemName(item) : std::string();
}

std::vector<std::string> PartnerPanel::CheckedPartners() const {
  std::vector<std::string> names;
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    if (CheckListBox1->item(i)->checkState() == Qt::Checked) {
      names.push_back(ItemName(CheckListBox1->item(i)));
    }
  }
  return names;
}

int PartnerPanel::CheckedCount() const { return static_cast<int>(CheckedPartners().size()); }

void PartnerPanel::LoadProjects() {
  ComboBox3->clear();
  try {
    for (const std::string& name : selection_.LoadProjects()) {
      ComboBox3->addItem(FromBytes(name), Bytes(name));
    }
  } catch (const std::exception& e) {
    ShowConsoleError("The projects cannot be read", e, this);
  }
  ComboBox3->setCurrentIndex(-1);
}

void PartnerPanel::Preselect(const std::string& project, const std::string& partner,
                             const std::vector<std::string>& checked) {
  if (!project.empty()) {
    const int index = ComboBox3->findData(Bytes(project), kNameRole);
    ComboBox3->setCurrentIndex(index);
    if (index >= 0) ComboBox3Change();
    if (!partner.empty()) {
      SelectPartnerItem(partner);
      ShowPartner();  // the selection above does not announce itself
    }
  }
  QListWidgetItem* first_checked = nullptr;
  for (const std::string& name : checked) {
    for (int i = 0; i < CheckListBox1->count(); ++i) {
      QListWidgetItem* item = CheckListBox1->item(i);
      if (ItemName(item) != name) continue;
      item->setCheckState(Qt::Checked);
      if (first_checked == nullptr ||
          CheckListBox1->row(item) < CheckListBox1->row(first_checked)) {
        first_checked = item;
      }
    }
  }
  if (first_checked != nullptr) CheckListBox1->setCurrentItem(first_checked);
}

void PartnerPanel::ComboBox3Change() {
  if (controller_.Running()) return;
  if (!controller_.display().HTMLTreeview1.empty()) {
    ShowMessageDialog(MessageKind::kOkOnly,
                      "<B>Warning<B><BR>Changing project will remove tree list results.\r\n"
                      "Results will still be saved.\r\nUse \"View Analysis\" to retrieve.",
                      this);
  }
  controller_.SelectProject(CurrentProject());
  LoadPartners();
  emit RunnableChanged();
  emit RedrawNeeded();
}

void PartnerPanel::LoadPartners() {
  const std::string project = CurrentProject();
  if (!project.empty()) {
    std::vector<PartnerItem> partners;
    try {
      partners = selection_.LoadPartners(project);
    } catch (const std::exception& e) {
      ShowConsoleError("The partners cannot be read", e, this);
    }
    // The checks survive a reload (the end of a run refreshes the found marks only).
    const std::vector<std::string> checked = CheckedPartners();
    QSignalBlocker block(CheckListBox1);
    CheckListBox1->clear();
    for (const PartnerItem& partner : partners) {
      auto* item = new QListWidgetItem(ImageList1[partner.found ? 0 : 1], FromBytes(partner.name));
      item->setData(kNameRole, Bytes(partner.name));
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      const bool was_checked =
          std::find(checked.begin(), checked.end(), partner.name) != checked.end();
      item->setCheckState(was_checked ? Qt::Checked : Qt::Unchecked);
      item->setToolTip(partner.found ? "Your link was found here last time."
                                     : "Your link was not found here last time.");
      CheckListBox1->addItem(item);
    }
  }
  controller_.ClearPartnerLabels();
  emit RedrawNeeded();
}

void PartnerPanel::ShowPartnerEnabled() {
  emit StartAndFindEnabled(CheckedCount() < 2 && !controller_.Running());
}

void PartnerPanel::ShowPartner() {
  if (controller_.Running()) return;
  ShowPartnerEnabled();
  QListWidgetItem* item = CheckListBox1->currentItem();
  if (item == nullptr) return;
  try {
    controller_.ShowSelectedPartner(CurrentProject(), ItemName(item));
  } catch (const std::exception& e) {
    ShowConsoleError("The partner cannot be read", e, this);
  }
  emit RedrawNeeded();
  emit RunnableChanged();
}

void PartnerPanel::Refresh(const ConsoleDisplay& display) {
  if (display.selection_serial == selection_serial_) return;
  selection_serial_ = display.selection_serial;
  SelectPartnerItem(display.selected_partner);
}

void PartnerPanel::SelectPartnerItem(const std::string& name) {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    if (ItemName(CheckListBox1->item(i)) != name) continue;
    // During a run the list only follows the run; it must not show the partner again.
    QSignalBlocker block(CheckListBox1);
    CheckListBox1->setCurrentRow(i);
    CheckListBox1->scrollToItem(CheckListBox1->item(i));
    return;
  }
}

void PartnerPanel::SetControlsEnabled(bool on) {
  for (QWidget* control :
       {static_cast<QWidget*>(HTMLButton4), static_cast<QWidget*>(HTMLButton13),
        static_cast<QWidget*>(ComboBox3), static_cast<QWidget*>(CheckListBox1)}) {
    control->setEnabled(on);
  }
}

void PartnerPanel::SetProjectListEnabled(bool on) { ComboBox3->setEnabled(on); }

void PartnerPanel::SetAllChecked(bool on) {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    CheckListBox1->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  emit RunnableChanged();
}

void PartnerPanel::HTMLButton4Click() { SetAllChecked(true); }

void PartnerPanel::HTMLButton13Click() { SetAllChecked(false); }

}  // namespace zeb
