// The first-run dialog: shown when the user has no settings store yet. It offers the default
// folders (those zebhost init makes) or folders of the user's choice, and sets them up (folders,
// tables, settings, through setup.h) only when the user says yes; Quit creates nothing.
#ifndef ZEBHOST_WINDOW_FIRST_RUN_DIALOG_H_
#define ZEBHOST_WINDOW_FIRST_RUN_DIALOG_H_

#include <QDialog>

#include "setup.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zebhost {

class FirstRunDialog : public QDialog {
  Q_OBJECT

 public:
  // suggested: the default folders (SuggestedFolders()).
  explicit FirstRunDialog(Folders suggested, QWidget* parent = nullptr);

  // Sets up the folders chosen; on a failure the dialog stays open with the reason.
  void accept() override;

 private:
  void UpdateChoice();
  void Browse(QLineEdit* edit, const QString& caption);

  Folders suggested_;
  QRadioButton* default_choice_ = nullptr;
  QRadioButton* own_choice_ = nullptr;
  QLineEdit* exe_edit_ = nullptr;
  QLineEdit* data_edit_ = nullptr;
  QPushButton* exe_browse_ = nullptr;
  QPushButton* data_browse_ = nullptr;
  QLabel* error_line_ = nullptr;
};

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_FIRST_RUN_DIALOG_H_
