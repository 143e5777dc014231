// The demo's partner sites: the folders of a sites directory served on 127.0.0.1, one site per
// folder, chosen by the request's host name ("cats.localhost" and "www.cats.localhost" are the
// folder "cats"). An address ending in "/" serves the folder's index.htm; a page stored as
// "name.gz" is sent as it is stored, with "Content-Encoding: gzip".
#ifndef ZEBHOST_DEMO_SITE_H_
#define ZEBHOST_DEMO_SITE_H_

#include <filesystem>
#include <memory>

namespace zebhost {

class DemoSite {
 public:
  // Starts serving; throws std::runtime_error when no port can be had.
  explicit DemoSite(std::filesystem::path sites);
  ~DemoSite();
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  int port() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zebhost

#endif  // ZEBHOST_DEMO_SITE_H_
