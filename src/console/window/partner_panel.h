// The console's partner selection: the project list (ComboBox3, in the row above the settings
// bar) and the "Partners" box, the partner check list with its found marks and Check All /
// Uncheck All.
//
// The lists are read through PartnerSelection; choosing a project or a partner goes to the
// RunController, whose display the window then redraws (RedrawNeeded). While a run is on the
// list only follows the run. GUI thread only.
#ifndef ZEB_CONSOLE_WINDOW_PARTNER_PANEL_H_
#define ZEB_CONSOLE_WINDOW_PARTNER_PANEL_H_

#include <QGroupBox>
#include <QIcon>
#include <string>
#include <vector>

#include "console/partner_selection.h"
#include "console/run_controller.h"

class QComboBox;
class QListWidget;

namespace zeb {

class HtmlButton;

class PartnerPanel : public QGroupBox {
  Q_OBJECT

 public:
  PartnerPanel(const PartnerSelection& selection, RunController& controller,
               QWidget* parent = nullptr);

  // The "Project:" caption and ComboBox3. The row stands above the settings bar, outside the
  // box: the window places it in its own layout.
  QWidget* project_row() const { return project_row_; }

  // Fills the project list, with no project current.
  void LoadProjects();
  // The host's choice as the window shows: the project (shown as if chosen), the partner made
  // current and shown, then the partners to check, the first of them in list order current.
  void Preselect(const std::string& project, const std::string& partner,
                 const std::vector<std::string>& checked);
  // Refills the partner list of the current project, keeping the checks (the end of a run
  // refreshes the found marks), and clears the shown partner's labels.
  void LoadPartners();
  // Makes the partner current without showing it again (the list follows a run).
  void SelectPartnerItem(const std::string& name);
  // The list follows the display's selected partner whenever the display asks it to.
  void Refresh(const ConsoleDisplay& display);
  // Announces whether Label35 and Label33 are the user's to read: with fewer than two
  // partners checked and no run on (StartAndFindEnabled).
  void ShowPartnerEnabled();
  // The project list, the partner list and its two buttons (off during a run).
  void SetControlsEnabled(bool on);
  // The project list alone (off while your-site information is gathered).
  void SetProjectListEnabled(bool on);

  std::string CurrentProject() const;
  // The partner list's current item as stored, or "" when none is current.
  std::string SelectedPartnerName() const;
  std::vector<std::string> CheckedPartners() const;
  int CheckedCount() const;

 signals:
  // The panel changed the controller's display: the window redraws at once.
  void RedrawNeeded();
  // What Run Checked depends on changed: the project, the checks, the partner shown.
  void RunnableChanged();
  // Label35 and Label33 (the start page and the Find text) are to be enabled or not.
  void StartAndFindEnabled(bool on);

 private:
  void ComboBox3Change();    // a project chosen in the list
  void ShowPartner();        // the partner list's current item changed
  void HTMLButton4Click();   // check all
  void HTMLButton13Click();  // uncheck all
  void SetAllChecked(bool on);

  const PartnerSelection& selection_;
  RunController& controller_;
  int selection_serial_ = 0;  // the display's selection_serial the list last followed

  QWidget* project_row_;       // the "Project:" caption and ComboBox3
  QComboBox* ComboBox3;        // the project list
  QListWidget* CheckListBox1;  // the partner check list, with the found marks
  QIcon ImageList1[2];         // the found marks: 0 found, 1 not found
  HtmlButton* HTMLButton4;     // check all
  HtmlButton* HTMLButton13;    // uncheck all
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_PARTNER_PANEL_H_
