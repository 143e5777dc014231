// The partner dialog of the host window: every field of a partner, for a new partner or an
// existing one. OK hands the fields to a save function (HostData's add or edit, through the
// shared editing rules); a refused save shows its message in the dialog, which stays open, and
// nothing is written.
#ifndef ZEBHOST_WINDOW_PARTNER_DIALOG_H_
#define ZEBHOST_WINDOW_PARTNER_DIALOG_H_

#include <QDialog>
#include <functional>
#include <optional>

#include "data/app_tables.h"
#include "data/partner_editing.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace zebhost {

class PartnerDialog : public QDialog {
  Q_OBJECT

 public:
  // Throws zeb::PartnerEditError (or any std::exception) when the fields are refused.
  using AddFunction = std::function<void(const zeb::PartnerRecord&)>;
  using EditFunction = std::function<void(const zeb::PartnerChanges&)>;

  // A new partner of `project`.
  PartnerDialog(const std::string& project, AddFunction add, QWidget* parent = nullptr);
  // The stored partner `partner`; only the fields the user changed are saved.
  PartnerDialog(const zeb::PartnerRecord& partner, EditFunction edit, QWidget* parent = nullptr);

  // The fields as entered: a new record (project set), or the changes to the stored one.
  zeb::PartnerRecord EnteredPartner() const;
  zeb::PartnerChanges EnteredChanges() const;

  void accept() override;

 private:
  void Build(const QString& title);
  void UpdateHop();

  std::optional<zeb::PartnerRecord> stored_;  // the partner edited; none for a new one
  std::string project_;
  AddFunction add_;
  EditFunction edit_;

  QLineEdit* name_edit_ = nullptr;
  QLineEdit* home_edit_ = nullptr;
  QLineEdit* start_edit_ = nullptr;
  QSpinBox* hop_spin_ = nullptr;
  QLineEdit* find_edit_ = nullptr;
  QPlainTextEdit* link_text_edit_ = nullptr;
  QLineEdit* backlink_edit_ = nullptr;
  QLabel* error_line_ = nullptr;  // why the fields were refused
  QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_PARTNER_DIALOG_H_
