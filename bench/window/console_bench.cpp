// The console window under load: a 20-connection run over a loopback site of 2,000 pages, run
// once from the window (offscreen) and once headless as `zebhost check` runs it, with the same
// site and settings. Prints the wall time of each and, for the window, how long the crawl
// threads' calls and notices waited between being queued and being handled on the GUI thread
// (median, 99th percentile, maximum).
//
//   console_bench [--pages N] [--delay-ms MS] [--connections N]
#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/bot_settings.h"
#include "console/window/bot_form.h"
#include "data/settings_store.h"
#include "support/crawl_fixture.h"

namespace {

using namespace std::chrono_literals;
using zeb::testing::CrawlFixture;
using zeb::testing::Reply;

zeb::RunOptions Options() {
  zeb::RunOptions options;
  options.tick = 50ms;  // the ramp to 20 threads is not what is measured
  return options;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double WindowRun(CrawlFixture& f) {
  f.StoreSettings();
  zeb::BotFormOptions options;
  options.locations = f.locations();
  options.settings_file = f.settings_file();
  options.ProjectName = zeb::testing::kProject;
  options.PartnerNames = {"Bench"};
  options.run_options = Options();
  zeb::TZEBBotForm form(options);
  form.show();
  (void)QTest::qWaitFor([&] { return form.isVisible(); });
  QTest::qWait(100);  // FormShow has checked the partner
  form.controller().dispatcher().RecordLatencies(true);
  const auto start = std::chrono::steady_clock::now();
  QMetaObject::invokeMethod(&form, &zeb::TZEBBotForm::HTMLButton2Click);
  // A real event loop, as the application runs it (qWaitFor would sleep between its looks).
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!form.Running()) loop.quit();
  });
  poll.start(20);
  loop.exec();
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  std::vector<std::chrono::steady_clock::duration> waits =
      form.controller().dispatcher().TakeLatencies();
  std::sort(waits.begin(), waits.end());
  if (!waits.empty()) {
    auto at = [&](double q) {
      return Seconds(
                 waits[std::min(waits.size() - 1,
                                static_cast<std::size_t>(q * static_cast<double>(waits.size())))]) *
             1000;
    };
    std::printf(
        "window:   %6.2f s; %zu calls and notices waited median %.2f ms, 99th %.2f ms, "
        "max %.2f ms\n",
        seconds, waits.size(), at(0.5), at(0.99), Seconds(waits.back()) * 1000);
  }
  return seconds;
}

double HeadlessRun(CrawlFixture& f) {
  const auto start = std::chrono::steady_clock::now();
  f.Run({"Bench"}, {}, Options());
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  std::printf("headless: %6.2f s\n", seconds);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int pages = 2000, delay_ms = 5, connections = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--pages") == 0) pages = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--delay-ms") == 0) delay_ms = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--connections") == 0) connections = std::atoi(argv[i + 1]);
  }
  std::printf("loopback site of %d pages, %d ms added per response, %d connections\n", pages,
              delay_ms, connections);
  for (int round = 0; round < 2; ++round) {
    CrawlFixture f;
    f.ServeLinkedSite(pages, std::chrono::milliseconds(delay_ms));
    f.AddPartner("Bench", f.Url("/p0.htm"), "never.example");
    f.settings.Connections = connections;
    f.settings.StopHops = -1;
    const double window = WindowRun(f);
    const double headless = HeadlessRun(f);
    std::printf("window / headless: %.3f\n", window / headless);
  }
  return 0;
}
