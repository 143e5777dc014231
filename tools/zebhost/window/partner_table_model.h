// The partner table of the host window: one row per partner of the chosen project, read from
// HostData's rows (the window never reads the tables itself). Columns: name, home page, start
// page with its hop, Find text, backlink, found mark, last check, its result, and whether the
// link counts. Sorting goes through a QSortFilterProxyModel on kSortRole.
#ifndef ZEBHOST_WINDOW_PARTNER_TABLE_MODEL_H_
#define ZEBHOST_WINDOW_PARTNER_TABLE_MODEL_H_

#include <QAbstractTableModel>
#include <QIcon>
#include <string>
#include <vector>

#include "host_data.h"

namespace zebhost {

class PartnerTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column : int {
    kName,
    kHomePage,
    kStart,
    kFind,
    kBacklink,
    kFound,
    kLastCheck,
    kResult,
    kCounts,
    kColumnCount
  };
  // The value a column sorts by (numbers for the found mark, else the shown text).
  static constexpr int kSortRole = Qt::UserRole + 1;
  // The partner's stored name (bytes, as a QByteArray), on every cell of its row.
  static constexpr int kNameRole = Qt::UserRole + 2;

  explicit PartnerTableModel(QObject* parent = nullptr);

  void SetRows(std::vector<PartnerRow> rows);
  const std::vector<PartnerRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString Text(const PartnerRow& row, int column) const;

  std::vector<PartnerRow> rows_;
  QIcon found_icon_, not_found_icon_;
};

}  // namespace zebhost

#endif  // ZEBHOST_WINDOW_PARTNER_TABLE_MODEL_H_
