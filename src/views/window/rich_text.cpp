#include "views/window/rich_text.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDesktopServices>
#include <QPainter>
#include <QStringDecoder>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QUrl>
#include <algorithm>

#include "console/result_tree.h"

// Q_INIT_RESOURCE must stand outside any namespace.
static void InitZebGuiResources() { Q_INIT_RESOURCE(zebgui); }

namespace zeb {
namespace {

std::function<void(const QUrl&)>& WebLinkOpener() {
  static std::function<void(const QUrl&)> opener;
  return opener;
}

}  // namespace

void InitGuiResources() {
  static const bool done = [] {
    InitZebGuiResources();
    return true;
  }();
  (void)done;
}

std::unique_ptr<QTextDocument> MakeHtmlDocument(const QString& html, const QFont& font) {
  InitGuiResources();
  auto document = std::make_unique<QTextDocument>();
  document->setDefaultFont(font);
  document->setDocumentMargin(0);
  // The picture store: the names the messages and captions use.
  const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
  const char* suffix = ratio > 1.0 ? "@2x" : "";
  for (const auto& [name, file] : {std::pair{"GCheck", "gcheck"}, std::pair{"Cancel", "cancel"}}) {
    QImage image(QString(":/zeb/%1%2.png").arg(file, suffix));
    image.setDevicePixelRatio(ratio > 1.0 ? 2.0 : 1.0);
    document->addResource(QTextDocument::ImageResource, QUrl(name), image);
  }
  document->setHtml(html);
  return document;
}

namespace {

// Decodes UTF-8 exactly: a byte-order mark stays a character, so that encoding gives the bytes
// back.
QString DecodeUtf8(std::string_view bytes, bool* valid) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                   QStringDecoder::Flag::ConvertInitialBom);
  QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  *valid = !decoder.hasError();
  return text;
}

}  // namespace

TextEncoding EncodingOf(std::string_view bytes) {
  bool valid = false;
  DecodeUtf8(bytes, &valid);
  return valid ? TextEncoding::kUtf8 : TextEncoding::kLatin1;
}

QString FromBytes(const std::string& bytes) { return FromBytes(bytes, EncodingOf(bytes)); }

QString FromBytes(const std::string& bytes, TextEncoding encoding) {
  bool valid = false;
  if (encoding == TextEncoding::kUtf8) {
    QString text = DecodeUtf8(bytes, &valid);
    if (valid) return text;
  }
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text, TextEncoding encoding) {
  return ToBytes(QStringList{text}, encoding).front();
}

std::vector<std::string> ToBytes(const QStringList& items, TextEncoding encoding) {
  const bool latin1 =
      encoding == TextEncoding::kLatin1 &&
      std::all_of(items.begin(), items.end(), [](const QString& item) {
        return std::all_of(item.begin(), item.end(), [](QChar c) { return c.unicode() <= 0xFF; });
      });
  std::vector<std::string> bytes;
  bytes.reserve(static_cast<std::size_t>(items.size()));
  for (const QString& item : items) {
    bytes.push_back(latin1 ? item.toLatin1().toStdString() : item.toUtf8().toStdString());
  }
  return bytes;
}

QString EscapedText(const std::string& bytes) { return FromBytes(bytes).toHtmlEscaped(); }

QString NodeHtml(const std::string& stored_node) { return FromBytes(ShownNodeHtml(stored_node)); }

QLabel* PlainLabel(const char* object_name) {
  auto* label = new QLabel;
  label->setObjectName(object_name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

bool OpenWebLink(const QString& address) {
  const QUrl url(address.trimmed());
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty()) {
    return false;
  }
  if (WebLinkOpener()) {
    WebLinkOpener()(url);
  } else {
    QDesktopServices::openUrl(url);
  }
  return true;
}

void SetWebLinkOpener(std::function<void(const QUrl&)> opener) {
  WebLinkOpener() = std::move(opener);
}

HtmlButton::HtmlButton(const QString& html, QWidget* parent) : QPushButton(parent) {
  setHtml(html);
}

void HtmlButton::setHtml(const QString& html) {
  html_ = html;
  // The plain text serves accessibility and keyboard mnemonics-free lookups in tests.
  QString plain = MakeHtmlDocument(html, font())->toPlainText();
  plain.remove(QChar::ObjectReplacementCharacter);  // the pictures
  setText(plain.trimmed());
  updateGeometry();
  update();
}

QSize HtmlButton::sizeHint() const {
  std::unique_ptr<QTextDocument> document = MakeHtmlDocument(html_, font());
  const QSize text = document->size().toSize();
  QStyleOptionButton option;
  option.initFrom(this);
  const QSize padded(text.width() + 24, std::max(text.height(), fontMetrics().height()) + 10);
  return style()->sizeFromContents(QStyle::CT_PushButton, &option, padded, this);
}

void HtmlButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  std::unique_ptr<QTextDocument> document = MakeHtmlDocument(html_, font());
  const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  document->setTextWidth(area.width());
  const QSizeF size = document->size();
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette = palette();
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  context.palette.setColor(QPalette::Text, palette().color(group, QPalette::ButtonText));
  painter.translate(area.left(), area.top() + (area.height() - size.height()) / 2);
  if (!isEnabled()) painter.setOpacity(0.5);
  document->documentLayout()->draw(&painter, context);
}

QRect HtmlItemDelegate::TextRect(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  return style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
}

void HtmlItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QString html = item.text;
  item.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  std::unique_ptr<QTextDocument> document = MakeHtmlDocument(html, item.font);
  const QRect area = TextRect(option, index);
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette = item.palette;
  if (item.state & QStyle::State_Selected) {
    context.palette.setColor(QPalette::Text, item.palette.color(QPalette::HighlightedText));
  }
  painter->save();
  painter->translate(area.left(), area.top() + (area.height() - document->size().height()) / 2);
  painter->setClipRect(area.translated(-area.topLeft()));
  document->documentLayout()->draw(painter, context);
  painter->restore();
}

QSize HtmlItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  std::unique_ptr<QTextDocument> document = MakeHtmlDocument(item.text, item.font);
  const QSize base = QStyledItemDelegate::sizeHint(option, index);
  return {static_cast<int>(document->idealWidth()) + 8,
          std::max(base.height(), static_cast<int>(document->size().height()) + 4)};
}

QString HtmlItemDelegate::AnchorAt(const QStyleOptionViewItem& option, const QModelIndex& index,
                                   const QPoint& pos) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  std::unique_ptr<QTextDocument> document = MakeHtmlDocument(item.text, item.font);
  const QRect area = TextRect(option, index);
  const QPointF local(pos.x() - area.left(),
                      pos.y() - area.top() - (area.height() - document->size().height()) / 2);
  return document->documentLayout()->anchorAt(local);
}

}  // namespace zeb
