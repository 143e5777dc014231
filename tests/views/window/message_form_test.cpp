// The message dialog: its button layouts, its results, and HTML shown formatted.
#include "views/window/message_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include "support/window/gui_support.h"
#include "views/window/rich_text.h"

namespace zeb {
namespace {

HtmlButton* Ok(TZEBMessageForm& form) { return form.findChild<HtmlButton*>("HTMLButton1"); }
HtmlButton* Cancel(TZEBMessageForm& form) { return form.findChild<HtmlButton*>("HTMLButton2"); }

TEST(MessageFormTest, ButtonLayoutsByKind) {
  struct Case {
    int kind;
    bool cancel_visible;
    int ok_x;
  };
  for (const Case& c : {Case{0, false, 86}, Case{1, true, 52}, Case{7, true, 52}}) {
    TZEBMessageForm form;
    form.ButtonKind = c.kind;
    form.MessageText = "Hello";
    form.show();
    EXPECT_TRUE(Ok(form)->isVisible()) << c.kind;
    EXPECT_EQ(Cancel(form)->isVisible(), c.cancel_visible) << c.kind;
    EXPECT_EQ(Ok(form)->x(), c.ok_x) << c.kind;
    if (c.cancel_visible) {
      EXPECT_EQ(Cancel(form)->x(), 120);
      EXPECT_LE(Ok(form)->geometry().right(), Cancel(form)->geometry().left());
    }
    EXPECT_EQ(Ok(form)->text(), "OK");
    EXPECT_EQ(form.windowTitle(), "Message");
    form.close();
  }
}

TEST(MessageFormTest, EscGivesCancelAndTheButtonsTheirResults) {
  struct Case {
    int kind;
    const char* action;
    int result;
  };
  for (const Case& c : {Case{0, "esc", 2}, Case{1, "esc", 2}, Case{0, "ok", 1},
                        Case{1, "cancel", 2}, Case{1, "ok", 1}}) {
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(testing::WaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
      auto* form = qobject_cast<TZEBMessageForm*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      if (std::string(c.action) == "esc") {
        QTest::keyClick(form, Qt::Key_Escape);
      } else if (std::string(c.action) == "ok") {
        QTest::mouseClick(Ok(*form), Qt::LeftButton);
      } else {
        QTest::mouseClick(Cancel(*form), Qt::LeftButton);
      }
    });
    EXPECT_EQ(ShowMessageDialog(static_cast<MessageKind>(c.kind), "<B>Question</B>"), c.result)
        << c.kind << " " << c.action;
  }
}

// A message stays above the window it came from, and that window has the keyboard again when the
// message is gone, so that the user can go on (or press Esc) there.
TEST(MessageFormTest, TheOwnerIsActiveAgainAfterTheMessage) {
  QDialog owner;
  owner.resize(300, 200);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  QWidget* parent_seen = nullptr;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(testing::WaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
    parent_seen = QApplication::activeModalWidget()->parentWidget();
    QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
  });
  EXPECT_EQ(ShowMessageDialog(MessageKind::kOkOnly, "Gone", &owner), 2);
  EXPECT_EQ(parent_seen, &owner);
  EXPECT_TRUE(testing::WaitFor([&] { return owner.isActiveWindow(); }));
}

TEST(MessageFormTest, HtmlIsShownFormattedNotAsTags) {
  TZEBMessageForm form;
  form.MessageText =
      "<B>Error<B><BR>Project Pets does not exist.<ul><li>one</li></ul>"
      "<P align=\"center\"><a href=\"http://x.test/\">x</a></P>";
  form.show();
  auto* pane = form.findChild<QTextBrowser*>();
  const QString plain = pane->toPlainText();
  EXPECT_FALSE(plain.contains('<')) << plain.toStdString();
  EXPECT_TRUE(plain.startsWith("Error\n")) << plain.toStdString();
  QTextCursor cursor(pane->document());
  cursor.setPosition(2);
  EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
  // The last block is centred and holds the link.
  const QTextBlock last = pane->document()->lastBlock();
  EXPECT_EQ(last.blockFormat().alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  EXPECT_TRUE(pane->toHtml().contains("http://x.test/"));
}

TEST(MessageFormTest, ALongTextScrolls) {
  TZEBMessageForm form;
  QString text;
  for (int i = 0; i < 60; ++i) text += QString("Line %1<BR>").arg(i);
  form.MessageText = text;
  form.show();
  auto* pane = form.findChild<QTextBrowser*>();
  ASSERT_TRUE(testing::WaitFor([&] { return pane->verticalScrollBar()->maximum() > 0; }, 2000));
  pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
  EXPECT_GT(pane->verticalScrollBar()->value(), 0);
  EXPECT_EQ(form.size(), form.minimumSize());  // a fixed border: the dialog keeps its size
}

TEST(MessageFormTest, OnlyWebAddressesAreOpened) {
  std::vector<QString> opened;
  SetWebLinkOpener([&](const QUrl& url) { opened.push_back(url.toString()); });
  for (const char* address : {"http://a.test/", "HTTPS://b.test/x", "file:///etc/passwd",
                              "javascript:alert(1)", "mailto:x@y.test", "http://", ""}) {
    OpenWebLink(address);
  }
  SetWebLinkOpener({});
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "http://a.test/");
}

}  // namespace
}  // namespace zeb
