// The host window of zebhost: what a host application does around the plug-in, on the desktop.
// On the left the projects (add, edit: rename or home page, remove); on the right the chosen
// project's partners in a sortable table (add, edit, remove, import and export a CSV file), and
// the buttons that call the plug-in as a host does: the console for the selected partners
// ("Check..."), a check of them at once ("Check now", the console with AutoRun), the position
// analysis and the keyword comparison. After a plug-in window closes the table is read again.
//
// A thin view: every read and change goes through HostData (the shared editing rules), every
// plug-in call through Plugin (dlopen of libzebbot.so). Its size and place, the splitter and the
// table's columns are kept in "FORM.INI" in the program folder, as the other windows keep
// theirs. Keys: Enter edits, Delete removes (after asking), F1 opens the help page.
// GUI thread only.
#ifndef ZEBHOST_WINDOW_HOST_WINDOW_H_
#define ZEBHOST_WINDOW_HOST_WINDOW_H_

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "host_data.h"
#include "plugin.h"

class QAction;
class QLabel;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QSplitter;
class QTableView;

namespace zebhost {

class PartnerTableModel;

class HostWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit HostWindow(std::unique_ptr<HostData> tables, QWidget* parent = nullptr);
  ~HostWindow() override;

  // Chooses the project (by its stored name); false when there is none of that name.
  bool SelectProject(const std::string& name);
  // The chosen project's stored name; "" when none is chosen.
  std::string CurrentProject() const;
  // The stored names of the selected partners, in the table's order.
  std::vector<std::string> SelectedPartners() const;
  // Selects the partners of those names (the others are deselected).
  void SelectPartners(const std::vector<std::string>& names);

  // The window's commands; the buttons, menus and keys call these.
  void AddProject();
  void EditProject();
  void RemoveProject();
  void AddPartner();
  void EditPartner();
  void RemovePartners();
  void ImportCsv();
  void ExportCsv();
  // Reads the CSV file into the chosen project (all or nothing) and reports how it went; the
  // file chooser of ImportCsv ends here. False when nothing was imported.
  bool ImportCsvFile(const QString& file);
  bool ExportCsvFile(const QString& file);
  void OpenConsole();    // "Check...": _RunZEBBot, AutoRun off
  void CheckNow();       // "Check now": _RunZEBBot, AutoRun on
  void OpenAnalysis();   // _RunZEBBotAnalysis for the chosen project and partner
  void OpenKwCompare();  // _RunZEBBotKWComparison for the chosen project and partner
  void ShowHelp();

  // Reads the projects and the partners again, keeping the choice and the selection.
  void Reload();
  // Shows a message in the status line for a few seconds.
  void Say(const QString& message);

 signals:
  // The window was closed (its placement is saved by then).
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void RestoreLayout();
  void SaveLayout() const;
  void LoadProjects(const std::string& choose);
  void LoadPartners();
  void UpdateActions();
  void UpdateProjectInfo();
  // The partner the commands for one partner act on: the current row's; "" for none.
  std::string CurrentPartner() const;
  // Runs a change; a refusal or failure is shown in a message box. False when it failed.
  template <typename Change>
  bool Try(const QString& what, Change change);
  // Runs a call of the plug-in (loaded at the first call), then reads the tables again.
  template <typename Call>
  void CallPlugin(Call call);
  unsigned long NativeHandle();

  std::unique_ptr<HostData> data_;
  std::unique_ptr<Plugin> plugin_;
  PartnerTableModel* model_ = nullptr;
  QSortFilterProxyModel* sorted_ = nullptr;

  QSplitter* splitter_ = nullptr;
  QListWidget* project_list_ = nullptr;
  QLabel* project_home_ = nullptr;
  QPushButton* add_project_button_ = nullptr;
  QPushButton* edit_project_button_ = nullptr;
  QPushButton* remove_project_button_ = nullptr;
  QLabel* partners_title_ = nullptr;
  QLabel* partners_summary_ = nullptr;
  QTableView* partner_table_ = nullptr;
  QPushButton* add_partner_button_ = nullptr;
  QPushButton* edit_partner_button_ = nullptr;
  QPushButton* remove_partner_button_ = nullptr;
  QPushButton* import_button_ = nullptr;
  QPushButton* export_button_ = nullptr;
  QPushButton* console_button_ = nullptr;
  QPushButton* check_now_button_ = nullptr;
  QPushButton* analysis_button_ = nullptr;
  QPushButton* kw_compare_button_ = nullptr;
  std::vector<QAction*> project_actions_;  // need a project
  std::vector<QAction*> partner_actions_;  // need a current partner
  QAction* remove_partners_action_ = nullptr;
  QAction* check_now_action_ = nullptr;
};

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_HOST_WINDOW_H_
