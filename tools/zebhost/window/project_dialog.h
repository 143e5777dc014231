// The project dialog of the host window: a project's name and your home page, for a new project
// or an existing one (a changed name renames it). OK hands the fields to a save function
// (HostData's add or edit); a refused save shows its message in the dialog, which stays open.
#ifndef ZEBHOST_WINDOW_PROJECT_DIALOG_H_
#define ZEBHOST_WINDOW_PROJECT_DIALOG_H_

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "data/app_tables.h"
#include "data/project_editing.h"

class QLabel;
class QLineEdit;

namespace zebhost {

class ProjectDialog : public QDialog {
  Q_OBJECT

 public:
  // Throws zeb::PartnerEditError (or any std::exception) when the fields are refused.
  using AddFunction = std::function<void(const std::string& name, const std::string& home_page)>;
  using EditFunction = std::function<void(const zeb::ProjectChanges&)>;

  explicit ProjectDialog(AddFunction add, QWidget* parent = nullptr);
  ProjectDialog(const zeb::ProjectRecord& project, EditFunction edit, QWidget* parent = nullptr);

  void accept() override;

 private:
  void Build(const QString& title, const QString& ok_text);

  std::optional<zeb::ProjectRecord> stored_;
  AddFunction add_;
  EditFunction edit_;
  QLineEdit* name_edit_ = nullptr;
  QLineEdit* home_edit_ = nullptr;
  QLabel* error_line_ = nullptr;
};

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_PROJECT_DIALOG_H_
