// The console's shared button and error dialog.
#include "console/window/console_controls.h"

#include "views/window/message_form.h"
#include "views/window/rich_text.h"
#include "text/html_text.h"

namespace zeb {

HtmlButton* ConsoleButton(const char* name, const QString& html, const QString& hint) {
  auto* button = new HtmlButton(html);
  button->setObjectName(name);
  button->setStatusTip(hint);
  button->setAutoDefault(false);
  return button;
}

void ShowConsoleError(const std::string& what, const std::exception& e, QWidget* parent) {
  ShowMessageDialog(MessageKind::kOkOnly, "<B>Error</B><BR>" + what + ": " + HtmlEscaped(e.what()),
                    parent);
}

}  // namespace zeb
