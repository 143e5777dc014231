// The position analysis view ("ZEB Bot Position Analysis"): a project's stored analyses charted
// per partner (hops, link positions, word positions in three bands of one chart, paged), listed
// in a sortable grid, and the current partner's start page, date, hop sequence and page texts.
// It only reads, through AnalysisViewSource; the rules live in views/analysis_view_model.h and
// views/sort_keys.h.
#ifndef ZEB_VIEWS_ANALYZE_VIEW_FORM_H_
#define ZEB_VIEWS_ANALYZE_VIEW_FORM_H_

#include <QDialog>
#include <string>
#include <vector>

#include "data/file_locations.h"
#include "views/analysis_view_model.h"
#include "views/sort_keys.h"

class QCheckBox;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QSpinBox;
class QTableWidget;
class QToolButton;
class QTreeWidget;

namespace zeb {

class TZEBAnalyzeViewForm : public QDialog {
  Q_OBJECT

 public:
  explicit TZEBAnalyzeViewForm(FileLocations locations, QWidget* parent = nullptr);

  std::string ProjectName;  // the project to show first; empty: the first of the list
  std::string PartnerName;  // handed in by the opener; not used

  // The result set as shown, in its current order, and the current record (-1 for none).
  const std::vector<AnalysisRecord>& records() const { return records_; }
  int current() const { return current_; }
  int page() const { return page_; }
  // Makes a record current (a click on its point or its grid row).
  void SetCurrent(int index);
  void ShowPage(int page);

  // Renders the chart onto a printer (print preview, PDF export).
  void PrintChart(QPrinter& printer) const;
  // Writes the chart (PNG, SVG, PDF by the file's ending) or its data (CSV). Returns false when
  // the file cannot be written.
  bool ExportTo(const QString& file) const;

 public slots:
  void RebuildQuery();
  void ShowCurrentPartner();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  bool event(QEvent* event) override;

 private:
  void FormShow();
  QWidget* BuildChart();
  QWidget* BuildDetails();
  void FillChart();
  void FillGrid();
  void SortBy(int column, bool add_key);
  void ShowText();
  void OpenKeywordComparisons();

  FileLocations locations_;
  AnalysisViewSource source_;
  std::vector<AnalysisRecord> records_;
  CountsBySite counts_;  // the Counts column: each partner's last verdict, by site name
  int current_ = -1;
  int page_ = 0;
  bool Rebuilding = false;  // the result set is being rebuilt: no refresh per record
  bool shown_once_ = false;
  SortKeys sort_keys_;  // the grid's sort, by the user's clicks; cleared with each query

  QComboBox* project_list_;    // Project
  QComboBox* order_by_;        // Order by, with its separator lines
  QSpinBox* per_page_;         // Partners/Page
  QCheckBox* only_values_;     // Do not show if no values
  QChartView* chart_view_;     // the chart of the nine series
  QLabel* page_label_;         // "Page %d of %d"
  QToolButton* previous_page_;
  QToolButton* next_page_;
  QTableWidget* grid_;         // the ten columns of the result set
  QLabel* site_link_;          // the current partner, linked to its start page
  QLabel* last_analyzed_;      // Last Analyzed: the record's date
  QComboBox* text_selector_;   // which stored page text the pane shows
  QPlainTextEdit* text_pane_;  // that text
  QTreeWidget* hop_tree_;      // Hop Sequence: the stored result tree
  QLabel* hint_line_;          // the bottom hint line
};

}  // namespace zeb

#endif  // ZEB_VIEWS_ANALYZE_VIEW_FORM_H_
