#include "demo_site.h"

#include <httplib.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "loopback_server.h"

namespace zebhost {

struct DemoSite::Impl {
  std::filesystem::path sites;
  httplib::Server server;
  std::optional<httplib::SSLServer> tls_server;
  std::optional<zeb::LoopbackServer> running;      // Started once the handler is set; stops first
  std::optional<zeb::LoopbackServer> tls_running;  // Likewise, for https

  void Answer(const httplib::Request& req, httplib::Response& res, bool tls) const;
};

namespace {

// The folder name of a Host header: "www.cats.localhost:8080" gives "cats".
std::string SiteName(std::string host) {
  host = host.substr(0, host.find(':'));
  if (host.rfind("www.", 0) == 0) host.erase(0, 4);
  return host.substr(0, host.find('.'));
}

bool Exists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec);
}

std::string ReadWhole(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream body;
  body << in.rdbuf();
  return body.str();
}

}  // namespace

void DemoSite::Impl::Answer(const httplib::Request& req, httplib::Response& res, bool tls) const {
  const std::string site = SiteName(req.get_header_value("Host"));
  std::string path = req.path;
  if (path.empty() || path.back() == '/') path += "index.htm";
  const bool safe = !site.empty() && site.find("..") == std::string::npos &&
                    path.find("..") == std::string::npos;
  const std::filesystem::path folder = sites / site;
  if (safe && !tls && tls_running && Exists(folder / ".https-only")) {
    std::string host = req.get_header_value("Host");
    host = host.substr(0, host.find(':'));
    res.set_redirect("https://" + host + ":" + std::to_string(tls_running->port()) + req.path,
                     301);
    return;
  }
  const std::filesystem::path file = folder / path.substr(1);
  std::filesystem::path gz = file, wall = file;
  gz += ".gz";
  wall += ".403";
  const bool text = path.size() > 4 && path.compare(path.size() - 4, 4, ".txt") == 0;
  if (safe && Exists(file)) {
    res.set_content(ReadWhole(file), text ? "text/plain" : "text/html");
  } else if (safe && Exists(gz)) {
    // Sent as it is stored. Not through set_content: httplib would compress it once more.
    const std::string body = ReadWhole(gz);
    res.set_header("Content-Encoding", "gzip");
    res.set_content_provider(body.size(), "text/html",
                             [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                               return sink.write(body.data() + offset, length);
                             });
  } else if (safe && Exists(wall)) {
    res.status = 403;
    res.set_header("cf-mitigated", "challenge");
    res.set_content(ReadWhole(wall), "text/html");
  } else {
    res.status = 404;
    res.set_content("<html><body>Not found</body></html>", "text/html");
  }
}

DemoSite::DemoSite(std::filesystem::path sites, const zeb::TlsIdentity& tls)
    : impl_(std::make_unique<Impl>()) {
  Impl* impl = impl_.get();
  impl->sites = std::move(sites);
  impl->tls_server.emplace(tls.cert_file.c_str(), tls.key_file.c_str());
  if (!impl->tls_server->is_valid()) {
    throw std::runtime_error("the demo site cannot load its certificate " + tls.cert_file);
  }
  impl->server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
    impl->Answer(req, res, false);
  });
  impl->tls_server->Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
    impl->Answer(req, res, true);
  });
  impl->tls_running.emplace(*impl->tls_server, "the demo's https site");
  impl->running.emplace(impl->server, "the demo site");
}

DemoSite::~DemoSite() = default;

int DemoSite::port() const { return impl_->running->port(); }
int DemoSite::tls_port() const { return impl_->tls_running->port(); }

}  // namespace zebhost
