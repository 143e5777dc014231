// The result tree, Lock Tree, Backlink and Start Base, and their handlers.
#include "console/window/result_tree_panel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "console/window/console_controls.h"
#include "views/window/rich_text.h"

namespace zeb {

ResultTreePanel::ResultTreePanel(RunController& controller, QWidget* parent)
    : QGroupBox("Results", parent), controller_(controller) {
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
  HTMLButton5 = ConsoleButton("HTMLButton5", "Backlink",
                              "Store the selected page as the partner's backlink address.");
  HTMLButton14 = ConsoleButton("HTMLButton14", "Start Base",
                               "Start later crawls of the partner at the selected page.");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(RECheckBox7);
  buttons->addStretch(1);
  buttons->addWidget(HTMLButton5);
  buttons->addWidget(HTMLButton14);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(HTMLTreeview1, 1);
  layout->addLayout(buttons);

  connect(RECheckBox7, &QCheckBox::toggled, this, [this](bool on) {
    controller_.SetLockTree(on);
    emit LockTreeToggled(on);
  });
  connect(HTMLButton5, &QPushButton::clicked, this, &ResultTreePanel::HTMLButton5Click);
  connect(HTMLButton14, &QPushButton::clicked, this, &ResultTreePanel::HTMLButton14Click);
}

void ResultTreePanel::HTMLButton5Click() {
  EditFromTree([this] { controller_.HTMLButton5Click(); }, "The backlink address");
}

void ResultTreePanel::HTMLButton14Click() {
  EditFromTree([this] { controller_.HTMLButton14Click(); }, "The start page");
}

void ResultTreePanel::EditFromTree(const std::function<void()>& edit, const std::string& what) {
  try {
    edit();
  } catch (const std::exception& e) {
    ShowConsoleError(what + " cannot be stored", e, this);
  }
  emit RedrawNeeded();
}

std::vector<std::size_t> ResultTreePanel::PathOf(QTreeWidgetItem* item) const {
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

QString ResultTreePanel::AnchorAt(const QModelIndex& index, const QPoint& pos) const {
  QStyleOptionViewItem option;
  option.initFrom(HTMLTreeview1);
  option.rect = HTMLTreeview1->visualRect(index);
  return tree_delegate_->AnchorAt(option, index, pos);
}

void ResultTreePanel::TreeClicked(const QPoint& pos) {
  QTreeWidgetItem* item = HTMLTreeview1->itemAt(pos);
  if (item == nullptr) return;
  controller_.HTMLTreeview1MouseUp(PathOf(item));
  const QString anchor = AnchorAt(HTMLTreeview1->indexAt(pos), pos);
  if (!anchor.isEmpty()) OpenWebLink(anchor);
  emit RedrawNeeded();
}

bool ResultTreePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == HTMLTreeview1->viewport()) {
    if (event->type() == QEvent::MouseButtonRelease) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) TreeClicked(mouse->position().toPoint());
    } else if (event->type() == QEvent::MouseMove) {
      const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
      const QModelIndex index = HTMLTreeview1->indexAt(pos);
      const bool over_link = index.isValid() && !AnchorAt(index, pos).isEmpty();
      HTMLTreeview1->viewport()->setCursor(over_link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
  }
  return QGroupBox::eventFilter(watched, event);
}

void ResultTreePanel::Refresh(const ConsoleDisplay& display) {
  RECheckBox7->blockSignals(true);
  RECheckBox7->setChecked(display.lock_tree);
  RECheckBox7->blockSignals(false);
  RECheckBox7->setEnabled(display.lock_tree_enabled);
  HTMLButton5->setEnabled(display.tree_selection.enabled(TreeSelection::Edit::kBacklink));
  HTMLButton14->setEnabled(display.tree_selection.enabled(TreeSelection::Edit::kStartBase));
  RefreshTree(display);
}

void ResultTreePanel::RefreshTree(const ConsoleDisplay& display) {
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
    auto* item = new QTreeWidgetItem(QStringList{NodeHtml(step.node->text)});
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

}  // namespace zeb
