#include "window/form_support.h"

#include <QLabel>

#include "views/window/rich_text.h"

namespace zebhost {

QLabel* MakeErrorLine(QWidget* parent) {
  auto* line = new QLabel(parent);
  line->setObjectName("ErrorLine");
  line->setTextFormat(Qt::PlainText);  // the message quotes what the user typed
  line->setWordWrap(true);
  line->setStyleSheet("color: #b00020;");
  line->hide();
  return line;
}

QString Sentence(const std::exception& refusal) {
  const QString message = zeb::FromBytes(refusal.what());
  return message.isEmpty() ? message : message.at(0).toUpper() + message.mid(1);
}

void ShowRefusal(QLabel* line, const std::exception& refusal) {
  line->setText(Sentence(refusal));
  line->show();
}

}  // namespace zebhost
