// The console's settings bar: six collapsible panels ("Misc", "Connection Throttling",
// "Ignores", "Key Word Density", "URL Exceptions", "Hot Link"), each with its Save button.
//
// A view over BotSettingsEditor: every change of a control goes into the editor's settings (so a
// run uses it, saved or not) and enables its panel's Save; Save writes that panel through the
// editor. During a run only the two throttles can be changed; their new values are announced
// with ThrottlesChanged.
#ifndef ZEB_CONSOLE_WINDOW_SETTINGS_BAR_H_
#define ZEB_CONSOLE_WINDOW_SETTINGS_BAR_H_

#include <QToolBox>
#include <array>
#include <string>

#include "console/bot_settings.h"
#include "views/window/rich_text.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zeb {

class SettingsBar : public QToolBox {
  Q_OBJECT

 public:
  // exe_folder: where "FORM.INI" keeps the user-agent history.
  SettingsBar(BotSettingsEditor& editor, std::string exe_folder, QWidget* parent = nullptr);

  // A run starts (on false) or ends (on true): every panel but the throttles is locked.
  void SetControlsEnabled(bool on);
  // A control outside the panels changed a panel's state (Lock Tree enables "Misc" Save).
  void MarkChanged(SettingsPanel panel);
  // All Save buttons off, as when the window shows.
  void MarkAllClean();
  // The user agent of a run joins the history.
  void RememberUserAgent();

  QPushButton* SaveButton(SettingsPanel panel) const { return save_[Index(panel)]; }
  QPushButton* gather_button() const { return gather_button_; }
  QPushButton* show_button() const { return show_button_; }
  // The your-site status line; every text is shown at once and announced.
  void SetSiteStatus(const QString& text);
  QString SiteStatus() const;

 signals:
  void ThrottlesChanged(int bandwidth, int process);
  void SiteStatusChanged(const QString& text);

 private:
  static std::size_t Index(SettingsPanel panel) { return static_cast<std::size_t>(panel); }
  QWidget* BuildMisc();
  QWidget* BuildConnectionThrottling();
  QWidget* BuildIgnores();
  QWidget* BuildKeyWordDensity();
  QWidget* BuildURLExceptions();
  QWidget* BuildHotLink();
  QWidget* Panel(SettingsPanel panel, QWidget* body);
  QSpinBox* Spin(const char* name, int minimum, int step, int value, SettingsPanel panel,
                 int BotSettings::*field);
  QCheckBox* Switch(const char* name, const QString& text, bool value, SettingsPanel panel,
                    bool BotSettings::*field);
  // A word list, one entry per line, kept in `field`.
  QPlainTextEdit* WordList(const char* name, const Lines& lines, SettingsPanel panel,
                           Lines BotSettings::*field);
  void Changed(SettingsPanel panel);
  void Save(SettingsPanel panel);
  void ShowConnections();
  void LoadUserAgentHistory();
  void StoreHotLinkGrid();
  void SetShades(bool on);

  BotSettingsEditor& editor_;
  std::string exe_folder_;
  bool filling_ = false;  // controls are being set from the settings: no change tracking
  // The encodings the stored user agent and hot-link words were shown in (see FromBytes).
  TextEncoding user_agent_encoding_ = TextEncoding::kUtf8;
  TextEncoding hot_link_encoding_ = TextEncoding::kUtf8;

  QCheckBox* RECheckBox2;     // Analyze Home Page
  QCheckBox* RECheckBox1;     // Analyze Backlink
  QCheckBox* RECheckBox4;     // Auto-Update Partner
  QCheckBox* modern_web_;     // Modern web (https, compressed pages): ZEBModernWeb
  QComboBox* LUCombo3;        // User Agent, with its history
  QComboBox* ComboBox1;       // Connections: 1, 5, 10, 15 or 20
  QComboBox* presets_;        // Presets: set Connections and both throttles
  QSpinBox* AdvSpinEdit2;     // Bandwidth Throttle (bytes), per connection
  QSpinBox* AdvSpinEdit3;     // Process Throttle (ms)
  QSpinBox* AdvSpinEdit1;     // Ignore pages greater than ... bytes
  QSpinBox* AdvSpinEdit5;     // Stop at ... hops
  QSpinBox* AdvSpinEdit6;     // or ... links
  QSpinBox* AdvSpinEdit7;     // or ... seconds
  QSpinBox* AdvSpinEdit4;     // KW Density
  QPlainTextEdit* stop_words_;      // STFilter.txt
  QCheckBox* RECheckBox5;           // URL Exceptions
  QPlainTextEdit* url_exceptions_;  // URLExceptions.txt
  QCheckBox* RECheckBox6;           // Hot Link
  QTableWidget* hot_links_;         // HotLink.txt, one "Value" column
  QPushButton* gather_button_;      // Gather Information on Your Site...
  QPushButton* show_button_;        // Show Information...
  QLabel* site_status_;             // the your-site status line
  std::array<QPushButton*, kPanelCount> save_{};
  std::array<QWidget*, kPanelCount> panels_{};
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_SETTINGS_BAR_H_
