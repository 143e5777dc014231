// The message dialog: a small modal window that shows an HTML text (errors, warnings, the
// stored site information) above one or two buttons. GUI thread only.
#ifndef ZEB_VIEWS_MESSAGE_FORM_H_
#define ZEB_VIEWS_MESSAGE_FORM_H_

#include <QDialog>
#include <string>

class QTextBrowser;

namespace zeb {

class HtmlButton;

// The buttons a message shows below its text, by the design's numbers; any other number shows
// both buttons, as kOkCancel does.
enum class MessageKind : int {
  kOkOnly = 0,    // OK alone
  kOkCancel = 1,  // OK and Cancel
};

class TZEBMessageForm : public QDialog {
  Q_OBJECT

 public:
  // The modal results.
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;

  explicit TZEBMessageForm(QWidget* parent = nullptr);

  QString MessageText;  // the HTML text to show
  int ButtonKind = 0;   // a MessageKind's number; other numbers: both buttons, as designed

  // Escape and the window's close give Cancel.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LayOutButtons();

  QTextBrowser* text_pane_;  // the HTML text, scrolled when taller than the pane
  QWidget* button_bar_;      // the bottom bar, 238 pixels wide
  HtmlButton* ok_button_;
  HtmlButton* cancel_button_;
};

// Shows the dialog modally over `owner` (else the active window) and returns its result: 1 for
// OK, 2 for Cancel or Esc. The owner gets the keyboard back afterwards.
int ShowMessageDialog(MessageKind kind, const std::string& html, QWidget* owner = nullptr);

}  // namespace zeb

#endif  // ZEB_VIEWS_MESSAGE_FORM_H_
