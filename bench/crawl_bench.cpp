// Whole-partner crawls against a loopback site: pages per second at 1, 5, 10 and 20
// connections, with the CPU time and peak memory of each run, and what posting progress
// notices instead of waiting for them saves on a page with 1,000 links.
//
//   crawl_bench [--pages N] [--delay-ms MS] [--connections 1,5,10,20]
//
// Each measurement runs in a child process of its own, so its peak memory is its own. The
// controller's tick is 10 ms here, so the measurement is of the crawl, not of the one-thread-
// per-tick ramp (with the console's 2,000 ms tick 20 connections take 40 s to ramp up).
// CPU time includes the loopback server's threads.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/crawl_fixture.h"

namespace {

using namespace std::chrono_literals;
using zeb::testing::CrawlFixture;
using zeb::testing::Reply;

struct Usage {
  double cpu_seconds;
  double peak_mb;
};

Usage SelfUsage() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  return {cpu, static_cast<double>(u.ru_maxrss) / 1024.0};
}

void CrawlRun(int connections, int pages, std::chrono::milliseconds delay) {
  CrawlFixture f;
  f.ServeLinkedSite(pages, delay);
  f.AddPartner("Bench", f.Url("/p0.htm"), "never.example");
  f.settings.Connections = connections;
  f.settings.StopHops = -1;
  const Usage before = SelfUsage();
  const auto start = std::chrono::steady_clock::now();
  zeb::testing::RunRecord run = f.Run({"Bench"});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const Usage after = SelfUsage();
  int ok = 0;
  for (const zeb::FrontierRow& row : f.Frontier()) ok += row.RunState == "OK" ? 1 : 0;
  std::printf("connections %2d: %5d pages in %6.2f s = %7.1f pages/s, CPU %5.2f s, peak %6.1f MB,"
              " most requests at once %d\n",
              connections, ok, seconds, ok / seconds, after.cpu_seconds - before.cpu_seconds,
              after.peak_mb, f.site().MaxConcurrent());
}

void NoticeRun(bool post, int repeats) {
  CrawlFixture f;
  std::string page = "<html><body>";
  for (int i = 0; i < 1000; ++i) page += "<a href=\"http://other.example/p" + std::to_string(i) + ".htm\">l</a> ";
  f.site().Page("/links.htm", page + "</body></html>");
  f.AddPartner("Bench", f.Url("/links.htm"), "never.example");
  zeb::RunOptions options = CrawlFixture::FastOptions();
  options.post_progress = post;
  double best = 1e9;
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f.Run({"Bench"}, {}, options);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("page with 1,000 links, progress %s: best of %d runs %.1f ms\n",
              post ? "posted    " : "waited for", repeats, best * 1000);
}

template <typename F>
void InChild(F run) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    run();
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("  (the run failed)\n");
}

}  // namespace

int main(int argc, char** argv) {
  int pages = 2000;
  int delay_ms = 20;
  std::vector<int> counts = {1, 5, 10, 20};
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--pages") == 0) pages = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--delay-ms") == 0) delay_ms = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--connections") == 0) {
      counts.clear();
      std::stringstream list(argv[i + 1]);
      for (std::string n; std::getline(list, n, ',');) counts.push_back(std::atoi(n.c_str()));
    }
  }
  std::printf("loopback site of %d pages, %d ms added per response\n", pages, delay_ms);
  for (int connections : counts) {
    InChild([&] { CrawlRun(connections, pages, std::chrono::milliseconds(delay_ms)); });
  }
  InChild([] { NoticeRun(true, 5); });
  InChild([] { NoticeRun(false, 5); });
  return 0;
}
