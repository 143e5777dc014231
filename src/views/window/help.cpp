#include "views/window/help.h"

#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "views/window/rich_text.h"

namespace zeb {

bool ShowHelpTopic(HelpTopic topic, QWidget* parent) {
  InitGuiResources();
  return ShowHelpPage(QString(":/zeb/help/%1.html").arg(static_cast<int>(topic)), parent);
}

bool ShowHelpPage(const QString& resource, QWidget* parent) {
  QFile page(resource);
  if (!page.open(QIODevice::ReadOnly)) return false;
  static QPointer<QDialog> window;
  if (window == nullptr) {
    window = new QDialog(parent);
    window->setObjectName("HelpWindow");
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle("ZEB Bot Help");
    auto* text = new QTextBrowser(window);
    text->setObjectName("HelpText");
    text->setOpenLinks(false);
    QObject::connect(text, &QTextBrowser::anchorClicked,
                     [](const QUrl& url) { OpenWebLink(url.toString()); });
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    window->resize(640, 720);
  }
  window->findChild<QTextBrowser*>("HelpText")->setHtml(QString::fromUtf8(page.readAll()));
  window->show();
  window->raise();
  window->activateWindow();
  return true;
}

}  // namespace zeb
