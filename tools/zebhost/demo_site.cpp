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
  std::optional<zeb::LoopbackServer> running;  // Started once the handler is set; stops first
};

namespace {

// The folder name of a Host header: "www.cats.localhost:8080" gives "cats".
std::string SiteName(std::string host) {
  host = host.substr(0, host.find(':'));
  if (host.rfind("www.", 0) == 0) host.erase(0, 4);
  return host.substr(0, host.find('.'));
}

}  // namespace

DemoSite::DemoSite(std::filesystem::path sites) : impl_(std::make_unique<Impl>()) {
  Impl* impl = impl_.get();
  impl->sites = std::move(sites);
  impl->server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
    const std::string site = SiteName(req.get_header_value("Host"));
    std::string path = req.path;
    if (path.empty() || path.back() == '/') path += "index.htm";
    const bool safe = !site.empty() && site.find("..") == std::string::npos &&
                      path.find("..") == std::string::npos;
    const std::filesystem::path file = impl->sites / site / path.substr(1);
    std::ifstream in(file, std::ios::binary);
    // A page stored compressed is sent as it is stored, with its encoding.
    std::filesystem::path gz = file;
    gz += ".gz";
    const bool compressed = safe && !in && std::filesystem::exists(gz);
    if (compressed) {
      in.open(gz, std::ios::binary);
      res.set_header("Content-Encoding", "gzip");
    }
    if (!safe || !in) {
      res.status = 404;
      res.set_content("<html><body>Not found</body></html>", "text/html");
      return;
    }
    std::stringstream body;
    body << in.rdbuf();
    const bool text = path.size() > 4 && path.compare(path.size() - 4, 4, ".txt") == 0;
    res.set_content(body.str(), text ? "text/plain" : "text/html");
  });
  impl->running.emplace(impl->server, "the demo site");
}

DemoSite::~DemoSite() = default;

int DemoSite::port() const { return impl_->running->port(); }

}  // namespace zebhost
