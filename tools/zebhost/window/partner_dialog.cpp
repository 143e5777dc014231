#include "window/partner_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>
#include <limits>
#include <utility>

#include "text/lines.h"
#include "views/window/rich_text.h"
#include "window/form_support.h"

namespace zebhost {
namespace {

using zeb::FromBytes;

// A field's text as bytes, in the encoding its stored value was shown in.
std::string Bytes(const QString& text, const std::string& stored) {
  return zeb::ToBytes(text, zeb::EncodingOf(stored));
}

// The link text's lines as the edit shows them (one per line) and back.
QString ShownLines(const zeb::Lines& lines) {
  return FromBytes(zeb::JoinLines(lines)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
zeb::Lines EnteredLines(const QPlainTextEdit* edit, const zeb::Lines& stored) {
  return zeb::SplitLines(Bytes(edit->toPlainText(), zeb::JoinLines(stored)));
}

}  // namespace

PartnerDialog::PartnerDialog(const std::string& project, AddFunction add, QWidget* parent)
    : QDialog(parent), project_(project), add_(std::move(add)) {
  Build(tr("New partner of %1").arg(FromBytes(project)));
  UpdateHop();
}

PartnerDialog::PartnerDialog(const zeb::PartnerRecord& partner, EditFunction edit, QWidget* parent)
    : QDialog(parent), stored_(partner), project_(partner.Project), edit_(std::move(edit)) {
  Build(tr("Partner %1 of %2").arg(FromBytes(partner.SiteName), FromBytes(partner.Project)));
  name_edit_->setText(FromBytes(partner.SiteName));
  home_edit_->setText(FromBytes(partner.ContactWebSite));
  start_edit_->setText(FromBytes(partner.BotStart));
  hop_spin_->setValue(partner.BotBaseHop);
  find_edit_->setText(FromBytes(partner.ShortCheck));
  link_text_edit_->setPlainText(ShownLines(partner.LongCheck));
  backlink_edit_->setText(FromBytes(partner.URL));
  UpdateHop();
}

void PartnerDialog::Build(const QString& title) {
  setObjectName("PartnerDialog");
  setWindowTitle(title);
  setMinimumWidth(560);

  auto line = [this](const char* name, const QString& placeholder, const QString& tip) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    edit->setToolTip(tip);
    edit->setClearButtonEnabled(true);
    return edit;
  };
  name_edit_ = line("NameEdit", tr("Cats Corner"), tr("The partner's name, unique in the project"));
  home_edit_ = line("HomePageEdit", tr("http://www.cats.example/"), tr("The partner's home page"));
  start_edit_ = line("StartPageEdit", tr("the home page"),
                     tr("The page where the crawl starts, when not the home page (for example "
                        "the partner's links page)"));
  hop_spin_ = new QSpinBox(this);
  hop_spin_->setObjectName("StartHopSpin");
  hop_spin_->setRange(0, std::numeric_limits<int>::max());
  hop_spin_->setToolTip(tr("How many hops below the home page the start page lies"));
  find_edit_ = line("FindEdit", tr("mysite.example"),
                    tr("The text whose presence on a page marks your link (one line), usually "
                       "part of your address"));
  link_text_edit_ = new QPlainTextEdit(this);
  link_text_edit_->setObjectName("LinkTextEdit");
  link_text_edit_->setPlaceholderText(
      tr("Your full link as the partner should show it (optional)"));
  link_text_edit_->setToolTip(
      tr("Your full link as the partner should show it; it may run over "
         "lines"));
  link_text_edit_->setTabChangesFocus(true);
  link_text_edit_->setFixedHeight(link_text_edit_->fontMetrics().lineSpacing() * 4 + 12);
  backlink_edit_ = line("BacklinkEdit", tr("none yet"),
                        tr("The page where your link was found last; the check keeps it up to "
                           "date"));

  auto* start_row = new QHBoxLayout;
  start_row->addWidget(start_edit_, 1);
  auto* hop_label = new QLabel(tr("&Hop:"), this);
  hop_label->setBuddy(hop_spin_);
  start_row->addWidget(hop_label);
  start_row->addWidget(hop_spin_);

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setHorizontalSpacing(12);
  form->setVerticalSpacing(8);
  form->addRow(tr("&Name:"), name_edit_);
  form->addRow(tr("H&ome page:"), home_edit_);
  auto* start_label = new QLabel(tr("&Start page:"), this);
  start_label->setBuddy(start_edit_);
  form->addRow(start_label, start_row);
  form->addRow(tr("&Find text:"), find_edit_);
  form->addRow(tr("&Link text:"), link_text_edit_);
  form->addRow(tr("&Backlink:"), backlink_edit_);

  error_line_ = MakeErrorLine(this);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->setObjectName("PartnerButtons");
  buttons_->button(QDialogButtonBox::Ok)->setObjectName("OkButton");
  buttons_->button(QDialogButtonBox::Ok)->setText(stored_ ? tr("Save") : tr("Add"));
  buttons_->button(QDialogButtonBox::Cancel)->setObjectName("CancelButton");
  connect(buttons_, &QDialogButtonBox::accepted, this, &PartnerDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &PartnerDialog::reject);
  connect(start_edit_, &QLineEdit::textChanged, this, &PartnerDialog::UpdateHop);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 18, 18, 14);
  layout->setSpacing(12);
  layout->addLayout(form);
  layout->addWidget(error_line_);
  layout->addWidget(buttons_);
}

// A hop belongs to a start page: without one it is 0 and cannot be set.
void PartnerDialog::UpdateHop() {
  const bool has_start = !start_edit_->text().trimmed().isEmpty();
  hop_spin_->setEnabled(has_start);
  if (!has_start) hop_spin_->setValue(0);
}

zeb::PartnerRecord PartnerDialog::EnteredPartner() const {
  zeb::PartnerRecord p;
  if (stored_) p = *stored_;
  p.Project = project_;
  p.SiteName = Bytes(name_edit_->text(), p.SiteName);
  p.ContactWebSite = Bytes(home_edit_->text(), p.ContactWebSite);
  p.BotStart = Bytes(start_edit_->text(), p.BotStart);
  p.BotBaseHop = hop_spin_->value();
  p.ShortCheck = Bytes(find_edit_->text(), p.ShortCheck);
  p.LongCheck = EnteredLines(link_text_edit_, p.LongCheck);
  p.URL = Bytes(backlink_edit_->text(), p.URL);
  return p;
}

zeb::PartnerChanges PartnerDialog::EnteredChanges() const {
  zeb::PartnerChanges changes;
  if (!stored_) return changes;
  const zeb::PartnerRecord& s = *stored_;
  // Only what the user changed is saved: an untouched field keeps its stored bytes.
  auto changed = [](const QString& text, const std::string& stored) {
    return text != FromBytes(stored);
  };
  if (changed(name_edit_->text(), s.SiteName))
    changes.rename = Bytes(name_edit_->text(), s.SiteName);
  if (changed(home_edit_->text(), s.ContactWebSite)) {
    changes.home = Bytes(home_edit_->text(), s.ContactWebSite);
  }
  if (changed(start_edit_->text(), s.BotStart))
    changes.start = Bytes(start_edit_->text(), s.BotStart);
  if (hop_spin_->value() != s.BotBaseHop) changes.start_hop = hop_spin_->value();
  if (changed(find_edit_->text(), s.ShortCheck))
    changes.find = Bytes(find_edit_->text(), s.ShortCheck);
  if (zeb::Lines link = EnteredLines(link_text_edit_, s.LongCheck); link != s.LongCheck) {
    changes.link_text = std::move(link);
  }
  if (changed(backlink_edit_->text(), s.URL))
    changes.backlink = Bytes(backlink_edit_->text(), s.URL);
  return changes;
}

void PartnerDialog::accept() {
  try {
    if (stored_) {
      edit_(EnteredChanges());
    } else {
      add_(EnteredPartner());
    }
  } catch (const std::exception& e) {
    ShowRefusal(error_line_, e);
    return;
  }
  QDialog::accept();
}

}  // namespace zebhost
