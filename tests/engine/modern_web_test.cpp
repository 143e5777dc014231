// The crawl with the modern-web switch on: https like http, compressed pages, robots.txt as
// RFC 9309 reads it, one kept connection per thread, polite retries, and a start page that
// cannot be checked reported as "Unverifiable", never as a lost link.
#include <gtest/gtest.h>

#include <fstream>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "data/app_tables.h"
#include "data/check_history.h"
#include "data/sqlite_session.h"
#include "engine/crawl_engine.h"
#include "support/crawl_fixture.h"
#include "support/test_certificates.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using testing::CrawlFixture;
using testing::LoopbackSite;
using testing::Reply;
using testing::RunRecord;
using testing::TestPki;

constexpr const char* kFind = "mysite.example";

// The names the https test sites answer for; their certificates carry exactly these.
const std::vector<std::string> kTlsNames = {"secure.localhost", "partner.localhost",
                                            "other.localhost"};

// A crawl fixture with the modern web on, the given test CA trusted, and a few analysis
// options, so that pages leave all their fields.
struct ModernFixture : CrawlFixture {
  ModernFixture() {
    settings.ModernWeb = true;
    settings.AnalyzeFound = true;
    settings.AnalyzeBase = true;
    settings.AutoUpdatePartner = true;
    settings.KWDensity = 3;
  }
  void TrustCa(const TestPki& pki) { SetNetwork("HTTPCAFile", pki.ca_file); }

  std::vector<CheckRecord> Checks(const std::string& partner) {
    Session session(DatabaseFile(locations()), OpenMode::kExisting);
    return PartnerChecks(session, testing::kProject, partner);
  }
  PartnerRecord Partner(const std::string& name) {
    Session session(DatabaseFile(locations()), OpenMode::kExisting);
    return *AppTables(session).FindPartner(testing::kProject, name, ProjectScope::kExact);
  }
};

// A small site: index -> a -> b -> c, the Find text on c.
void ServeChain(LoopbackSite& site, const std::string& encoding = "") {
  const auto page = [&](const std::string& path, const std::string& title,
                        const std::string& body) {
    Reply reply;
    reply.encoding = encoding;
    reply.body = "<html><head><title>" + title +
                 "</title><meta name=\"description\" content=\"About " + title +
                 "\"><meta name=\"keywords\" content=\"cats, dogs\"></head><body>" + body +
                 "</body></html>";
    site.Serve(path, reply);
  };
  page("/index.htm", "Home", "<p>Welcome to our friends of cats.</p><a href=\"a.htm\">A</a>");
  page("/a.htm", "A", "<p>Cats and dogs.</p><a href=\"/b.htm\">B</a><a href=\"index.htm\">up</a>");
  page("/b.htm", "B", "<p>Partners.</p><a href=\"./c.htm\">C</a>");
  page("/c.htm", "C",
       "<p>Our partners:</p><a href=\"http://other.example/\">other</a> <a "
       "href=\"http://www.mysite.example/\">My site</a><p>more text after the link</p>");
}

TEST(ModernWebTest, HttpStartPageRedirectedToHttpsIsCrawledToTheBacklink) {
  ModernFixture f;
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  LoopbackSite secure(pki.good);
  ServeChain(secure);
  const std::string https_index = secure.Url("secure.localhost", "/index.htm");
  f.site().Redirect("/start.htm", https_index);
  f.AddPartner("Cats", https_index, kFind, f.Url("/start.htm"));

  RunRecord run = f.Run({"Cats"});

  ASSERT_EQ(run.outcomes.size(), 1u);
  EXPECT_EQ(run.outcomes[0].FoundURL, secure.Url("secure.localhost", "/c.htm"));
  EXPECT_EQ(run.outcomes[0].Hops, 3);
  EXPECT_TRUE(run.outcomes[0].unverifiable.empty());
  // The start page is kept under the address it was served from, and its links are https.
  std::optional<FrontierRow> start = f.RowOf(https_index);
  ASSERT_TRUE(start.has_value());
  EXPECT_EQ(start->rec_no, 1);
  EXPECT_EQ(start->RunState, "OK");
  for (const std::string& link : start->InternalLinks) EXPECT_EQ(link.rfind("https://", 0), 0u);
  // The tree's chain and the partner's backlink are the https addresses a user would open.
  EXPECT_EQ(f.Partner("Cats").URL, secure.Url("secure.localhost", "/c.htm"));
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  std::optional<AnalysisRecord> analysis =
      AppTables(session).FindAnalysis(testing::kProject, "Cats", ProjectScope::kExact);
  ASSERT_TRUE(analysis.has_value());
  EXPECT_EQ(analysis->HopSequence,
            (Lines{https_index, secure.Url("secure.localhost", "/a.htm"),
                   secure.Url("secure.localhost", "/b.htm"),
                   secure.Url("secure.localhost", "/c.htm")}));
  std::vector<CheckRecord> checks = f.Checks("Cats");
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_EQ(checks[0].Result, kCheckFound);
}

TEST(ModernWebTest, AnAddressUnderBothSchemesIsOnePage) {
  ModernFixture f;
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  LoopbackSite secure(pki.good);
  // Both schemes on their default ports are one site: the http twin of a page already met is a
  // duplicate, and a link to the other host with the page's host name is internal.
  secure.Page("/index.htm", "<html><body><a href=\"/a.htm\">a</a><a href=\"" +
                                secure.Url("secure.localhost", "/a.htm") +
                                "\">again</a></body></html>");
  secure.Page("/a.htm", "<html><body>nothing here</body></html>");
  f.AddPartner("Twice", secure.Url("secure.localhost", "/index.htm"), kFind);

  f.Run({"Twice"});

  EXPECT_EQ(secure.CountRequests("/a.htm"), 1);
}

// Every stored field of a page is the same whether it came compressed or not (the raw header
// lines say how it was served and so differ: Content-Encoding, Content-Length).
TEST(ModernWebTest, CompressedPagesAreReadExactlyLikePlainOnes) {
  struct Result {
    std::vector<FrontierRow> rows;
    AnalysisRecord analysis;
  };
  const auto crawl = [](const std::string& encoding) {
    ModernFixture f;
    ServeChain(f.site(), encoding);
    f.AddPartner("Cats", f.Url("/index.htm"), kFind);
    RunRecord run = f.Run({"Cats"});
    EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/c.htm")) << encoding;
    Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
    Result result{f.Frontier(), *AppTables(session).FindAnalysis(testing::kProject, "Cats",
                                                                 ProjectScope::kExact)};
    // The fixtures differ in their port: compare addresses without it.
    return std::make_pair(result, f.site().port());
  };
  auto [plain, plain_port] = crawl("");
  ASSERT_FALSE(plain.rows.empty());
  for (const char* encoding : {"gzip", "deflate", "br"}) {
    SCOPED_TRACE(encoding);
    auto [packed, port] = crawl(encoding);
    const auto same_port = [&, port = port](std::string text) {
      const std::string from = ":" + std::to_string(port), to = ":" + std::to_string(plain_port);
      for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
      }
      return text;
    };
    const auto lines = [&](Lines in) {
      for (std::string& line : in) line = same_port(line);
      return in;
    };
    ASSERT_EQ(packed.rows.size(), plain.rows.size());
    for (std::size_t i = 0; i < plain.rows.size(); ++i) {
      const FrontierRow& a = plain.rows[i];
      const FrontierRow& b = packed.rows[i];
      SCOPED_TRACE(a.URL);
      EXPECT_EQ(same_port(b.URL), a.URL);
      EXPECT_EQ(same_port(b.ParentURL), a.ParentURL);
      EXPECT_EQ(b.Node, a.Node);
      EXPECT_EQ(b.RunState, a.RunState);
      EXPECT_EQ(b.LinkType, a.LinkType);
      EXPECT_EQ(b.ResponseCode, a.ResponseCode);
      EXPECT_EQ(b.StringsFound, a.StringsFound);
      EXPECT_EQ(lines(b.Cache), a.Cache);
      EXPECT_EQ(b.TitleTag, a.TitleTag);
      EXPECT_EQ(b.DescriptionTag, a.DescriptionTag);
      EXPECT_EQ(b.STTags, a.STTags);
      EXPECT_EQ(b.STDensity, a.STDensity);
      EXPECT_EQ(same_port(b.Host), a.Host);
      EXPECT_EQ(lines(b.AllLinks), a.AllLinks);
      EXPECT_EQ(lines(b.InternalLinks), a.InternalLinks);
      EXPECT_EQ(lines(b.ExternalLinks), a.ExternalLinks);
      EXPECT_EQ(b.FileSize, a.FileSize);  // the decoded size
      if (a.RunState == "OK" && !a.RawHeaders.empty()) {
        bool encoded = false;
        for (const std::string& h : b.RawHeaders) {
          encoded = encoded || h == std::string("Content-Encoding: ") + encoding;
        }
        EXPECT_TRUE(encoded) << "the page was not served compressed";
      }
    }
    const AnalysisRecord& x = plain.analysis;
    const AnalysisRecord& y = packed.analysis;
    EXPECT_EQ(lines(y.HopSequence), x.HopSequence);
    EXPECT_EQ(y.Hops, x.Hops);
    EXPECT_EQ(y.AllLinkPosition, x.AllLinkPosition);
    EXPECT_EQ(y.ExternalLinkPosition, x.ExternalLinkPosition);
    EXPECT_EQ(y.WordPosTags, x.WordPosTags);
    EXPECT_EQ(y.WordTotalTags, x.WordTotalTags);
    EXPECT_EQ(y.WordPosNoTags, x.WordPosNoTags);
    EXPECT_EQ(y.WordTotalNoTags, x.WordTotalNoTags);
    EXPECT_EQ(y.Back_TitleTag, x.Back_TitleTag);
    EXPECT_EQ(y.Back_KWDensity, x.Back_KWDensity);
    EXPECT_EQ(y.Base_TitleTag, x.Base_TitleTag);
  }
}

// Peak resident memory of this process since the last reset, in bytes; nullopt where the
// kernel does not tell.
std::optional<long> PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  }
  return std::nullopt;
}

// Resident memory of this process now, in bytes.
std::optional<long> ResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  }
  return std::nullopt;
}

bool ResetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

TEST(ModernWebTest, ACompressedBodyThatInflatesPastTheLimitIsTooBigWithBoundedMemory) {
  ModernFixture f;
  f.settings.IgnoreSize = 125000;
  Reply small_bomb;  // about 1 KB on the wire, 1 MB of text
  small_bomb.body = testing::Compress(std::string(1 << 20, ' '), "gzip");
  small_bomb.headers = {{"Content-Encoding", "gzip"}};
  EXPECT_LT(small_bomb.body.size(), 2048u);
  f.site().Serve("/bomb.htm", small_bomb);
  Reply big_bomb;  // about 250 KB on the wire, 256 MB of text
  big_bomb.body = testing::Compress(std::string(std::size_t{256} << 20, 'a'), "gzip");
  big_bomb.headers = {{"Content-Encoding", "gzip"}};
  f.site().Serve("/big.htm", big_bomb);
  f.site().Page("/index.htm",
                "<html><body><a href=\"/bomb.htm\">a</a><a href=\"/big.htm\">b</a></body></html>");
  f.AddPartner("Bombs", f.Url("/index.htm"), kFind);

  // What the crawl adds to the process at its peak: the tests before it (in one process) may
  // have left memory of their own in use.
  const std::optional<long> before = ResidentBytes();
  const bool measured = ResetPeakResident() && before;
  RunRecord run = f.Run({"Bombs"});
  std::optional<long> peak = PeakResidentBytes();
  if (peak && before) *peak -= *before;

  for (const char* path : {"/bomb.htm", "/big.htm"}) {
    std::optional<FrontierRow> row = f.RowOf(f.Url(path));
    ASSERT_TRUE(row.has_value()) << path;
    EXPECT_EQ(row->RunState, "TooBig") << path;
    EXPECT_EQ(row->ResponseCode, "200") << path;
  }
  // Sanitizers keep shadow memory of their own: the figure means something only without them.
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
  if (measured && peak) {
    EXPECT_LT(*peak, 64L << 20) << "peak resident memory the crawl added";
  }
#else
  (void)measured;
  (void)peak;
#endif
}

TEST(ModernWebTest, A429WithAShortRetryAfterIsAskedOnceMoreAndNobodyElseAsksMeanwhile) {
  ModernFixture f;
  f.settings.Connections = 5;
  // The refused page comes first, so that the other threads still have pages to ask for
  // while it waits.
  std::string index = "<html><body><a href=\"/busy.htm\">busy</a>";
  for (int i = 0; i < 40; ++i) {
    const std::string path = "/p" + std::to_string(i) + ".htm";
    index += "<a href=\"" + path + "\">x</a>";
    Reply page;
    page.body = "<html><body>page " + std::to_string(i) + "</body></html>";
    page.delay = 20ms;
    f.site().Serve(path, page);
  }
  f.site().Page("/index.htm", index + "</body></html>");
  Reply refused;
  refused.status = 429;
  refused.headers = {{"Retry-After", "1"}};
  Reply fine;
  fine.body = "<html><body>at last: mysite.example</body></html>";
  f.site().ServeSequence("/busy.htm", {refused, fine});
  f.AddPartner("Busy", f.Url("/index.htm"), kFind);

  RunRecord run = f.Run({"Busy"});

  EXPECT_EQ(f.RowOf(f.Url("/busy.htm"))->RunState, "OK");
  EXPECT_EQ(f.RowOf(f.Url("/busy.htm"))->StringsFound, true);
  EXPECT_EQ(f.site().CountRequests("/busy.htm"), 2);
  std::vector<testing::LoggedRequest> log = f.site().Requests();
  std::vector<std::chrono::steady_clock::time_point> busy;
  for (const testing::LoggedRequest& r : log) {
    if (r.path == "/busy.htm") busy.push_back(r.at);
  }
  ASSERT_EQ(busy.size(), 2u);
  EXPECT_GE(busy[1] - busy[0], 1s);
  // Requests the other four threads had on their way when the 429 came in may still arrive;
  // nothing more reaches the host until the retry, although they have pages to ask for all the
  // time (without the hold they ask for dozens in that second).
  int during_wait = 0;
  for (const testing::LoggedRequest& r : log) {
    if (r.path != "/busy.htm" && r.at > busy[0] && r.at < busy[1]) ++during_wait;
  }
  EXPECT_LE(during_wait, f.settings.Connections.value_or(1) - 1);
}

TEST(ModernWebTest, ALongRetryAfterOrASecondRefusalEndsTheRowError) {
  ModernFixture f;
  Reply long_wait;
  long_wait.status = 429;
  long_wait.headers = {{"Retry-After", "120"}};
  f.site().Serve("/long.htm", long_wait);
  Reply again;
  again.status = 503;
  again.headers = {{"Retry-After", "0"}};
  f.site().Serve("/again.htm", again);
  f.site().Page("/index.htm",
                "<html><body><a href=\"/long.htm\">a</a><a href=\"/again.htm\">b</a></body></html>");
  f.AddPartner("Slow", f.Url("/index.htm"), kFind);

  RunRecord run = f.Run({"Slow"});

  EXPECT_EQ(f.RowOf(f.Url("/long.htm"))->RunState, "Error");
  EXPECT_EQ(f.RowOf(f.Url("/long.htm"))->ResponseCode, "429");
  EXPECT_EQ(run.FinalNotice(f.Url("/long.htm")), "429, retry after 120 s");
  EXPECT_EQ(f.site().CountRequests("/long.htm"), 1);
  EXPECT_EQ(f.RowOf(f.Url("/again.htm"))->RunState, "Error");
  EXPECT_EQ(run.FinalNotice(f.Url("/again.htm")), "503 again after a retry");
  EXPECT_EQ(f.site().CountRequests("/again.htm"), 2);
  // Refused pages further down are not the start page: the partner is simply not found.
  EXPECT_TRUE(run.outcomes[0].unverifiable.empty());
}

TEST(ModernWebTest, RobotsOfANonWwwHttpsHostIsReadAndHonoured) {
  ModernFixture f;
  f.settings.UserAgent = "Mozilla/5.0 (compatible; ZEBBot/2.0; +http://www.quillbex.example/)";
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  LoopbackSite secure(pki.good);
  Reply robots;
  robots.content_type = "text/plain";
  robots.body =
      "User-agent: *\nDisallow: /\n\n"
      "User-agent: ZEBBot\nDisallow: /private\nAllow: /private/open\nDisallow: /*.php$\n"
      "Allow: /tie\nDisallow: /tie\n";
  secure.Serve("/robots.txt", robots);
  const std::vector<std::string> paths = {"/private/x.htm", "/private/open.htm", "/page.php",
                                          "/page.php?x=1",  "/tie.htm",          "/free.htm"};
  std::string index = "<html><body>";
  for (const std::string& p : paths) {
    index += "<a href=\"" + p + "\">x</a>";
    secure.Page(p, "<html><body>nothing</body></html>");
  }
  secure.Page("/index.htm", index + "</body></html>");
  f.AddPartner("Robots", secure.Url("secure.localhost", "/index.htm"), kFind);

  f.Run({"Robots"});

  const std::map<std::string, std::string> expected = {
      {"/private/x.htm", "bot-denied"}, {"/private/open.htm", "OK"}, {"/page.php", "bot-denied"},
      {"/page.php?x=1", "OK"},          {"/tie.htm", "OK"},          {"/free.htm", "OK"}};
  for (const auto& [path, state] : expected) {
    std::optional<FrontierRow> row = f.RowOf(secure.Url("secure.localhost", path));
    ASSERT_TRUE(row.has_value()) << path;
    EXPECT_EQ(row->RunState, state) << path;
  }
  EXPECT_EQ(secure.CountRequests("/robots.txt"), 1);
  EXPECT_EQ(secure.CountRequests("/private/x.htm"), 0);
  std::optional<HostRow> host =
      f.HostEntry("https://secure.localhost:" + std::to_string(secure.port()));
  ASSERT_TRUE(host.has_value());
  EXPECT_TRUE(host->BotFound);
}

TEST(ModernWebTest, ARobotsFileBehindARedirectToHttpsIsFollowed) {
  ModernFixture f;
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  LoopbackSite secure(pki.good);
  Reply robots;
  robots.content_type = "text/plain";
  robots.body = "User-agent: *\nDisallow: /private\n";
  secure.Serve("/robots.txt", robots);
  f.site().Redirect("/robots.txt", secure.Url("partner.localhost", "/robots.txt"));
  f.site().Page("/index.htm",
                "<html><body><a href=\"/private/x.htm\">x</a><a href=\"/open.htm\">o</a></body></html>");
  f.site().Page("/private/x.htm", "<html><body>mysite.example</body></html>");
  f.site().Page("/open.htm", "<html><body>nothing</body></html>");
  f.AddPartner("Moved", f.Url("/index.htm"), kFind);

  RunRecord run = f.Run({"Moved"});

  EXPECT_EQ(f.RowOf(f.Url("/private/x.htm"))->RunState, "bot-denied");
  EXPECT_EQ(f.RowOf(f.Url("/open.htm"))->RunState, "OK");
  EXPECT_EQ(f.site().CountRequests("/private/x.htm"), 0);
  EXPECT_EQ(secure.CountRequests("/robots.txt"), 1);
  EXPECT_TRUE(run.outcomes[0].FoundURL.empty());
}

// A port nothing listens on.
int ClosedPort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(s);
  return ntohs(address.sin_port);
}

TEST(ModernWebTest, TlsFailuresAreErrorRowsWithTheirReasons) {
  ModernFixture f;
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  struct Case {
    const char* partner;
    testing::TlsIdentity identity;
    const char* reason;
  };
  const std::vector<Case> cases = {{"SelfSigned", pki.self_signed, "certificate not trusted: self-signed"},
                                   {"Expired", pki.expired, "certificate expired"},
                                   {"WrongName", pki.wrong_name, "name mismatch"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.partner);
    LoopbackSite site(c.identity);
    site.Page("/index.htm", "<html><body>mysite.example</body></html>");
    const std::string start = site.Url("secure.localhost", "/index.htm");
    f.AddPartner(c.partner, start, kFind);
    RunRecord run = f.Run({c.partner});
    std::optional<FrontierRow> row = f.RowOf(start);
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->RunState, "Error");
    EXPECT_EQ(run.FinalNotice(start), c.reason);
    EXPECT_EQ(run.outcomes[0].unverifiable, c.reason);
    EXPECT_EQ(site.CountRequests("/index.htm"), 0);
  }
}

// A start page that cannot be checked leaves the partner "Unverifiable: <reason>" everywhere the
// result shows, never "Not Found", and the partner's stored backlink as it was.
TEST(ModernWebTest, AStartPageThatCannotBeCheckedIsUnverifiable) {
  ModernFixture f;
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  LoopbackSite bad_tls(pki.self_signed);
  bad_tls.Page("/index.htm", "<html><body>mysite.example</body></html>");
  f.settings.StopTime = 3;

  Reply login;
  login.status = 401;
  f.site().Serve("/login.htm", login);
  Reply wall;
  wall.status = 403;
  wall.body = "<html><head><title>Just a moment...</title></head><body><noscript>Enable "
              "JavaScript and cookies to continue</noscript></body></html>";
  f.site().Serve("/wall.htm", wall);
  Reply wall_ok;  // a 200 challenge: header only
  wall_ok.headers = {{"cf-mitigated", "challenge"}};
  wall_ok.body = "<html><body>One moment, please.</body></html>";
  f.site().Serve("/wall200.htm", wall_ok);
  Reply captcha;  // a 200 challenge by its text, with no links
  captcha.body = "<html><body><h1>Please solve the CAPTCHA below</h1></body></html>";
  f.site().Serve("/captcha.htm", captcha);
  Reply busy;
  busy.status = 429;
  busy.headers = {{"Retry-After", "20"}};  // short, but past the 3 s deadline
  f.site().Serve("/busy.htm", busy);
  Reply down;
  down.status = 503;
  f.site().Serve("/down.htm", down);
  Reply gone;
  gone.status = 404;
  f.site().Serve("/gone.htm", gone);

  struct Case {
    std::string partner, start, reason;  // reason "" for a plain "Not Found"
  };
  const std::vector<Case> cases = {
      {"Login", f.Url("/login.htm"), "401 login required"},
      {"Wall", f.Url("/wall.htm"), "403 challenge page"},
      {"Wall200", f.Url("/wall200.htm"), "challenge page"},
      {"Captcha", f.Url("/captcha.htm"), "challenge page"},
      {"Busy", f.Url("/busy.htm"), "429, retry after 20 s"},
      {"Down", f.Url("/down.htm"), "503 service unavailable"},
      {"Refused", "http://partner.localhost:" + std::to_string(ClosedPort()) + "/index.htm",
       "connection refused"},
      {"Nowhere", "http://nohost.invalid/index.htm", "host not found"},
      {"BadCert", bad_tls.Url("secure.localhost", "/index.htm"),
       "certificate not trusted: self-signed"},
      {"Gone", f.Url("/gone.htm"), ""},
  };
  std::vector<std::string> names;
  for (const Case& c : cases) {
    f.AddPartner(c.partner, c.start, kFind);
    names.push_back(c.partner);
  }

  RunRecord run = f.Run(names);

  ASSERT_EQ(run.outcomes.size(), cases.size());
  const std::string report = f.Report();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.partner);
    const PartnerOutcome& o = run.outcomes[i];
    EXPECT_TRUE(o.FoundURL.empty());
    EXPECT_EQ(o.unverifiable, c.reason);
    std::vector<CheckRecord> checks = f.Checks(c.partner);
    ASSERT_EQ(checks.size(), 1u);
    PartnerRecord partner = f.Partner(c.partner);
    EXPECT_EQ(partner.URL, "http://old.example/links.htm");  // Auto-Update left it alone
    EXPECT_FALSE(partner.FoundShort);
    if (c.reason.empty()) {
      EXPECT_EQ(o.reason, "Not Found: BackLink mysite.example");
      EXPECT_EQ(checks[0].Result, kCheckNotFound);
      EXPECT_TRUE(checks[0].Lost);
      continue;
    }
    EXPECT_EQ(o.reason, "Unverifiable: " + c.reason);
    EXPECT_EQ(checks[0].Result, kCheckUnverifiable);
    EXPECT_EQ(checks[0].Reason, c.reason);
    EXPECT_FALSE(checks[0].Lost);
    EXPECT_NE(report.find("Could not check: " + c.partner + " (Unverifiable: " + c.reason + ")"),
              std::string::npos);
    EXPECT_EQ(report.find("Not found for: " + c.partner + "\r\n"), std::string::npos);
    EXPECT_TRUE(run.HasMessage("Could not check the start page: " + c.reason));
  }
  EXPECT_EQ(f.site().CountRequests("/busy.htm"), 1);  // no retry past the deadline
}

TEST(ModernWebTest, RobotsThatCloseOrFailTheStartPageMakeThePartnerUnverifiable) {
  ModernFixture f;
  Reply closed;
  closed.content_type = "text/plain";
  closed.body = "User-agent: *\nDisallow: /\n";
  f.site().Serve("/robots.txt", closed);
  f.site().Page("/index.htm", "<html><body>mysite.example</body></html>");
  f.AddPartner("Closed", f.Url("/index.htm"), kFind);
  RunRecord run = f.Run({"Closed"});
  EXPECT_EQ(run.outcomes[0].unverifiable, "robots.txt closes the start page");
  EXPECT_EQ(f.RowOf(f.Url("/index.htm"))->RunState, "bot-denied");

  Reply broken;
  broken.status = 500;
  f.site().Serve("/robots.txt", broken);
  run = f.Run({"Closed"});
  EXPECT_EQ(run.outcomes[0].unverifiable, "robots.txt answered 500");

  f.site().Serve("/robots.txt", [] {
    Reply none;
    none.status = 404;
    return none;
  }());
  run = f.Run({"Closed"});
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/index.htm"));  // a 4xx file allows everything
}

TEST(ModernWebTest, EachThreadKeepsOneConnectionAcrossItsPages) {
  ModernFixture f;
  f.settings.AnalyzeFound = f.settings.AnalyzeBase = false;
  f.settings.Connections = 10;
  f.settings.StopHops = -1;
  TestPki pki = testing::MakeTestPki(f.locations().DataFolder + "pki", kTlsNames);
  f.TrustCa(pki);
  LoopbackSite secure(pki.good);
  const int pages = 500;
  testing::ServeLinkedPages(secure, pages, 0ms);
  f.AddPartner("Big", secure.Url("secure.localhost", "/p0.htm"), kFind);

  RunRecord run = f.Run({"Big"});

  EXPECT_EQ(secure.CountRequests("/p499.htm"), 1);
  EXPECT_GE(static_cast<int>(secure.Requests().size()), pages);
  EXPECT_LE(secure.Handshakes(), 10 + 2);
}

TEST(ModernWebTest, SwitchedOffTheCrawlStaysTheOriginalOne) {
  CrawlFixture f;
  Reply gzip;
  gzip.encoding = "gzip";
  gzip.body = "<html><body>mysite.example</body></html>";
  f.site().Serve("/index.htm", gzip);
  f.AddPartner("Old", f.Url("/index.htm"), kFind);
  RunRecord run = f.Run({"Old"});
  EXPECT_EQ(f.RowOf(f.Url("/index.htm"))->RunState, "gzip");
  EXPECT_EQ(run.outcomes[0].reason, "gzip compression not supported");
  for (const testing::LoggedRequest& r : f.site().Requests()) EXPECT_EQ(r.accept_encoding, "*");
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  EXPECT_FALSE(session.TableExists(kCheckHistoryTable));
}

}  // namespace
}  // namespace zeb
