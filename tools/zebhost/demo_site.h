// The demo's partner sites: the folders of a sites directory served on 127.0.0.1, over http and
// over https, one site per folder, chosen by the request's host name ("cats.localhost" and
// "www.cats.localhost" are the folder "cats"). An address ending in "/" serves the folder's
// index.htm. Pages go out as real servers send them:
// - a page stored as "name.gz" is sent as it is stored, with "Content-Encoding: gzip";
// - a page stored as "name.403" is a bot wall: status 403 with "cf-mitigated: challenge";
// - a folder holding a file ".https-only" answers http with a redirect to the same address over
//   https, as most sites do today;
// - other pages are compressed when the request asks for it (gzip or br).
#ifndef ZEBHOST_DEMO_SITE_H_
#define ZEBHOST_DEMO_SITE_H_

#include <filesystem>
#include <memory>

#include "loopback_pki.h"

namespace zebhost {

class DemoSite {
 public:
  // Starts serving, over https with `tls`; throws std::runtime_error when no port can be had or
  // the certificate does not load.
  DemoSite(std::filesystem::path sites, const zeb::TlsIdentity& tls);
  ~DemoSite();
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  int port() const;      // http
  int tls_port() const;  // https

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zebhost

#endif  // ZEBHOST_DEMO_SITE_H_
