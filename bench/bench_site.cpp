// A generated web site on 127.0.0.1 for the crawl benchmarks, served until the process gets
// SIGTERM or SIGINT.
//
//   bench_site [--pages N] [--links L] [--size BYTES] [--delay-ms MS] [--partners P]
//              [--find TEXT] [--robots-disallow PATH | --no-robots] [--compress]
//              [--threads T] [--log FILE]
//
// The site: /p0.htm ... /p<N-1>.htm, each about BYTES long with L links to other pages of the
// site (page i links to (i*L+k) mod N for k = 1..L, so every page is reachable from /p0.htm),
// and a robots.txt. "/" serves the same page as /p0.htm. No page holds the Find text.
// With --partners P, the hosts p1.localhost ... pP.localhost (libcurl sends every *.localhost to
// 127.0.0.1) are the partners' sites: their "/" is a start page holding a link to
// http://TEXT/ (the Find text) and links into the same generated pages. Any other host name
// (127.0.0.1, localhost, site.localhost) gets the plain site.
//
// Every response, robots.txt included, is held back by the delay before it is sent. Bodies go
// out uncompressed, so that the site costs the machine little; with --compress they are
// compressed as the client accepts (brotli or gzip, at httplib's settings). Each
// connection is served by a thread of a pool of T threads (64 unless told), so up to T
// connections wait out their delays side by side.
//
// Prints the port on a line of its own once it listens. With --log, writes a line per request,
// tab-separated: arrival and end time (seconds since the epoch, to the microsecond), the number
// of requests in flight at arrival (this one included), the client's port (one per
// connection), host, path, status, body bytes, user agent. On exit it prints the requests
// served and the most in flight at once to stderr.
#include <httplib.h>
#include <pthread.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace {

struct Options {
  long pages = 500;
  int links = 10;
  std::size_t size = 4096;
  int delay_ms = 0;
  int partners = 0;
  std::string find = "mysite.example";
  std::optional<std::string> robots_disallow = "/private/";
  int threads = 64;
  bool compress = false;
  std::string log;
};

constexpr char kUsage[] =
    "usage: bench_site [--pages N] [--links L] [--size BYTES] [--delay-ms MS] [--partners P]"
    " [--find TEXT] [--robots-disallow PATH | --no-robots] [--compress] [--threads T]"
    " [--log FILE]\n";

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr, "bench_site: %s\n%s", why, kUsage);
  std::exit(2);
}

long Number(const char* text, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) {
    Usage((std::string("bad number: ") + text).c_str());
  }
  return value;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--no-robots") {
      o.robots_disallow.reset();
      continue;
    }
    if (name == "--help" || name == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (name == "--compress") {
      o.compress = true;
      continue;
    }
    if (i + 1 >= argc) Usage(("missing value for " + name).c_str());
    const char* value = argv[++i];
    if (name == "--pages") o.pages = Number(value, 1, 100'000'000);
    else if (name == "--links") o.links = static_cast<int>(Number(value, 0, 10'000));
    else if (name == "--size") o.size = static_cast<std::size_t>(Number(value, 0, 100'000'000));
    else if (name == "--delay-ms") o.delay_ms = static_cast<int>(Number(value, 0, 600'000));
    else if (name == "--partners") o.partners = static_cast<int>(Number(value, 0, 1'000'000));
    else if (name == "--find") o.find = value;
    else if (name == "--robots-disallow") o.robots_disallow = value;
    else if (name == "--threads") o.threads = static_cast<int>(Number(value, 1, 4096));
    else if (name == "--log") o.log = value;
    else Usage(("unknown option " + name).c_str());
  }
  return o;
}

// Ends a page's body with filler words up to `size` bytes in all (a page never gets shorter
// than its links).
void FillTo(std::string& body, std::size_t size) {
  static const char kWords[] =
      "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "
      "ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation. ";
  const std::string tail = "</p></body></html>";
  body += "<p>";
  const std::size_t words = sizeof kWords - 1;
  while (body.size() + tail.size() < size) {
    body.append(kWords, std::min(words, size - tail.size() - body.size()));
  }
  body += tail;
}

std::string GeneratedPage(const Options& o, long index) {
  std::string body = "<html><head><title>Page " + std::to_string(index) + "</title></head><body>";
  for (int k = 1; k <= o.links; ++k) {
    const long target = (index * o.links + k) % o.pages;
    body += "<p>Some text about page " + std::to_string(target) + ". <a href=\"/p" +
            std::to_string(target) + ".htm\">read more</a></p>\n";
  }
  FillTo(body, o.size);
  return body;
}

// A partner's start page: the link that holds the Find text, then links into the site.
std::string PartnerStartPage(const Options& o, int partner) {
  std::string body = "<html><head><title>Partner " + std::to_string(partner) +
                     "</title></head><body><h1>Our friends</h1>\n<p><a href=\"http://" + o.find +
                     "/\">A friend of ours</a></p>\n";
  for (int k = 1; k <= o.links; ++k) {
    const long target = k % o.pages;
    body += "<p><a href=\"/p" + std::to_string(target) + ".htm\">page " + std::to_string(target) +
            "</a></p>\n";
  }
  FillTo(body, o.size);
  return body;
}

// The partner a host name names: "p12.localhost:8080" is 12; 0 for any other host.
int PartnerOf(const std::string& host, int partners) {
  if (host.size() < 2 || host[0] != 'p') return 0;
  std::size_t end = 1;
  while (end < host.size() && host[end] >= '0' && host[end] <= '9') ++end;
  if (end == 1 || end > 8 || host.compare(end, 10, ".localhost") != 0) return 0;
  const int n = std::atoi(host.substr(1, end - 1).c_str());
  return n >= 1 && n <= partners ? n : 0;
}

// The page number of "/p<i>.htm", when it names a page of the site.
std::optional<long> PageOf(const std::string& path, long pages) {
  if (path.size() < 7 || path.compare(0, 2, "/p") != 0 ||
      path.compare(path.size() - 4, 4, ".htm") != 0) {
    return std::nullopt;
  }
  const std::string digits = path.substr(2, path.size() - 6);
  if (digits.empty() || digits.size() > 9 ||
      digits.find_first_not_of("0123456789") != std::string::npos ||
      (digits.size() > 1 && digits[0] == '0')) {
    return std::nullopt;
  }
  const long index = std::atol(digits.c_str());
  if (index >= pages) return std::nullopt;
  return index;
}

double EpochSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

class RequestLog {
 public:
  explicit RequestLog(const std::string& file) {
    if (file.empty()) return;
    out_ = std::fopen(file.c_str(), "w");
    if (out_ == nullptr) Usage(("cannot write the log " + file).c_str());
  }
  ~RequestLog() {
    if (out_ != nullptr) std::fclose(out_);
  }
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  // Written at once, so a reader sees every finished request while the site still serves.
  void Write(double arrived, double ended, int in_flight, const httplib::Request& req, int status,
             std::size_t bytes) {
    if (out_ == nullptr) return;
    std::string agent = req.get_header_value("User-Agent");
    std::replace(agent.begin(), agent.end(), '\t', ' ');
    const std::lock_guard<std::mutex> lock(mutex_);
    std::fprintf(out_, "%.6f\t%.6f\t%d\t%d\t%s\t%s\t%d\t%zu\t%s\n", arrived, ended, in_flight,
                 req.remote_port, req.get_header_value("Host").c_str(), req.path.c_str(), status,
                 bytes, agent.c_str());
    std::fflush(out_);
  }

 private:
  std::mutex mutex_;
  std::FILE* out_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);

  // The signals that end the site are taken by sigwait below, never by a server thread.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  RequestLog log(o.log);
  std::atomic<int> in_flight{0};
  std::atomic<int> most_in_flight{0};
  std::atomic<long> served{0};
  std::string robots;
  if (o.robots_disallow) robots = "User-agent: *\nDisallow: " + *o.robots_disallow + "\n";

  httplib::Server server;
  const int threads = o.threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
  server.set_tcp_nodelay(true);
  // Connections are kept as long as the client keeps them (within httplib's 5 s idle time-out),
  // and say so: Wget2 closes a connection after each response that lacks "Connection:
  // keep-alive", even over HTTP/1.1.
  server.set_keep_alive_max_count(std::numeric_limits<int>::max());
  server.Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
    const double arrived = EpochSeconds();
    const int now = ++in_flight;
    for (int most = most_in_flight.load(); now > most && !most_in_flight.compare_exchange_weak(most, now);) {
    }
    if (o.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(o.delay_ms));
    std::string host = req.get_header_value("Host");
    host = host.substr(0, host.find(':'));
    const int partner = PartnerOf(host, o.partners);
    int status = 200;
    std::string body;
    const char* type = "text/html";
    if (req.path == "/robots.txt") {
      type = "text/plain";
      if (o.robots_disallow) {
        body = robots;
      } else {
        status = 404;
        body = "no robots.txt";
      }
    } else if (req.path == "/" && partner > 0) {
      body = PartnerStartPage(o, partner);
    } else if (req.path == "/") {
      body = GeneratedPage(o, 0);
    } else if (std::optional<long> page = PageOf(req.path, o.pages)) {
      body = GeneratedPage(o, *page);
    } else {
      status = 404;
      body = "<html><body>Not found</body></html>";
    }
    res.status = status;
    const std::size_t bytes = body.size();
    if (o.compress) {
      res.set_content(std::move(body), type);
    } else {
      // httplib compresses what set_content gives it whenever the client accepts it, which on
      // a small machine costs the site more CPU than the crawler it measures (brotli at its
      // highest quality); a body given by a provider of known length goes out as it is.
      auto shared = std::make_shared<const std::string>(std::move(body));
      res.set_content_provider(bytes, type,
                               [shared](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 return sink.write(shared->data() + offset, length);
                               });
    }
    if (req.get_header_value("Connection") != "close") res.set_header("Connection", "keep-alive");
    --in_flight;
    ++served;
    log.Write(arrived, EpochSeconds(), now, req, res.status, bytes);
  });

  // The packaged httplib listens with a backlog of 5, which drops the connections of a crawler
  // that opens 20 at once (each then waits a second to try again); listen() once more on the
  // bound socket raises it.
  socket_t listening = INVALID_SOCKET;
  server.set_socket_options([&listening](socket_t sock) {
    listening = sock;
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  if (port <= 0 || listening == INVALID_SOCKET || ::listen(listening, 1024) != 0) {
    std::fprintf(stderr, "bench_site: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::thread listener([&server] { server.listen_after_bind(); });
  std::printf("%d\n", port);
  std::fflush(stdout);

  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  std::fprintf(stderr, "bench_site: %ld requests served, at most %d in flight at once\n",
               served.load(), most_in_flight.load());
  // Every log line is written already; waiting for kept-alive connections to time out would
  // only hold up the script that ends the site.
  std::fflush(nullptr);
  std::_Exit(0);
}
