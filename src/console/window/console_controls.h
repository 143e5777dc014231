// What the console window's parts share: the look of their buttons and how they report a
// failure. GUI thread only.
#ifndef ZEB_CONSOLE_WINDOW_CONSOLE_CONTROLS_H_
#define ZEB_CONSOLE_WINDOW_CONSOLE_CONTROLS_H_

#include <QString>
#include <exception>
#include <string>

class QWidget;

namespace zeb {

class HtmlButton;

// A console button: its object name, HTML caption and long hint (shown on the hint line); it
// never becomes the dialog's default button.
HtmlButton* ConsoleButton(const char* name, const QString& html, const QString& hint);

// "Error: what: the exception's text" in a message dialog over parent's window.
void ShowConsoleError(const std::string& what, const std::exception& e, QWidget* parent);

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_CONSOLE_CONTROLS_H_
