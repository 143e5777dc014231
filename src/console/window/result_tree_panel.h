// The console's "Results" box: the result tree (HTMLTreeview1), Lock Tree, and the Backlink and
// Start Base edits of the selected page.
//
// The tree is drawn from the RunController's ConsoleDisplay when its serial changes; a click on
// a row selects it in the controller and follows a link under the mouse into the browser; the
// two buttons store the selected page through the controller, a failure shown in a dialog.
// GUI thread only.
#ifndef ZEB_CONSOLE_WINDOW_RESULT_TREE_PANEL_H_
#define ZEB_CONSOLE_WINDOW_RESULT_TREE_PANEL_H_

#include <QGroupBox>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "console/run_controller.h"

class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace zeb {

class HtmlButton;
class HtmlItemDelegate;

class ResultTreePanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit ResultTreePanel(RunController& controller, QWidget* parent = nullptr);

  // Lock Tree, the two edits' buttons and, when it changed, the tree.
  void Refresh(const ConsoleDisplay& display);

 signals:
  // The panel changed the controller's display: the window redraws at once.
  void RedrawNeeded();
  // The user checked or unchecked Lock Tree (a setting of the "Misc" panel).
  void LockTreeToggled(bool on);

 protected:
  // The tree's clicks and the hand cursor over its links.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void HTMLButton5Click();   // Backlink
  void HTMLButton14Click();  // Start Base
  void TreeClicked(const QPoint& pos);
  // Backlink / Start Base: the controller's edit, with its failure shown.
  void EditFromTree(const std::function<void()>& edit, const std::string& what);
  // The link under pos in the row at index, or "".
  QString AnchorAt(const QModelIndex& index, const QPoint& pos) const;
  std::vector<std::size_t> PathOf(QTreeWidgetItem* item) const;
  void RefreshTree(const ConsoleDisplay& display);

  RunController& controller_;
  int tree_serial_ = -1;  // the display's tree_serial the tree shows

  QTreeWidget* HTMLTreeview1;  // the result tree; link nodes open in the browser
  QCheckBox* RECheckBox7;      // Lock Tree: keep the tree when another partner is shown
  HtmlButton* HTMLButton5;     // Backlink: the selected page becomes the backlink address
  HtmlButton* HTMLButton14;    // Start Base: the selected page becomes the start page
  HtmlItemDelegate* tree_delegate_;
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_RESULT_TREE_PANEL_H_
