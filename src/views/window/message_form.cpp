#include "views/window/message_form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "views/window/rich_text.h"

namespace zeb {
namespace {

constexpr int kBarWidth = 238;
constexpr int kButtonWidth = 66;
const char* const kOkCaption = "<IMG src=\"GCheck\"> OK";
const char* const kCancelCaption = "<IMG src=\"Cancel\"> Cancel";

}  // namespace

TZEBMessageForm::TZEBMessageForm(QWidget* parent) : QDialog(parent) {
  InitGuiResources();
  setObjectName("TZEBMessageForm");
  setWindowTitle("Message");
  setModal(true);

  text_pane_ = new QTextBrowser(this);
  text_pane_->setObjectName("HTMLabel1");
  text_pane_->setOpenLinks(false);
  text_pane_->setFrameShape(QFrame::NoFrame);
  text_pane_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  text_pane_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_pane_->viewport()->setAutoFillBackground(false);
  connect(text_pane_, &QTextBrowser::anchorClicked, this,
          [](const QUrl& url) { OpenWebLink(url.toString()); });

  button_bar_ = new QWidget(this);
  button_bar_->setFixedWidth(kBarWidth);
  ok_button_ = new HtmlButton(kOkCaption, button_bar_);
  ok_button_->setObjectName("HTMLButton1");
  cancel_button_ = new HtmlButton(kCancelCaption, button_bar_);
  cancel_button_->setObjectName("HTMLButton2");
  const int height = ok_button_->sizeHint().height();
  button_bar_->setFixedHeight(height);
  for (HtmlButton* button : {ok_button_, cancel_button_}) {
    button->resize(kButtonWidth, height);
    button->setAutoDefault(false);
  }
  ok_button_->setDefault(true);
  connect(ok_button_, &QPushButton::clicked, this, [this] { done(kOk); });
  connect(cancel_button_, &QPushButton::clicked, this, [this] { done(kCancel); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 10);
  layout->setSpacing(10);
  layout->addWidget(text_pane_, 1);
  layout->addWidget(button_bar_, 0, Qt::AlignHCenter);
  // A fixed dialog border: the size does not change.
  setFixedSize(380, 220);
}

void TZEBMessageForm::reject() { done(kCancel); }

void TZEBMessageForm::LayOutButtons() {
  // Left offsets within the bar. The design's own layout (OK at 88, Cancel at 126) would put
  // one button over the other at our button width, so other kinds use kind 1's places.
  switch (static_cast<MessageKind>(ButtonKind)) {
    case MessageKind::kOkOnly:
      ok_button_->move(86, 0);
      cancel_button_->move(120, 0);
      cancel_button_->hide();
      break;
    default:
      ok_button_->move(52, 0);
      cancel_button_->move(120, 0);
      cancel_button_->show();
      break;
  }
  ok_button_->setHtml(kOkCaption);
  cancel_button_->setHtml(kCancelCaption);
  ok_button_->show();
}

void TZEBMessageForm::showEvent(QShowEvent* event) {
  LayOutButtons();
  text_pane_->setHtml(MessageText);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  ok_button_->setFocus();
  QDialog::showEvent(event);
}

int ShowMessageDialog(MessageKind kind, const std::string& html, QWidget* owner_widget) {
  // Owned by the window the user works in, so that it stays above it; that window gets the
  // keyboard back once the message is gone.
  const QPointer<QWidget> owner =
      owner_widget != nullptr ? owner_widget->window() : QApplication::activeWindow();
  int result = TZEBMessageForm::kCancel;
  {
    TZEBMessageForm form(owner);
    form.ButtonKind = static_cast<int>(kind);
    form.MessageText = FromBytes(html);
    result = form.exec();
  }
  if (owner != nullptr && owner->isVisible()) owner->activateWindow();
  return result;
}

}  // namespace zeb
