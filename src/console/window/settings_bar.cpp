#include "console/window/settings_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/settings_catalog.h"
#include "text/lines.h"
#include "views/window/rich_text.h"
#include "views/window/window_support.h"

namespace zeb {
namespace {

const char* const kPanelTitles[kPanelCount] = {"Misc",           "Connection Throttling",
                                               "Ignores",        "Key Word Density",
                                               "URL Exceptions", "Hot Link"};

// A list field's bytes, one line per entry, as one text for the encoding rule.
std::string Joined(const Lines& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + '\n';
  return all;
}

QString ListText(const Lines& lines, TextEncoding encoding) {
  QStringList out;
  for (const std::string& line : lines) out << FromBytes(line, encoding);
  return out.join('\n');
}

Lines TextLines(const QPlainTextEdit* edit, TextEncoding encoding) {
  if (edit->document()->isEmpty()) return {};
  return ToBytes(edit->toPlainText().split('\n'), encoding);
}

}  // namespace

SettingsBar::SettingsBar(BotSettingsEditor& editor, std::string exe_folder, QWidget* parent)
    : QToolBox(parent), editor_(editor), exe_folder_(std::move(exe_folder)) {
  setObjectName("SettingsBar");
  filling_ = true;
  addItem(Panel(SettingsPanel::kMisc, BuildMisc()), kPanelTitles[0]);
  addItem(Panel(SettingsPanel::kConnectionThrottling, BuildConnectionThrottling()),
          kPanelTitles[1]);
  addItem(Panel(SettingsPanel::kIgnores, BuildIgnores()), kPanelTitles[2]);
  addItem(Panel(SettingsPanel::kKeyWordDensity, BuildKeyWordDensity()), kPanelTitles[3]);
  addItem(Panel(SettingsPanel::kURLExceptions, BuildURLExceptions()), kPanelTitles[4]);
  addItem(Panel(SettingsPanel::kHotLink, BuildHotLink()), kPanelTitles[5]);
  filling_ = false;
  setMinimumWidth(270);
  SetShades(true);
  MarkAllClean();
}

QWidget* SettingsBar::Panel(SettingsPanel panel, QWidget* body) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(body);
  layout->addStretch(1);
  auto* save = new QPushButton("Save");
  save->setObjectName(QString("Save%1").arg(static_cast<int>(Index(panel))));
  save->setStatusTip(QString("Store the values of the %1 panel.").arg(kPanelTitles[Index(panel)]));
  connect(save, &QPushButton::clicked, this, [this, panel] { Save(panel); });
  layout->addWidget(save, 0, Qt::AlignRight);
  save_[Index(panel)] = save;
  panels_[Index(panel)] = page;
  return page;
}

QSpinBox* SettingsBar::Spin(const char* name, int minimum, int step, int value,
                            SettingsPanel panel, int BotSettings::*field) {
  auto* spin = new QSpinBox;
  spin->setObjectName(name);
  spin->setRange(minimum, kMaxSpin);
  spin->setSingleStep(step);
  spin->setValue(value);
  spin->setGroupSeparatorShown(true);
  connect(spin, &QSpinBox::valueChanged, this, [this, panel, field](int v) {
    if (filling_) return;
    editor_.Edit(panel).*field = v;
    Changed(panel);
  });
  return spin;
}

QCheckBox* SettingsBar::Switch(const char* name, const QString& text, bool value,
                               SettingsPanel panel, bool BotSettings::*field) {
  auto* box = new QCheckBox(text);
  box->setObjectName(name);
  box->setChecked(value);
  connect(box, &QCheckBox::toggled, this, [this, panel, field](bool on) {
    if (filling_) return;
    editor_.Edit(panel).*field = on;
    Changed(panel);
  });
  return box;
}

QPlainTextEdit* SettingsBar::WordList(const char* name, const Lines& lines, SettingsPanel panel,
                                      Lines BotSettings::*field) {
  const TextEncoding encoding = EncodingOf(Joined(lines));
  auto* edit = new QPlainTextEdit(ListText(lines, encoding));
  edit->setObjectName(name);
  connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, panel, field, encoding] {
    if (filling_) return;
    editor_.Edit(panel).*field = TextLines(edit, encoding);
    Changed(panel);
  });
  return edit;
}

QWidget* SettingsBar::BuildMisc() {
  const BotSettings& s = editor_.settings();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  RECheckBox2 = Switch("RECheckBox2", "Analyze Home Page", s.AnalyzeBase, SettingsPanel::kMisc,
                       &BotSettings::AnalyzeBase);
  RECheckBox2->setStatusTip(
      "Gather the title, meta tags and keyword density of the partner's home page.");
  RECheckBox1 = Switch("RECheckBox1", "Analyze Backlink", s.AnalyzeFound, SettingsPanel::kMisc,
                       &BotSettings::AnalyzeFound);
  RECheckBox1->setStatusTip("Gather where your link sits on the page that carries it.");
  RECheckBox4 = Switch("RECheckBox4", "Auto-Update Partner", s.AutoUpdatePartner,
                       SettingsPanel::kMisc, &BotSettings::AutoUpdatePartner);
  RECheckBox4->setStatusTip("When your link is found, store the page and a history record.");
  modern_web_ = Switch("ModernWebCheckBox", "Modern web (https, compressed pages)", s.ModernWeb,
                       SettingsPanel::kMisc, &BotSettings::ModernWeb);
  modern_web_->setStatusTip(
      "Crawl https and compressed pages, read robots.txt as search engines do, and tell a site "
      "that cannot be checked from a lost link.");
  LUCombo3 = new QComboBox;
  LUCombo3->setObjectName("LUCombo3");
  LUCombo3->setEditable(true);
  LUCombo3->setInsertPolicy(QComboBox::NoInsert);
  LUCombo3->setStatusTip("The name the bot leaves in the partners' server logs.");
  LoadUserAgentHistory();
  user_agent_encoding_ = EncodingOf(s.UserAgent);
  LUCombo3->setEditText(FromBytes(s.UserAgent));
  connect(LUCombo3, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (filling_) return;
    editor_.Edit(SettingsPanel::kMisc).UserAgent = ToBytes(text, user_agent_encoding_);
    Changed(SettingsPanel::kMisc);
  });
  gather_button_ = new QPushButton("Gather Information on Your Site...");
  gather_button_->setObjectName("GatherButton");
  gather_button_->setStatusTip("Read the keywords of your own home page for the comparison.");
  show_button_ = new QPushButton("Show Information...");
  show_button_->setObjectName("ShowInformationButton");
  show_button_->setStatusTip("Show the keywords stored for your home page.");
  site_status_ = PlainLabel("SiteStatus");  // statuses carry servers' messages
  site_status_->setWordWrap(true);
  for (QWidget* w : {static_cast<QWidget*>(RECheckBox2), static_cast<QWidget*>(RECheckBox1),
                     static_cast<QWidget*>(RECheckBox4), static_cast<QWidget*>(modern_web_)}) {
    layout->addWidget(w);
  }
  layout->addWidget(new QLabel("User Agent"));
  layout->addWidget(LUCombo3);
  layout->addSpacing(8);
  layout->addWidget(gather_button_);
  layout->addWidget(show_button_);
  layout->addWidget(site_status_);
  return body;
}

QWidget* SettingsBar::BuildConnectionThrottling() {
  const BotSettings& s = editor_.settings();
  auto* body = new QWidget;
  auto* form = new QFormLayout(body);
  form->setContentsMargins(0, 0, 0, 0);
  form->setRowWrapPolicy(QFormLayout::WrapAllRows);  // labels above their fields: a narrow bar
  ComboBox1 = new QComboBox;
  ComboBox1->setObjectName("ComboBox1");
  for (const char* item : ConnectionChoices()) ComboBox1->addItem(item);
  ComboBox1->setStatusTip("How many pages of a partner's site are read at once.");
  presets_ = new QComboBox;
  presets_->setObjectName("Presets");
  for (const ThrottlePreset& preset : ThrottlePresets()) presets_->addItem(preset.name);
  presets_->setCurrentIndex(-1);
  presets_->setPlaceholderText("Choose...");
  presets_->setStatusTip("Set the connections and both throttles for your line.");
  AdvSpinEdit2 = Spin("AdvSpinEdit2", 0, 100, s.ThrottleBand,
                      SettingsPanel::kConnectionThrottling, &BotSettings::ThrottleBand);
  AdvSpinEdit2->setStatusTip("Bytes per second for each connection; 0 for no limit.");
  AdvSpinEdit3 = Spin("AdvSpinEdit3", 0, 50, s.ThrottleProc, SettingsPanel::kConnectionThrottling,
                      &BotSettings::ThrottleProc);
  AdvSpinEdit3->setStatusTip("A pause after each page, in milliseconds; 0 for none.");
  ShowConnections();
  connect(ComboBox1, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (filling_) return;
    editor_.Edit(SettingsPanel::kConnectionThrottling).Connections = text.toInt();
    Changed(SettingsPanel::kConnectionThrottling);
  });
  connect(presets_, &QComboBox::activated, this, [this](int index) {
    if (!editor_.ChoosePreset(presets_->itemText(index).toStdString())) return;
    ShowConnections();
    Changed(SettingsPanel::kConnectionThrottling);
  });
  for (QSpinBox* spin : {AdvSpinEdit2, AdvSpinEdit3}) {
    connect(spin, &QSpinBox::valueChanged, this, [this] {
      emit ThrottlesChanged(AdvSpinEdit2->value(), AdvSpinEdit3->value());
    });
  }
  form->addRow("Connections", ComboBox1);
  form->addRow("Presets", presets_);
  form->addRow("Bandwidth Throttle (bytes)*", AdvSpinEdit2);
  form->addRow("Process Throttle (ms)*", AdvSpinEdit3);
  auto* note = new QLabel("* per connection");
  note->setEnabled(false);
  form->addRow(note);
  return body;
}

// The Connection Throttling controls from the settings (a preset changed all three).
void SettingsBar::ShowConnections() {
  const BotSettings& s = editor_.settings();
  const bool was_filling = filling_;
  filling_ = true;
  ComboBox1->setCurrentIndex(s.Connections ? ComboBox1->findText(QString::number(*s.Connections))
                                           : -1);
  AdvSpinEdit2->setValue(s.ThrottleBand);
  AdvSpinEdit3->setValue(s.ThrottleProc);
  filling_ = was_filling;
}

QWidget* SettingsBar::BuildIgnores() {
  const BotSettings& s = editor_.settings();
  auto* body = new QWidget;
  auto* form = new QFormLayout(body);
  form->setContentsMargins(0, 0, 0, 0);
  form->setRowWrapPolicy(QFormLayout::WrapAllRows);  // labels above their fields: a narrow bar
  AdvSpinEdit1 = Spin("AdvSpinEdit1", 5000, 1000, s.IgnoreSize, SettingsPanel::kIgnores,
                      &BotSettings::IgnoreSize);
  AdvSpinEdit1->setStatusTip("Pages larger than this many bytes are skipped.");
  AdvSpinEdit5 =
      Spin("AdvSpinEdit5", -1, 1, s.StopHops, SettingsPanel::kIgnores, &BotSettings::StopHops);
  AdvSpinEdit5->setStatusTip("Stop this many links away from the start page.");
  AdvSpinEdit6 =
      Spin("AdvSpinEdit6", 0, 1, s.StopLinks, SettingsPanel::kIgnores, &BotSettings::StopLinks);
  AdvSpinEdit6->setStatusTip("Stop collecting addresses at this many; 0 for no limit.");
  AdvSpinEdit7 =
      Spin("AdvSpinEdit7", 0, 1, s.StopTime, SettingsPanel::kIgnores, &BotSettings::StopTime);
  AdvSpinEdit7->setStatusTip("Give up on a partner after this many seconds; 0 for no limit.");
  form->addRow("Ignore pages greater than", AdvSpinEdit1);
  form->addRow("", new QLabel("bytes (0 reads all pages)"));
  form->addRow("Stop at", AdvSpinEdit5);
  form->addRow("", new QLabel("hops"));
  form->addRow("or", AdvSpinEdit6);
  form->addRow("", new QLabel("links"));
  form->addRow("or", AdvSpinEdit7);
  form->addRow("", new QLabel("seconds"));
  return body;
}

QWidget* SettingsBar::BuildKeyWordDensity() {
  const BotSettings& s = editor_.settings();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  AdvSpinEdit4 = Spin("AdvSpinEdit4", 0, 1, s.KWDensity, SettingsPanel::kKeyWordDensity,
                      &BotSettings::KWDensity);
  AdvSpinEdit4->setStatusTip("Report words found at least this many times on a page.");
  stop_words_ = WordList("StopWords", s.StopWords, SettingsPanel::kKeyWordDensity,
                         &BotSettings::StopWords);
  stop_words_->setStatusTip("Words the keyword density leaves out, one per line.");
  auto* row = new QFormLayout;
  row->addRow("Ignore Size >", AdvSpinEdit4);
  layout->addLayout(row);
  layout->addWidget(new QLabel("Words to leave out:"));
  layout->addWidget(stop_words_, 1);
  return body;
}

QWidget* SettingsBar::BuildURLExceptions() {
  const BotSettings& s = editor_.settings();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  RECheckBox5 = Switch("RECheckBox5", "URL Exceptions", s.URLExceptions,
                       SettingsPanel::kURLExceptions, &BotSettings::URLExceptions);
  RECheckBox5->setStatusTip("Leave out every address that holds one of the words below.");
  url_exceptions_ = WordList("URLExceptionWords", s.URLExceptionWords,
                             SettingsPanel::kURLExceptions, &BotSettings::URLExceptionWords);
  url_exceptions_->setStatusTip("Words that keep an address out of the crawl, one per line.");
  layout->addWidget(RECheckBox5);
  layout->addWidget(url_exceptions_, 1);
  return body;
}

QWidget* SettingsBar::BuildHotLink() {
  const BotSettings& s = editor_.settings();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  RECheckBox6 = Switch("RECheckBox6", "Hot Link", s.HotLink, SettingsPanel::kHotLink,
                       &BotSettings::HotLink);
  RECheckBox6->setStatusTip("Read first the addresses that hold one of the words below.");
  hot_links_ = new QTableWidget(static_cast<int>(s.HotLinkWords.size()), 1);
  hot_links_->setObjectName("HotLinkGrid");
  hot_links_->setHorizontalHeaderLabels({"Value"});
  hot_links_->horizontalHeader()->setStretchLastSection(true);
  hot_links_->verticalHeader()->hide();
  hot_links_->setStatusTip("Words that make an address read first, one per row.");
  hot_link_encoding_ = EncodingOf(Joined(s.HotLinkWords));
  for (std::size_t i = 0; i < s.HotLinkWords.size(); ++i) {
    hot_links_->setItem(static_cast<int>(i), 0,
                        new QTableWidgetItem(FromBytes(s.HotLinkWords[i], hot_link_encoding_)));
  }
  connect(hot_links_, &QTableWidget::itemChanged, this, [this] { StoreHotLinkGrid(); });
  // A move of the selection from one cell to another counts as a change, as typing does.
  connect(hot_links_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previous_row, int) {
            if (previous_row >= 0 && row != previous_row) StoreHotLinkGrid();
          });
  auto* add_row = new QPushButton("Add Row");
  add_row->setStatusTip("Add an empty row to the list.");
  connect(add_row, &QPushButton::clicked, this, [this] {
    hot_links_->insertRow(hot_links_->rowCount());
    hot_links_->setItem(hot_links_->rowCount() - 1, 0, new QTableWidgetItem);
    StoreHotLinkGrid();
  });
  layout->addWidget(RECheckBox6);
  layout->addWidget(hot_links_, 1);
  layout->addWidget(add_row, 0, Qt::AlignLeft);
  return body;
}

void SettingsBar::StoreHotLinkGrid() {
  if (filling_) return;
  QStringList rows;
  for (int r = 0; r < hot_links_->rowCount(); ++r) {
    QTableWidgetItem* item = hot_links_->item(r, 0);
    rows << (item != nullptr ? item->text() : QString());
  }
  editor_.Edit(SettingsPanel::kHotLink).HotLinkWords = ToBytes(rows, hot_link_encoding_);
  Changed(SettingsPanel::kHotLink);
}

void SettingsBar::Changed(SettingsPanel panel) {
  save_[Index(panel)]->setEnabled(editor_.SaveEnabled(panel));
}

void SettingsBar::MarkChanged(SettingsPanel panel) {
  editor_.Edit(panel);
  Changed(panel);
}

void SettingsBar::MarkAllClean() {
  editor_.MarkAllClean();
  for (QPushButton* save : save_) save->setEnabled(false);
}

void SettingsBar::Save(SettingsPanel panel) {
  try {
    editor_.Save(panel);
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "ZEB Bot",
                         QString("The %1 settings cannot be saved: %2")
                             .arg(kPanelTitles[Index(panel)], FromBytes(e.what())));
  }
  if (panel == SettingsPanel::kMisc) RememberUserAgent();
  Changed(panel);
}

void SettingsBar::LoadUserAgentHistory() {
  QSettings ini(FormIniFile(exe_folder_), QSettings::IniFormat);
  const QStringList history = ini.value("ZEBUserAgent/History").toStringList();
  LUCombo3->addItems(history.mid(0, static_cast<int>(kUserAgentHistory)));
}

void SettingsBar::RememberUserAgent() {
  std::vector<std::string> history;
  for (int i = 0; i < LUCombo3->count(); ++i) history.push_back(LUCombo3->itemText(i).toStdString());
  history = AddToHistory(history, LUCombo3->currentText().toStdString());
  QStringList items;
  for (const std::string& item : history) items << QString::fromStdString(item);
  const QString text = LUCombo3->currentText();
  const bool was_filling = filling_;
  filling_ = true;
  LUCombo3->clear();
  LUCombo3->addItems(items);
  LUCombo3->setEditText(text);
  filling_ = was_filling;
  if (exe_folder_.empty()) return;
  QSettings ini(FormIniFile(exe_folder_), QSettings::IniFormat);
  ini.setValue("ZEBUserAgent/History", items);
}

QString SettingsBar::SiteStatus() const { return site_status_->text(); }

void SettingsBar::SetSiteStatus(const QString& text) {
  site_status_->setText(text);
  site_status_->repaint();
  emit SiteStatusChanged(text);
}

void SettingsBar::SetControlsEnabled(bool on) {
  for (std::size_t i = 0; i < kPanelCount; ++i) {
    if (i != Index(SettingsPanel::kConnectionThrottling)) panels_[i]->setEnabled(on);
  }
  ComboBox1->setEnabled(on);
  presets_->setEnabled(on);
  if (!on) setCurrentIndex(static_cast<int>(Index(SettingsPanel::kConnectionThrottling)));
  SetShades(on);
}

// The panel headers: yellow into blue while the settings can be changed, grey during a run.
void SettingsBar::SetShades(bool on) {
  const QString from = on ? "#ffff00" : "#808080";
  const QString to = on ? "#6464ff" : "#808080";
  setStyleSheet(QString("QToolBox::tab { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                        "stop:0 %1, stop:1 %2); border-radius: 3px; color: %3; "
                        "font-weight: bold; }")
                    .arg(from, to, on ? "#202020" : "#f0f0f0"));
}

}  // namespace zeb
