#include "support/window/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "views/window/message_form.h"

namespace zeb::testing {

::testing::AssertionResult FitsASmallScreen(const QWidget& window) {
  const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
  if (least.width() <= 1024 - 16 && least.height() <= 768 - 40) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << window.objectName().toStdString() << " needs at least "
                                       << least.width() << " x " << least.height();
}

bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
  return QTest::qWaitFor(done, timeout_ms);
}

struct DialogAnswerer::State {
  bool press_escape = false;
  bool active = true;
  std::vector<std::string> texts;
  QTimer timer;
};

DialogAnswerer::DialogAnswerer(bool press_escape) : state_(std::make_shared<State>()) {
  state_->press_escape = press_escape;
  state_->timer.setInterval(5);
  std::weak_ptr<State> weak = state_;
  QObject::connect(&state_->timer, &QTimer::timeout, [weak] {
    std::shared_ptr<State> state = weak.lock();
    if (!state) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->isVisible()) {
      state->texts.push_back(box->text().toStdString());
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      if (yes == nullptr) yes = box->button(QMessageBox::Ok);
      if (state->press_escape || yes == nullptr) {
        QTest::keyClick(box, Qt::Key_Escape);
      } else {
        yes->click();
      }
      return;
    }
    auto* form = qobject_cast<TZEBMessageForm*>(modal);
    if (form == nullptr || !form->isVisible()) return;
    state->texts.push_back(form->MessageText.toStdString());
    if (state->press_escape) {
      QTest::keyClick(form, Qt::Key_Escape);
    } else {
      form->done(TZEBMessageForm::kOk);
    }
  });
  state_->timer.start();
}

DialogAnswerer::~DialogAnswerer() { state_->timer.stop(); }

const std::vector<std::string>& DialogAnswerer::texts() const { return state_->texts; }

}  // namespace zeb::testing
