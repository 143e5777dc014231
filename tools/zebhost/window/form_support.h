// What the host window's dialogs share: the red line under the fields that says why the fields
// were refused.
#ifndef ZEBHOST_WINDOW_FORM_SUPPORT_H_
#define ZEBHOST_WINDOW_FORM_SUPPORT_H_

#include <exception>

class QLabel;
class QString;
class QWidget;

namespace zebhost {

// A hidden plain-text label named "ErrorLine".
QLabel* MakeErrorLine(QWidget* parent);
// Shows the refusal's message on the line, as a sentence.
void ShowRefusal(QLabel* line, const std::exception& refusal);
// The message of a refusal as a sentence: its first letter in upper case.
QString Sentence(const std::exception& refusal);

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_FORM_SUPPORT_H_
