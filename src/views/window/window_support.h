// What every window does alike: keep its size and place in "FORM.INI" in the program folder,
// and show the long hint of the control under the mouse in its bottom line.
#ifndef ZEB_VIEWS_WINDOW_SUPPORT_H_
#define ZEB_VIEWS_WINDOW_SUPPORT_H_

#include <QString>
#include <exception>
#include <string>

class QComboBox;
class QEvent;
class QLabel;
class QWidget;

namespace zeb {

// exe_folder + "FORM.INI".
QString FormIniFile(const std::string& exe_folder);
// The window's size and place under `key` (kept only with a program folder); without a saved
// placement, the default size fitted into the screen. A saved placement is kept as it was
// unless a side is more than twice the desktop's: then it is fitted into the screen too.
void RestorePlacement(QWidget& window, const std::string& exe_folder, const char* key);
// Shrinks a window that is larger than its screen's free area and moves it inside that area,
// so that a default size made for a large screen never runs off a small one.
void FitIntoScreen(QWidget& window);
void SavePlacement(const QWidget& window, const std::string& exe_folder, const char* key);

// The bottom hint line, showing default_text.
QLabel* MakeHintLine(const char* name, const char* default_text);

// Fills a list with the projects the result views offer (all but "Default"), each with its
// stored name as item data. False when they could not be read: the error was shown.
bool FillProjectList(QComboBox* list, const std::string& data_folder, QLabel* error_line);

// A view's read failed: the error goes into a message dialog, so that it is seen, and stays on
// the hint line. what: "The projects cannot be read".
void ShowReadError(const QString& what, const std::exception& e, QLabel* error_line);

// A status-tip event shows its tip in `line`, or default_text when the tip is empty. Returns
// whether the event was one (the window's event() then returns true).
bool ShowHint(QEvent* event, QLabel* line, const char* default_text);

}  // namespace zeb

#endif  // ZEB_VIEWS_WINDOW_SUPPORT_H_
