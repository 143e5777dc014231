// The console's run watch: the "Current partner" box (the partner's links, start page and Find
// text, the hop, partner and link counters), the connection chart and the running messages.
//
// Everything it shows is drawn from the RunController's ConsoleDisplay; the chart and the
// messages are redrawn by what changed only (the bars that moved, the lines added), so that 20
// redraws a second stay cheap. The two links open in the browser. GUI thread only.
#ifndef ZEB_CONSOLE_WINDOW_RUN_WATCH_PANEL_H_
#define ZEB_CONSOLE_WINDOW_RUN_WATCH_PANEL_H_

#include <QWidget>
#include <array>
#include <cstddef>

#include "console/run_controller.h"

class QBarCategoryAxis;
class QBarSet;
class QChartView;
class QLabel;
class QPlainTextEdit;

namespace zeb {

class RunWatchPanel : public QWidget {
  Q_OBJECT

 public:
  explicit RunWatchPanel(QWidget* parent = nullptr);

  // Redraws from the display, with `connections` bars; Label24 follows the display while
  // `running`, else ShowPartnerCount sets it.
  void Refresh(const ConsoleDisplay& display, int connections, bool running);
  // Label24 while no run is on ("0/" and the number of checked partners).
  void ShowPartnerCount(const QString& text);

 public slots:
  // Label35 and Label33 are enabled while they describe the one partner to run.
  void SetStartAndFindEnabled(bool on);

 private:
  QWidget* BuildPartnerBox();
  QWidget* BuildWatch();  // the connection chart and the running messages
  void RefreshLabels(const ConsoleDisplay& display, bool running);
  void RefreshBars(const ConsoleDisplay& display, int connections);
  void RefreshMemo(const ConsoleDisplay& display);

  QLabel* HTMLabel2;               // the "Partner" link to the partner's home page
  QLabel* HTMLabel1;               // the "Start at" link
  QLabel* Label35;                 // the Start-at address, read back by the run
  QLabel* Label33;                 // the Find text, read back by the run
  QLabel* Label28;                 // the hop of the node begun last
  QLabel* Label24;                 // partner n of the checked ones
  QLabel* Label16;                 // links found
  QLabel* Label17;                 // records in the frontier / handed out
  QChartView* Chart1;              // the connection chart
  QBarSet* Series1;                // one horizontal bar per connection, 0 to 100
  QBarCategoryAxis* chart_slots_;  // the connection numbers on the chart's side
  QPlainTextEdit* Memo1;           // the running messages

  int memo_generation_ = -1;  // the display's memo_generation Memo1 shows
  std::size_t memo_shown_ = 0;
  int bar_count_ = 0;
  std::array<int, kMaxConnections> bars_shown_{};
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_WINDOW_RUN_WATCH_PANEL_H_
