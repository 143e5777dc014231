// A whole-partner crawl of a generated site over https against the same site over plain http,
// with the modern web on: pages per second and the TLS handshakes the server saw, and the same
// site fetched by GNU Wget2 when it is installed, side by side.
//
//   tls_crawl_bench [--pages N] [--connections N] [--delay-ms MS]
//
// The site is served on 127.0.0.1 (the certificate names that address), each page linking to
// ten others, none holding the Find text, so the whole site is crawled. Each crawl runs in a
// child process of its own. The controller's tick is 10 ms, so threads ramp up at once.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/crawl_fixture.h"
#include "support/test_certificates.h"

namespace {

using zeb::testing::CrawlFixture;
using zeb::testing::LoopbackSite;

void Crawl(bool tls, int pages, int connections, std::chrono::milliseconds delay) {
  CrawlFixture f;
  zeb::testing::TestPki pki =
      zeb::testing::MakeTestPki(f.locations().DataFolder + "pki", {"127.0.0.1"});
  LoopbackSite site = tls ? LoopbackSite(pki.good) : LoopbackSite();
  zeb::testing::ServeLinkedPages(site, pages, delay);
  f.SetNetwork("HTTPCAFile", pki.ca_file);
  f.AddPartner("Bench", site.Url("127.0.0.1", "/p0.htm"), "never.example");
  f.settings.ModernWeb = true;
  f.settings.Connections = connections;
  f.settings.StopHops = -1;
  const auto start = std::chrono::steady_clock::now();
  f.Run({"Bench"});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int ok = 0;
  for (const zeb::FrontierRow& row : f.Frontier()) ok += row.RunState == "OK" ? 1 : 0;
  std::printf("ZEB Bot %-5s: %4d pages in %6.2f s = %7.1f pages/s, %4d TLS handshakes (%d resumed)\n",
              tls ? "https" : "http", ok, seconds, ok / seconds, site.Handshakes(),
              site.ResumedHandshakes());
}

// GNU Wget2 over the same https site, when it is installed.
void Wget2(int pages, int connections, std::chrono::milliseconds delay) {
  if (std::system("command -v wget2 > /dev/null 2>&1") != 0) {
    std::printf("wget2 not installed (apt-get install wget2): no comparison\n");
    return;
  }
  CrawlFixture f;
  zeb::testing::TestPki pki =
      zeb::testing::MakeTestPki(f.locations().DataFolder + "pki", {"127.0.0.1"});
  LoopbackSite site(pki.good);
  zeb::testing::ServeLinkedPages(site, pages, delay);
  const std::string out = f.locations().DataFolder + "wget2";
  const std::string command =
      "wget2 --quiet --recursive --level=inf --no-parent --no-robots --max-threads=" +
      std::to_string(connections) + " --ca-certificate=" + pki.ca_file +
      " --no-http2 --directory-prefix=" + out + " " + site.Url("127.0.0.1", "/p0.htm");
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int fetched = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(out, ec)) {
    fetched += entry.is_regular_file() ? 1 : 0;
  }
  std::printf("Wget2   https: %4d pages in %6.2f s = %7.1f pages/s, %4d TLS handshakes (%d resumed)%s\n",
              fetched, seconds, fetched / seconds, site.Handshakes(), site.ResumedHandshakes(),
              status == 0 ? "" : " (wget2 reported errors)");
}

// Runs body in a child process and waits for it.
template <typename Body>
void InChild(Body body) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    body();
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
  int pages = 500, connections = 10, delay_ms = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--pages") == 0) pages = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--connections") == 0) connections = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--delay-ms") == 0) delay_ms = std::atoi(argv[i + 1]);
  }
  const std::chrono::milliseconds delay(delay_ms);
  std::printf("A site of %d pages, %d connections, %d ms per answer\n", pages, connections,
              delay_ms);
  InChild([&] { Crawl(false, pages, connections, delay); });
  InChild([&] { Crawl(true, pages, connections, delay); });
  InChild([&] { Wget2(pages, connections, delay); });
  return 0;
}
