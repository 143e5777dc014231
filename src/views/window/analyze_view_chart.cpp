// The position analysis view's chart: one picture in three bands over the partners of a page
// (links at the top, words in the middle, hops as half-width bars at the bottom), with its page
// navigator, tips, clicks, printing and export. The scale is ChartScale's; this only draws.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSvgGenerator>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "views/analysis_view_model.h"
#include "views/window/analyze_view_form.h"
#include "views/window/rich_text.h"

namespace zeb {
namespace {

const QColor kColors[] = {
    QColor(0x55, 0x7a, 0x95), QColor(0xd6, 0x27, 0x28), QColor(0xff, 0x7f, 0x0e),
    QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
    QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf), QColor(0xbc, 0xbd, 0x22)};

}  // namespace

QWidget* TZEBAnalyzeViewForm::BuildChart() {
  auto* panel = new QWidget;
  chart_view_ = new QChartView(new QChart);
  chart_view_->setObjectName("Chart");
  chart_view_->setRenderHint(QPainter::Antialiasing);
  chart_view_->setMinimumHeight(300);
  chart_view_->setStatusTip(
      "Rest the mouse on a point for its value; click it to show the partner.");
  chart_view_->chart()->legend()->setAlignment(Qt::AlignRight);
  page_label_ = new QLabel;
  page_label_->setObjectName("PageLabel");
  previous_page_ = new QToolButton;
  previous_page_->setObjectName("PreviousPage");
  previous_page_->setArrowType(Qt::LeftArrow);
  next_page_ = new QToolButton;
  next_page_->setObjectName("NextPage");
  next_page_->setArrowType(Qt::RightArrow);
  connect(previous_page_, &QToolButton::clicked, this, [this] { ShowPage(page_ - 1); });
  connect(next_page_, &QToolButton::clicked, this, [this] { ShowPage(page_ + 1); });
  auto* navigator = new QHBoxLayout;
  navigator->addStretch(1);
  navigator->addWidget(previous_page_);
  navigator->addWidget(page_label_);
  navigator->addWidget(next_page_);
  navigator->addStretch(1);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(chart_view_, 1);
  layout->addLayout(navigator);
  return panel;
}

void TZEBAnalyzeViewForm::ShowPage(int page) {
  const int records = static_cast<int>(records_.size());
  const int pages = PageCount(records, per_page_->value());
  page_ = std::clamp(page, 0, pages - 1);
  page_label_->setText(QString("Page %1 of %2").arg(page_ + 1).arg(pages));
  previous_page_->setEnabled(page_ > 0);
  next_page_->setEnabled(page_ + 1 < pages);
  FillChart();
}

void TZEBAnalyzeViewForm::FillChart() {
  QChart* chart = chart_view_->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  const std::pair<int, int> range =
      PageRange(page_, static_cast<int>(records_.size()), per_page_->value());
  const int first = range.first;
  const int last = range.second;
  const ChartScale page_scale(std::span<const AnalysisRecord>(records_).subspan(
      static_cast<std::size_t>(first), static_cast<std::size_t>(last - first)));
  const auto columns = ValueColumns();

  auto* partners = new QBarCategoryAxis;
  QStringList labels;
  for (int r = first; r < last; ++r) {
    // Every other label a line lower, so that long names do not run into each other.
    labels << ((r - first) % 2 ? "\n" : "") + EscapedText(records_[r].SiteName);
  }
  partners->append(labels);
  auto* scale = new QCategoryAxis;
  scale->setRange(0, 100);
  scale->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  for (const ChartScale::AxisLabel& label : page_scale.AxisLabels()) {
    scale->append(QString::fromStdString(label.text), label.position);
  }
  chart->addAxis(partners, Qt::AlignBottom);
  chart->addAxis(scale, Qt::AlignLeft);

  auto* hops = new QBarSet(columns[0].series_title);
  hops->setColor(kColors[0]);
  for (int r = first; r < last; ++r) hops->append(page_scale.Scaled(0, records_[r].Hops));
  auto* bars = new QBarSeries;
  bars->setBarWidth(0.25);  // half width
  bars->append(hops);
  chart->addSeries(bars);
  bars->attachAxis(partners);
  bars->attachAxis(scale);
  connect(hops, &QBarSet::clicked, this, [this, first](int index) { SetCurrent(first + index); });
  connect(hops, &QBarSet::hovered, this, [this, first](bool on, int index) {
    if (on)
      QToolTip::showText(QCursor::pos(), QString("Hops: %1").arg(records_[first + index].Hops));
  });
  for (std::size_t c = 1; c < columns.size(); ++c) {
    auto* points = new QScatterSeries;
    points->setName(columns[c].series_title);
    points->setColor(kColors[c]);
    points->setBorderColor(kColors[c].darker(130));
    points->setMarkerSize(9);
    for (int r = first; r < last; ++r) {
      points->append(r - first, page_scale.Scaled(c, records_[r].*columns[c].field));
    }
    chart->addSeries(points);
    points->attachAxis(partners);
    points->attachAxis(scale);
    const auto field = columns[c].field;
    const QString title = columns[c].series_title;
    connect(points, &QScatterSeries::clicked, this,
            [this, first](const QPointF& p) { SetCurrent(first + qRound(p.x())); });
    connect(points, &QScatterSeries::hovered, this,
            [this, first, field, title](const QPointF& p, bool on) {
              if (!on) return;
              const AnalysisRecord& record = records_[first + qRound(p.x())];
              QToolTip::showText(
                  QCursor::pos(),
                  QString("%1, %2: %3").arg(EscapedText(record.SiteName), title).arg(record.*field));
            });
  }
}

void TZEBAnalyzeViewForm::PrintChart(QPrinter& printer) const {
  QPainter painter(&printer);
  const QRect page = painter.viewport();
  QSize size = chart_view_->viewport()->size();
  size.scale(page.size(), Qt::KeepAspectRatio);
  chart_view_->render(&painter, QRectF(page.topLeft(), size), chart_view_->viewport()->rect());
}

bool TZEBAnalyzeViewForm::ExportTo(const QString& file) const {
  const QString lower = file.toLower();
  if (lower.endsWith(".csv")) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const std::string csv = AnalysisCsv(records_);
    return out.write(csv.data(), static_cast<qint64>(csv.size())) ==
           static_cast<qint64>(csv.size());
  }
  if (lower.endsWith(".pdf")) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setOutputFileName(file);
    PrintChart(printer);
    return QFile::exists(file);
  }
  if (lower.endsWith(".svg")) {
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(chart_view_->size());
    svg.setViewBox(chart_view_->rect());
    svg.setTitle("ZEB Bot Position Analysis");
    QPainter painter(&svg);
    chart_view_->render(&painter, QRectF(chart_view_->rect()), chart_view_->viewport()->rect());
    painter.end();
    return QFile::exists(file);
  }
  return chart_view_->grab().save(file, "PNG");
}

}  // namespace zeb
