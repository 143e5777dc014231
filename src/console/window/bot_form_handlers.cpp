// The console window's handlers: the project and partner lists, the run buttons and the tree.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

#include "console/bot_settings.h"
#include "console/window/bot_form.h"
#include "console/window/settings_bar.h"
#include "data/settings_store.h"
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

void TZEBBotForm::ShowError(const std::string& what, const std::exception& e) {
  ShowMessageDialog(MessageKind::kOkOnly, "<B>Error</B><BR>" + what + ": " + e.what(), this);
}

std::string TZEBBotForm::CurrentProject() const {
  return ComboBox3->currentIndex() < 0
             ? std::string()
             : ComboBox3->currentData(kNameRole).toByteArray().toStdString();
}

std::string TZEBBotForm::SelectedPartnerName() const {
  const QListWidgetItem* item = CheckListBox1->currentItem();
  return item != nullptr ? ItemName(item) : std::string();
}

std::vector<std::string> TZEBBotForm::CheckedPartners() const {
  std::vector<std::string> names;
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    if (CheckListBox1->item(i)->checkState() == Qt::Checked) {
      names.push_back(ItemName(CheckListBox1->item(i)));
    }
  }
  return names;
}

int TZEBBotForm::CheckedCount() const { return static_cast<int>(CheckedPartners().size()); }

void TZEBBotForm::FormShow() {
  if (options_.AutoRun) {
    std::vector<std::string> errors;
    try {
      errors = selection_.AutoRunErrors(options_.ProjectName, options_.PartnerNames);
    } catch (const std::exception& e) {
      errors.push_back("<B>Error</B><BR>The data folder cannot be read: " + std::string(e.what()));
    }
    if (!errors.empty()) options_.AutoRun = false;
    for (const std::string& error : errors) ShowMessageDialog(MessageKind::kOkOnly, error, this);
  }
  LoadProjects();
  UpdateRunButton();
  settings_bar_->MarkAllClean();
  if (!options_.ProjectName.empty()) {
    const int index = ComboBox3->findData(Bytes(options_.ProjectName), kNameRole);
    ComboBox3->setCurrentIndex(index);
    if (index >= 0) ComboBox3Change();
    if (!options_.PartnerName.empty()) {
      SelectPartnerItem(options_.PartnerName);
      ShowPartner();  // the selection above does not announce itself
    }
  }
  QListWidgetItem* first_checked = nullptr;
  for (const std::string& name : options_.PartnerNames) {
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
  UpdateRunButton();
  controller_->SetAutoRun(options_.AutoRun);
  if (options_.AutoRun) HTMLButton2Click();
}

void TZEBBotForm::LoadProjects() {
  ComboBox3->clear();
  try {
    for (const std::string& name : selection_.LoadProjects()) {
      ComboBox3->addItem(FromBytes(name), Bytes(name));
    }
  } catch (const std::exception& e) {
    ShowError("The projects cannot be read", e);
  }
  ComboBox3->setCurrentIndex(-1);
}

void TZEBBotForm::ComboBox3Change() {
  if (Running()) return;
  options_.ProjectName = CurrentProject();
  if (!controller_->display().HTMLTreeview1.empty()) {
    ShowMessageDialog(MessageKind::kOkOnly,
                      "<B>Warning<B><BR>Changing project will remove tree list results.\r\n"
                      "Results will still be saved.\r\nUse \"View Analysis\" to retrieve.",
                      this);
  }
  controller_->SelectProject(options_.ProjectName);
  LoadPartners();
  UpdateRunButton();
  Refresh();
}

void TZEBBotForm::LoadPartners() {
  const std::string project = CurrentProject();
  if (!project.empty()) {
    std::vector<PartnerItem> partners;
    try {
      partners = selection_.LoadPartners(project);
    } catch (const std::exception& e) {
      ShowError("The partners cannot be read", e);
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
  controller_->ClearPartnerLabels();
  Refresh();
}

void TZEBBotForm::ShowPartnerEnabled() {
  const bool one = CheckedCount() < 2;
  Label35->setEnabled(one && !Running());
  Label33->setEnabled(one && !Running());
}

void TZEBBotForm::ShowPartner() {
  if (Running()) return;
  ShowPartnerEnabled();
  QListWidgetItem* item = CheckListBox1->currentItem();
  if (item == nullptr) return;
  try {
    controller_->ShowSelectedPartner(CurrentProject(), ItemName(item));
  } catch (const std::exception& e) {
    ShowError("The partner cannot be read", e);
  }
  Refresh();
  UpdateRunButton();
}

void TZEBBotForm::UpdateRunButton() {
  if (Running()) return;
  const ConsoleDisplay& display = controller_->display();
  const RunButtonState state =
      zeb::UpdateRunButton(CurrentProject(), CheckedCount(), display.Label35, display.Label33);
  Label24->setText(FromBytes(state.Label24));
  HTMLButton2->setEnabled(state.enabled);
}

void TZEBBotForm::SelectPartnerItem(const std::string& name) {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    if (ItemName(CheckListBox1->item(i)) != name) continue;
    // During a run the list only follows the run; it must not show the partner again.
    QSignalBlocker block(CheckListBox1);
    CheckListBox1->setCurrentRow(i);
    CheckListBox1->scrollToItem(CheckListBox1->item(i));
    return;
  }
}

void TZEBBotForm::SetControlsEnabled(bool on) {
  for (QWidget* control :
       {static_cast<QWidget*>(HTMLButton2), static_cast<QWidget*>(HTMLButton6),
        static_cast<QWidget*>(HTMLButton4), static_cast<QWidget*>(HTMLButton13),
        static_cast<QWidget*>(ComboBox3), static_cast<QWidget*>(CheckListBox1),
        static_cast<QWidget*>(keyword_button_), static_cast<QWidget*>(HTMLButton1)}) {
    control->setEnabled(on);
  }
  ShowPartnerEnabled();  // the run's state decides with the number of checked partners
  settings_bar_->SetControlsEnabled(on);
}

void TZEBBotForm::HTMLButton2Click() {
  const std::vector<std::string> partners = CheckedPartners();
  try {
    // The panels' values as they stand, saved or not.
    controller_->UseSettings(settings_->settings());
    settings_bar_->RememberUserAgent();
    controller_->HTMLButton2Click(CurrentProject(), partners);
    // Stored values that could not be used as they stand (defaults taken, numbers clamped).
    if (Running()) {
      for (const std::string& line : settings_->problems()) controller_->AddMessage(line);
    }
  } catch (const std::exception& e) {
    ShowError("The run cannot start", e);
    return;
  }
  // A run without partners has ended already.
  if (Running()) SetControlsEnabled(false);
  Refresh();
  ServeController();
}

void TZEBBotForm::HTMLButton15Click() {
  HTMLButton15->setEnabled(false);
  controller_->HTMLButton15Click();
  Refresh();
  ServeController();
}

void TZEBBotForm::HTMLButton3Click() {
  controller_->HTMLButton3Click();
  Refresh();
  ServeController();
}

void TZEBBotForm::HTMLButton4Click() {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    CheckListBox1->item(i)->setCheckState(Qt::Checked);
  }
  UpdateRunButton();
}

void TZEBBotForm::HTMLButton13Click() {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
  }
  UpdateRunButton();
}

void TZEBBotForm::HTMLButton5Click() {
  EditFromTree([this] { controller_->HTMLButton5Click(); }, "The backlink address");
}

void TZEBBotForm::HTMLButton14Click() {
  EditFromTree([this] { controller_->HTMLButton14Click(); }, "The start page");
}

void TZEBBotForm::EditFromTree(const std::function<void()>& edit, const std::string& what) {
  try {
    edit();
  } catch (const std::exception& e) {
    ShowError(what + " cannot be stored", e);
  }
  Refresh();
}

void TZEBBotForm::HTMLButton6Click() { close(); }

std::vector<std::size_t> TZEBBotForm::PathOf(QTreeWidgetItem* item) const {
  std::vector<std::size_t> path;
  while (item != nullptr) {
    QTreeWidgetItem* parent = item->parent();
    const int index =
        parent != nullptr ? parent->indexOfChild(item) : HTMLTreeview1->indexOfTopLevelItem(item);
    path.insert(path.begin(), static_cast<std::size_t>(index));
    item = parent;
  }
  return path;
}

void TZEBBotForm::TreeClicked(const QPoint& pos) {
  QTreeWidgetItem* item = HTMLTreeview1->itemAt(pos);
  if (item == nullptr) return;
  controller_->HTMLTreeview1MouseUp(PathOf(item));
  const QModelIndex index = HTMLTreeview1->indexAt(pos);
  QStyleOptionViewItem option;
  option.initFrom(HTMLTreeview1);
  option.rect = HTMLTreeview1->visualRect(index);
  const QString anchor = tree_delegate_->AnchorAt(option, index, pos);
  if (!anchor.isEmpty()) OpenWebLink(anchor);
  Refresh();
}

}  // namespace zeb
