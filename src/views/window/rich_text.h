// The windows' HTML: captions, labels and tree nodes are short HTML texts (bold, italics,
// paragraphs with alignment, line breaks, lists, links, and the pictures of the picture store,
// <IMG src="GCheck"> and <IMG src="Cancel">). These helpers render them with Qt's rich text and
// open their links.
#ifndef ZEB_VIEWS_RICH_TEXT_H_
#define ZEB_VIEWS_RICH_TEXT_H_

#include <QPushButton>
#include <QString>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <functional>
#include <memory>
#include <string>

namespace zeb {

// Makes the pictures of the windows' resource file available (call before the first window).
void InitGuiResources();

// The tables hold single-byte text: shown as UTF-8 when it is valid UTF-8, else as Latin-1.
// Views keep the original bytes beside the shown text wherever they are handed back.
QString FromBytes(const std::string& bytes);

// A document for an HTML text, with the picture store's names ("GCheck", "Cancel") resolved.
std::unique_ptr<QTextDocument> MakeHtmlDocument(const QString& html, const QFont& font);

// Opens an address in the desktop's browser when it is an http or https address; anything else
// is ignored. Returns whether it was handed on.
bool OpenWebLink(const QString& address);
// Tests replace the browser; an empty function restores it.
void SetWebLinkOpener(std::function<void(const QUrl&)> opener);

// A push button whose caption is HTML, drawn centred (a stand-in for the HTML buttons).
class HtmlButton : public QPushButton {
  Q_OBJECT

 public:
  explicit HtmlButton(const QString& html, QWidget* parent = nullptr);

  void setHtml(const QString& html);
  const QString& html() const { return html_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString html_;
};

// Draws an item's display text as HTML (the result tree's nodes); link anchors are underlined
// and blue. AnchorAt tells which link, if any, lies under a point of the item.
class HtmlItemDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The href of the anchor under `pos` (view coordinates) in the item, or an empty string.
  QString AnchorAt(const QStyleOptionViewItem& option, const QModelIndex& index,
                   const QPoint& pos) const;

 private:
  QRect TextRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

}  // namespace zeb

#endif  // ZEB_VIEWS_RICH_TEXT_H_
