// The "Current partner" box, the connection chart and the messages, and their redraw.
#include "console/window/run_watch_panel.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QValueAxis>

#include "views/window/rich_text.h"

namespace zeb {
namespace {

QLabel* ValueLabel(const char* name, const QString& hint) {
  QLabel* label = PlainLabel(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setStatusTip(hint);
  return label;
}

QLabel* Caption(const QString& text) {
  auto* label = new QLabel(text);
  label->setStyleSheet("color: palette(mid);");
  return label;
}

}  // namespace

RunWatchPanel::RunWatchPanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(BuildPartnerBox());
  layout->addWidget(BuildWatch(), 1);
}

QWidget* RunWatchPanel::BuildPartnerBox() {
  auto* partner_box = new QGroupBox("Current partner");
  HTMLabel2 = new QLabel;
  HTMLabel2->setObjectName("HTMLabel2");
  HTMLabel2->setStatusTip("Opens the partner's home page in your browser.");
  HTMLabel1 = new QLabel;
  HTMLabel1->setObjectName("HTMLabel1");
  HTMLabel1->setStatusTip("Opens the page where the crawl starts in your browser.");
  for (QLabel* link : {HTMLabel2, HTMLabel1}) {
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [](const QString& url) { OpenWebLink(url); });
  }
  Label35 = ValueLabel("Label35", "The page where the crawl of this partner starts.");
  Label33 = ValueLabel("Label33", "The Find text: the crawl looks for it on the partner's pages.");
  Label28 = ValueLabel("Label28", "The hop of the page begun last (the start page is hop 0).");
  Label24 = ValueLabel("Label24", "The partner being run, of the checked partners.");
  Label16 = ValueLabel("Label16", "Links found on the pages read so far.");
  Label17 = ValueLabel("Label17", "Pages in the crawl's list / pages handed out.");
  Label35->setWordWrap(true);
  Label33->setWordWrap(true);
  auto* grid = new QGridLayout(partner_box);
  grid->setHorizontalSpacing(12);
  auto* links = new QHBoxLayout;
  links->addWidget(HTMLabel2);
  links->addSpacing(16);
  links->addWidget(HTMLabel1);
  links->addStretch(1);
  grid->addLayout(links, 0, 0, 1, 4);
  grid->addWidget(Caption("Start at:"), 1, 0);
  grid->addWidget(Label35, 1, 1, 1, 3);
  grid->addWidget(Caption("Find:"), 2, 0);
  grid->addWidget(Label33, 2, 1, 1, 3);
  grid->addWidget(Caption("Hops:"), 3, 0);
  grid->addWidget(Label28, 3, 1);
  grid->addWidget(Caption("Partner:"), 3, 2);
  grid->addWidget(Label24, 3, 3);
  grid->addWidget(Caption("Links found:"), 4, 0);
  grid->addWidget(Label16, 4, 1);
  grid->addWidget(Caption("Queued/processed:"), 4, 2);
  grid->addWidget(Label17, 4, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return partner_box;
}

QWidget* RunWatchPanel::BuildWatch() {
  Series1 = new QBarSet("Connections");
  Series1->setObjectName("Series1");
  Series1->setColor(QColor(0x3b, 0x82, 0xc4));
  Series1->setBorderColor(QColor(0x2a, 0x5f, 0x91));
  auto* series = new QHorizontalBarSeries;
  series->append(Series1);
  series->setBarWidth(0.7);
  auto* chart = new QChart;
  chart->addSeries(series);
  chart->legend()->hide();
  chart->setMargins(QMargins(4, 4, 4, 4));
  chart->setBackgroundRoundness(0);
  auto* percent = new QValueAxis;
  percent->setRange(0, 100);
  percent->setLabelFormat("%d");
  percent->setTickCount(6);
  chart_slots_ = new QBarCategoryAxis;
  chart_slots_->setTruncateLabels(false);
  chart->addAxis(percent, Qt::AlignBottom);
  chart->addAxis(chart_slots_, Qt::AlignLeft);
  series->attachAxis(percent);
  series->attachAxis(chart_slots_);
  Chart1 = new QChartView(chart);
  Chart1->setObjectName("Chart1");
  Chart1->setRenderHint(QPainter::Antialiasing);
  Chart1->setMinimumSize(200, 160);
  Chart1->setStatusTip("One bar per connection: how far the page in hand has been read.");

  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setStatusTip("What the run has done so far.");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setMinimumWidth(200);

  auto* watch_panel = new QWidget;
  auto* watch = new QHBoxLayout(watch_panel);
  watch->setContentsMargins(0, 0, 0, 0);
  auto* chart_box = new QGroupBox("Connections");
  (new QVBoxLayout(chart_box))->addWidget(Chart1);
  auto* memo_box = new QGroupBox("Messages");
  (new QVBoxLayout(memo_box))->addWidget(Memo1);
  watch->addWidget(chart_box, 1);
  watch->addWidget(memo_box, 1);
  return watch_panel;
}

void RunWatchPanel::Refresh(const ConsoleDisplay& display, int connections, bool running) {
  RefreshLabels(display, running);
  RefreshBars(display, connections);
  RefreshMemo(display);
}

void RunWatchPanel::ShowPartnerCount(const QString& text) { Label24->setText(text); }

void RunWatchPanel::SetStartAndFindEnabled(bool on) {
  Label35->setEnabled(on);
  Label33->setEnabled(on);
}

void RunWatchPanel::RefreshLabels(const ConsoleDisplay& display, bool running) {
  HTMLabel2->setText(FromBytes(display.HTMLabel2));
  HTMLabel1->setText(FromBytes(display.HTMLabel1));
  Label35->setText(FromBytes(display.Label35));
  Label33->setText(FromBytes(display.Label33));
  Label28->setText(FromBytes(display.Label28));
  Label16->setText(FromBytes(display.Label16));
  Label17->setText(FromBytes(display.Label17));
  if (running) Label24->setText(FromBytes(display.Label24));
}

void RunWatchPanel::RefreshBars(const ConsoleDisplay& display, int connections) {
  if (connections != bar_count_) {
    QStringList names;
    for (int i = connections; i >= 1; --i) names << QString::number(i);
    chart_slots_->clear();
    chart_slots_->append(names);
    Series1->remove(0, Series1->count());
    for (int i = 0; i < connections; ++i) Series1->append(0);
    bars_shown_.fill(0);
    bar_count_ = connections;
  }
  // The first connection stands at the top of the chart.
  for (int i = 0; i < connections; ++i) {
    if (display.bars[i] == bars_shown_[i]) continue;
    bars_shown_[i] = display.bars[i];
    Series1->replace(connections - 1 - i, display.bars[i]);
  }
}

void RunWatchPanel::RefreshMemo(const ConsoleDisplay& display) {
  if (display.memo_generation != memo_generation_) {
    memo_generation_ = display.memo_generation;
    Memo1->clear();
    memo_shown_ = 0;
  }
  if (memo_shown_ >= display.Memo1.size()) return;
  QStringList lines;
  for (; memo_shown_ < display.Memo1.size(); ++memo_shown_) {
    lines << FromBytes(display.Memo1[memo_shown_]);
  }
  Memo1->appendPlainText(lines.join('\n'));
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

}  // namespace zeb
