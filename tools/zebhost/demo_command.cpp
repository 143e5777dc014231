// zebhost demo: a fresh demo folder with its own settings store, eight partners on a loopback
// copy of the example sites (over http and https), and a check of them all.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "demo_site.h"

namespace zebhost {
namespace {

namespace fs = std::filesystem;

// Empties dir for a new demo, or makes it. A folder of other files than an earlier demo's (it
// has no marker) is refused.
void MakeDemoFolder(const fs::path& dir) {
  const fs::path marker = dir / ".zebhost-demo";
  std::error_code ec;
  if (fs::exists(dir) && !fs::is_empty(dir, ec) && !fs::exists(marker)) {
    throw UsageError(dir.string() + " holds other files; name an empty folder with --dir");
  }
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  if (ec) throw UsageError("cannot create the folder " + dir.string() + ": " + ec.message());
  std::ofstream(marker) << "made by zebhost demo\n";
}

// The demo's https sites, for the certificate of the demo site.
const std::vector<std::string> kTlsHosts = {"parrots.localhost", "www.parrots.localhost",
                                            "turtles.localhost", "www.turtles.localhost"};

// The folders and tables in dir, the project "My Site" with a partner for each case the example
// sites show, and the settings the demo runs with. original: the modern web switched off.
void SetUpDemoProject(const fs::path& dir, const DemoSite& site, const std::string& ca_file,
                      bool original) {
  auto url = [&](const std::string& host, const std::string& path) {
    return "http://" + host + ":" + std::to_string(site.port()) + path;
  };
  auto secure_url = [&](const std::string& host, const std::string& path) {
    return "https://" + host + ":" + std::to_string(site.tls_port()) + path;
  };
  std::ostringstream quiet;
  Dispatch({"init", "--data", (dir / "data").string(), "--exe", (dir / "program").string()}, quiet);
  Dispatch({"project", "add", "My Site", "--home-page", url("mysite.localhost", "/")}, quiet);
  const std::string find = "mysite.localhost";
  auto add = [&](std::vector<std::string> extra) {
    std::vector<std::string> command = {"partner", "add", "--project", "My Site", "--find", find};
    command.insert(command.end(), extra.begin(), extra.end());
    Dispatch(command, quiet);
  };
  // Found on the start page.
  add({"--name", "Rabbit Run", "--home", url("rabbits.localhost", "/")});
  // Found two hops deep; the members' page holds the link too, but robots.txt closes it.
  add({"--name", "Cats Corner", "--home", url("www.cats.localhost", "/index.htm"), "--link-text",
       "<a href=\"http://mysite.localhost/\">My Site</a>"});
  // The backlink moved: the stored address is the old links page.
  add({"--name", "Fish Tank", "--home", url("fish.localhost", "/index.htm"), "--backlink",
       url("fish.localhost", "/old-links.htm")});
  // The link was taken down.
  add({"--name", "Hamster Hut", "--home", url("hamsters.localhost", "/index.htm")});
  // The start page comes compressed.
  add({"--name", "Lizard Lounge", "--home", url("lizards.localhost", "/")});
  // The crawl starts at the links page, one hop below the home page.
  add({"--name", "Dog Days", "--home", url("dogs.localhost", "/"), "--start",
       url("dogs.localhost", "/links/"), "--start-hop", "1"});
  // Served the way sites are today: http answers with a redirect to https, pages compressed.
  add({"--name", "Parrot Perch", "--home", url("parrots.localhost", "/")});
  // Behind a bot wall: the start page is a challenge, so the link cannot be checked.
  add({"--name", "Turtle Town", "--home", secure_url("turtles.localhost", "/")});
  Dispatch({"settings", "set", "HTTPCAFile", ca_file, "--network"}, quiet);
  if (original) Dispatch({"settings", "set", "ZEBModernWeb", "false"}, quiet);
  Dispatch({"settings", "set", "ZEBSelConnections", "5"}, quiet);
  Dispatch({"settings", "set", "ZEBAnalyzeFound", "true"}, quiet);
  Dispatch({"settings", "set", "ZEBAutoUpdatePartner", "true"}, quiet);
}

int Demo(const ParsedArgs& a, std::ostream& out) {
  const fs::path dir = fs::absolute(a.Value("dir").value_or("demo-data"));
  const fs::path sites = a.Value("sites").value_or(ZEB_EXAMPLE_SITES);
  const std::string tick = a.Value("tick-ms").value_or("500");
  if (!fs::is_directory(sites / "cats")) {
    throw UsageError("there are no demo sites in " + sites.string() + "; name them with --sites");
  }
  MakeDemoFolder(dir);
  ::setenv("ZEB_SETTINGS_FILE", (dir / "settings.ini").c_str(), 1);

  // The demo's own certificate authority, trusted through HTTPCAFile for its https sites.
  const zeb::LoopbackPki pki = zeb::MakeLoopbackPki(dir / "pki", kTlsHosts);
  DemoSite site(sites, pki.good);
  SetUpDemoProject(dir, site, pki.ca_file, a.Flag("original"));
  out << "Demo sites on 127.0.0.1:" << site.port() << " (http) and " << site.tls_port()
      << " (https) from " << sites.string() << "\n";
  out << "Partners of \"My Site\":\n";
  Dispatch({"partner", "list", "--project", "My Site"}, out);
  out << "\n";
  int status = Dispatch({"check", "--project", "My Site", "--all", "--tick-ms", tick}, out);
  out << "\nSettings store: " << (dir / "settings.ini").string() << "\n"
      << "Tables:         " << (dir / "data" / "zeb.sqlite").string() << "\n"
      << "Run report:     " << (dir / "program" / "botmail.txt").string() << "\n";
  return status;
}

}  // namespace

std::vector<CommandSpec> DemoCommands() {
  return {
      {"demo",
       "Check eight demo partners on a loopback copy of the example sites",
       "Makes a fresh demo folder with its own settings store and data, serves the example "
       "partner sites on 127.0.0.1 (http and https), adds a partner for each case they show and "
       "checks them all. Nothing outside the demo folder is touched.",
       "zebhost demo --dir /tmp/zeb-demo",
       {Option("--dir", "DIR",
               "the demo folder (emptied first; a folder of other files is refused)", "./demo-data",
               ValueKind::kFolder),
        Option("--sites", "DIR", "the example sites to serve", "the sources' examples/sites",
               ValueKind::kFolder),
        Option("--tick-ms", "MS", "the console's timer tick in milliseconds", "500"),
        Flag("--original", "crawl as the original bot did (the modern web switched off)")},
       Demo},
  };
}

}  // namespace zebhost
