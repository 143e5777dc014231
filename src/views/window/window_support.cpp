#include "views/window/window_support.h"

#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStatusTipEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "views/kw_comparison.h"
#include "views/window/message_form.h"
#include "views/window/rich_text.h"

namespace zeb {

QString FormIniFile(const std::string& exe_folder) {
  return QString::fromStdString(exe_folder + "FORM.INI");
}

namespace {

// How many times the desktop's size a restored window may be on a side before it is fitted.
constexpr int kMostDesktopsOfPlacement = 2;

// Whether a restored window is far larger than the desktop: more than a user makes by reaching
// past its edges (a window grown by one runaway cell once reached 32,766 px).
bool FarLargerThanTheDesktop(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return false;
  const QSize desktop = screen->availableVirtualGeometry().size();
  return window.width() > kMostDesktopsOfPlacement * desktop.width() ||
         window.height() > kMostDesktopsOfPlacement * desktop.height();
}

}  // namespace

void RestorePlacement(QWidget& window, const std::string& exe_folder, const char* key) {
  if (!exe_folder.empty()) {
    QSettings ini(FormIniFile(exe_folder), QSettings::IniFormat);
    const QByteArray geometry = ini.value(QString("%1/Geometry").arg(key)).toByteArray();
    // A saved placement is the user's own; Qt brings it back onto a screen if it lies off one.
    // Only one far larger than the desktop is fitted into the screen.
    if (!geometry.isEmpty() && window.restoreGeometry(geometry)) {
      if (FarLargerThanTheDesktop(window)) FitIntoScreen(window);
      return;
    }
  }
  FitIntoScreen(window);
}

void FitIntoScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  // The frame is not known before the window is shown; leave room for a usual one.
  const QSize frame(16, 40);
  // Only a side longer than the screen's is cut, to the screen less that frame.
  if (window.width() <= room.width() && window.height() <= room.height()) return;
  QSize size = window.size();
  if (size.width() > room.width()) size.setWidth(room.width() - frame.width());
  if (size.height() > room.height()) size.setHeight(room.height() - frame.height());
  window.resize(size.expandedTo(window.minimumSizeHint()));
  // Each side starts inside the free area and ends in it as far as its length allows.
  const auto inside = [](int start, int length, int first, int last) {
    return std::clamp(start, first, std::max(first, last - length));
  };
  window.move(inside(window.x(), window.width(), room.left(), room.right()),
              inside(window.y(), window.height(), room.top(), room.bottom()));
}

void SavePlacement(const QWidget& window, const std::string& exe_folder, const char* key) {
  if (exe_folder.empty()) return;
  QSettings ini(FormIniFile(exe_folder), QSettings::IniFormat);
  ini.setValue(QString("%1/Geometry").arg(key), window.saveGeometry());
}

QLabel* MakeHintLine(const char* name, const char* default_text) {
  auto* line = new QLabel(default_text);
  line->setObjectName(name);
  line->setTextFormat(Qt::PlainText);  // hints also carry error messages
  line->setFrameShape(QFrame::StyledPanel);
  line->setFrameShadow(QFrame::Sunken);
  line->setContentsMargins(6, 2, 6, 2);
  // Like a status bar: a long hint is cut at the window's edge, never widening the window.
  line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  return line;
}

void ShowReadError(const QString& what, const std::exception& e, QLabel* error_line) {
  const QString text = QString("%1: %2").arg(what, FromBytes(e.what()));
  error_line->setText(text);
  // Shown once the view has finished what it is doing (and taken its wait cursor back).
  QPointer<QWidget> window = error_line->window();
  QTimer::singleShot(0, window, [window, text] {
    if (window) {
      ShowMessageDialog(MessageKind::kOkOnly,
                        ("<B>Error</B><BR>" + text.toHtmlEscaped()).toStdString(), window);
    }
  });
}

bool FillProjectList(QComboBox* list, const std::string& data_folder, QLabel* error_line) {
  list->clear();
  try {
    for (const std::string& name : ComparisonSource(FileLocations{{}, data_folder}).Projects()) {
      list->addItem(FromBytes(name), QByteArray::fromStdString(name));
    }
  } catch (const std::exception& e) {
    ShowReadError("The projects cannot be read", e, error_line);
    return false;
  }
  return true;
}

bool ShowHint(QEvent* event, QLabel* line, const char* default_text) {
  if (event->type() != QEvent::StatusTip) return false;
  const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
  line->setText(tip.isEmpty() ? QString(default_text) : tip);
  return true;
}

}  // namespace zeb
