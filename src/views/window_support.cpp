#include "views/window_support.h"

#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QStatusTipEvent>
#include <QWidget>

#include "data/app_tables.h"
#include "data/schema.h"
#include "views/kw_comparison.h"
#include "views/rich_text.h"

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

QLabel* MakeHintLine(const char* name, const char* default_text) {
  auto* line = new QLabel(default_text);
  line->setObjectName(name);
  line->setFrameShape(QFrame::StyledPanel);
  line->setFrameShadow(QFrame::Sunken);
  line->setContentsMargins(6, 2, 6, 2);
  return line;
}

void FillProjectList(QComboBox* list, const std::string& data_folder, QLabel* error_line) {
  list->clear();
  try {
    Session session = OpenDataFolder(data_folder);
    AppTables app(session);
    for (const std::string& name : ComparisonProjects(app)) {
      list->addItem(FromBytes(name), QByteArray::fromStdString(name));
    }
  } catch (const std::exception& e) {
    error_line->setText(QString("The projects cannot be read: %1").arg(FromBytes(e.what())));
  }
}

bool ShowHint(QEvent* event, QLabel* line, const char* default_text) {
  if (event->type() != QEvent::StatusTip) return false;
  const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
  line->setText(tip.isEmpty() ? QString(default_text) : tip);
  return true;
}

}  // namespace zeb
