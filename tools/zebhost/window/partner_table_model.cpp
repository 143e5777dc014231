#include "window/partner_table_model.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <utility>

#include "text/lines.h"
#include "views/window/rich_text.h"

namespace zebhost {
namespace {

// A round mark of one colour, as the console's partner list marks found partners.
QIcon Dot(const QColor& colour) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(colour.darker(130));
  painter.setBrush(colour);
  painter.drawEllipse(QRectF(6, 6, 20, 20));
  return QIcon(pixmap);
}

QString OrDash(const std::string& bytes) {
  return bytes.empty() ? QStringLiteral("-") : zeb::FromBytes(bytes);
}

}  // namespace

PartnerTableModel::PartnerTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      found_icon_(Dot(QColor(0x2e, 0xa0, 0x43))),
      not_found_icon_(Dot(QColor(0xb0, 0xb0, 0xb0))) {}

void PartnerTableModel::SetRows(std::vector<PartnerRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int PartnerTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PartnerTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString PartnerTableModel::Text(const PartnerRow& row, int column) const {
  const zeb::PartnerRecord& p = row.partner;
  switch (column) {
    case kName:
      return zeb::FromBytes(p.SiteName);
    case kHomePage:
      return zeb::FromBytes(p.ContactWebSite);
    case kStart:
      return p.BotStart.empty()
                 ? QStringLiteral("-")
                 : QStringLiteral("%1 (%2)").arg(zeb::FromBytes(p.BotStart)).arg(p.BotBaseHop);
    case kFind:
      return zeb::FromBytes(p.ShortCheck);
    case kBacklink:
      return OrDash(p.URL);
    case kFound:
      return p.FoundShort ? tr("yes") : tr("no");
    case kLastCheck:  // to the minute; the tool tip has the seconds
      return OrDash(row.last_check.substr(0, 16));
    case kResult:
      return OrDash(row.last_result);
    case kCounts:
      return OrDash(row.counts);
    default:
      return {};
  }
}

QVariant PartnerTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const PartnerRow& row = rows_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return Text(row, column);
    case Qt::ToolTipRole:
      if (column == kLastCheck && !row.last_check.empty()) return zeb::FromBytes(row.last_check);
      if (column == kFind && !row.partner.LongCheck.empty()) {
        return tr("Find text: %1\nLink text: %2")
            .arg(Text(row, column), zeb::FromBytes(zeb::JoinLines(row.partner.LongCheck)));
      }
      return Text(row, column);
    case Qt::DecorationRole:
      if (column == kFound) return row.partner.FoundShort ? found_icon_ : not_found_icon_;
      return {};
    case kSortRole:
      if (column == kFound) return row.partner.FoundShort ? 1 : 0;
      // Rows without a value sort together, before every value.
      if (Text(row, column) == QStringLiteral("-")) return QString();
      return Text(row, column).toLower();
    case kNameRole:
      return QByteArray::fromStdString(row.partner.SiteName);
    default:
      return {};
  }
}

QVariant PartnerTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  static const char* const kCaptions[kColumnCount] = {
      QT_TR_NOOP("Partner"),    QT_TR_NOOP("Home page"), QT_TR_NOOP("Start page (hop)"),
      QT_TR_NOOP("Find text"),  QT_TR_NOOP("Backlink"),  QT_TR_NOOP("Found"),
      QT_TR_NOOP("Last check"), QT_TR_NOOP("Result"),    QT_TR_NOOP("Counts")};
  static const char* const kTips[kColumnCount] = {
      QT_TR_NOOP("The partner's name"),
      QT_TR_NOOP("The partner's home page"),
      QT_TR_NOOP("Where the crawl starts, and how many hops below the home page that page is"),
      QT_TR_NOOP("The text whose presence on a page marks your link"),
      QT_TR_NOOP("The page where your link was found last"),
      QT_TR_NOOP("Whether the Find text was found at the last check"),
      QT_TR_NOOP("When the partner was checked last"),
      QT_TR_NOOP("What the last check came to"),
      QT_TR_NOOP("Whether your link counts for search engines, or why it does not")};
  if (section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return tr(kCaptions[section]);
  if (role == Qt::ToolTipRole) return tr(kTips[section]);
  return {};
}

}  // namespace zebhost
