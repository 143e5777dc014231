// The windows' HTML: captions, labels and tree nodes are short HTML texts (bold, italics,
// paragraphs with alignment, line breaks, lists, links, and the pictures of the picture store,
// <IMG src="GCheck"> and <IMG src="Cancel">). These helpers render them with Qt's rich text and
// open their links.
#ifndef ZEB_VIEWS_RICH_TEXT_H_
#define ZEB_VIEWS_RICH_TEXT_H_

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zeb {

// Makes the pictures of the windows' resource file available (call before the first window).
void InitGuiResources();

// The tables, settings and list files hold single-byte text. A widget shows it as UTF-8 when it
// is valid UTF-8, else as Latin-1, and text typed or kept in a widget goes back in the encoding
// it was shown in: a field the user did not change is stored byte for byte as it was, and a
// Latin-1 list stays Latin-1 (the pages it is matched against are). Views that only hand a
// value back (a list's selection) keep the original bytes beside the shown text instead.
enum class TextEncoding { kUtf8, kLatin1 };
TextEncoding EncodingOf(std::string_view bytes);
QString FromBytes(const std::string& bytes);
// The bytes as text in a given encoding: the items of one field (a list's lines) are shown in
// the field's encoding.
QString FromBytes(const std::string& bytes, TextEncoding encoding);
// Latin-1 only while every character fits it; a character it cannot hold makes the text UTF-8.
std::string ToBytes(const QString& text, TextEncoding encoding);
// The items of one field (a list's lines) go back in one encoding, so that the field reads back
// as it was typed: Latin-1 only while every character of every item fits it.
std::vector<std::string> ToBytes(const QStringList& items, TextEncoding encoding);

// Where stored text meets HTML. A label, tool tip or chart label that shows stored text shows it
// as plain text (PlainLabel) or escaped (EscapedText); a result-tree node is drawn from its
// stored form through ShownNodeHtml (NodeHtml). Only the system's own captions are mark-up.
QString EscapedText(const std::string& bytes);
QString NodeHtml(const std::string& stored_node);
// A label for stored or served text: always plain text, whatever the text holds.
QLabel* PlainLabel(const char* object_name);

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
