// The keyword comparative view ("KeyWord Comparative"): the user's home page keywords beside a
// partner's, in two grids, the partner's home page (top) and backlink page (bottom). It only
// reads stored results, through ComparisonSource (views/kw_comparison.h holds the rules,
// views/sort_keys.h the sort); the window shows, prints and remembers its place.
#ifndef ZEB_VIEWS_KW_COMPARATIVE_FORM_H_
#define ZEB_VIEWS_KW_COMPARATIVE_FORM_H_

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

#include "data/file_locations.h"
#include "views/kw_comparison.h"
#include "views/sort_keys.h"

class QComboBox;
class QLabel;
class QPrinter;
class QRadioButton;
class QSplitter;
class QTableWidget;

namespace zeb {

class TZEBKWComparativeForm : public QDialog {
  Q_OBJECT

 public:
  TZEBKWComparativeForm(FileLocations locations, QWidget* parent = nullptr);

  std::string ProjectName;  // the project shown; the entry point may set it before showing
  std::string PartnerName;  // the partner shown; empty: the project's first

  // Prints a grid with its title and a "For: " line naming the partner.
  void PrintGrid(QTableWidget* grid, QPrinter& printer) const;

 public slots:
  void FormShow();
  bool LoadProjects();  // false when they could not be read (the error was shown)
  void LoadPartners();
  void LoadComparison();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void done(int result) override;
  bool event(QEvent* event) override;

 private:
  void FillComparisonGrids();
  void ShowGrid(QTableWidget* grid, const ComparisonGrid& rows);
  void SortBy(int grid_index, int column, bool add_key);
  void Print(QTableWidget* grid);
  // A grid named `name`, sorted as grid `index` of rows_ (0: home page, 1: backlink).
  QTableWidget* MakeGrid(const char* name, int index, const QStringList& headers);
  RowFilter CurrentFilter() const;

  FileLocations locations_;
  ComparisonSource source_;
  ComparisonLists lists_;
  ComparisonGrid rows_[2];   // 0: home page grid, 1: backlink grid
  SortKeys sort_keys_[2];    // the user's sort of each grid
  bool shown_once_ = false;

  QComboBox* project_list_;       // the projects (never "Default")
  QComboBox* partner_list_;       // the project's analysed partners
  QRadioButton* show_all_;        // Show All
  QRadioButton* remove_no_matches_;  // Remove No Matches
  QRadioButton* remove_only_tag_;    // Remove Where Only "Your Keyword Tag"
  QTableWidget* AdvStringGrid2;   // Home Page Comparison
  QTableWidget* AdvStringGrid1;   // Backlink Page Comparison
  QSplitter* splitter_;           // between the two grids
  QLabel* hint_line_;             // the bottom hint line
};

}  // namespace zeb

#endif  // ZEB_VIEWS_KW_COMPARATIVE_FORM_H_
