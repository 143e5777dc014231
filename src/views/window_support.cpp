#include "views/window_support.h"

#include <QLabel>
#include <QSettings>
#include <QStatusTipEvent>
#include <QWidget>

namespace zeb {

QString FormIniFile(const std::string& exe_folder) {
  return QString::fromStdString(exe_folder + "FORM.INI");
}

void RestorePlacement(QWidget& window, const std::string& exe_folder, const char* key) {
  if (exe_folder.empty()) return;
  QSettings ini(FormIniFile(exe_folder), QSettings::IniFormat);
  const QByteArray geometry = ini.value(QString("%1/Geometry").arg(key)).toByteArray();
  if (!geometry.isEmpty()) window.restoreGeometry(geometry);
}

void SavePlacement(const QWidget& window, const std::string& exe_folder, const char* key) {
  if (exe_folder.empty()) return;
  QSettings ini(FormIniFile(exe_folder), QSettings::IniFormat);
  ini.setValue(QString("%1/Geometry").arg(key), window.saveGeometry());
}

bool ShowHint(QEvent* event, QLabel* line, const char* default_text) {
  if (event->type() != QEvent::StatusTip) return false;
  const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
  line->setText(tip.isEmpty() ? QString(default_text) : tip);
  return true;
}

}  // namespace zeb
