#include "engine/http_client.h"

#include <gtest/gtest.h>

#include <atomic>

#include "support/loopback_site.h"

namespace zeb {
namespace {

using std::chrono::milliseconds;
using testing::LoopbackSite;
using testing::Reply;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

HttpOptions Quick() {
  HttpOptions options;
  options.read_timeout = milliseconds(3000);
  options.user_agent = "ZEB Bot test";
  options.accept = "text/html, */*";
  return options;
}

TEST(HttpClientTest, FetchesAPageWithItsHeadersAndHost) {
  LoopbackSite site;
  site.Page("/a.htm", "<html><body>hello</body></html>");
  HttpClient client(Quick());
  HttpResponse r = client.Get(site.Url("cats.localhost", "/a.htm"));
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "<html><body>hello</body></html>");
  EXPECT_EQ(r.host, "cats.localhost:" + std::to_string(site.port()));
  ASSERT_FALSE(r.raw_headers.empty());
  EXPECT_EQ(r.raw_headers[0].rfind("HTTP/1.1 200", 0), 0u) << r.raw_headers[0];
  ASSERT_EQ(site.Requests().size(), 1u);
  testing::LoggedRequest sent = site.Requests()[0];
  EXPECT_EQ(sent.user_agent, "ZEB Bot test");
  EXPECT_EQ(sent.accept, "text/html, */*");
  EXPECT_EQ(sent.accept_encoding, "*");
  EXPECT_EQ(sent.host, "cats.localhost:" + std::to_string(site.port()));
}

TEST(HttpClientTest, ErrorStatusThrowsWithTheStatus) {
  LoopbackSite site;
  HttpClient client(Quick());
  try {
    client.Get(site.Url("cats.localhost", "/missing.htm"));
    FAIL() << "a 404 was taken as a page";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.status(), 404);
    EXPECT_NE(std::string(e.what()).find("404"), std::string::npos) << e.what();
  }
  EXPECT_EQ(client.last_status(), 404);
}

TEST(HttpClientTest, CompressedBodiesAreNotDecoded) {
  LoopbackSite site;
  Reply reply;
  reply.body = std::string("\x1f\x8b\x08\x00garbled", 11);
  reply.headers.emplace_back("Content-Encoding", "gzip");
  site.Serve("/z.htm", reply);
  HttpResponse r = HttpClient(Quick()).Get(site.Url("z.localhost", "/z.htm"));
  EXPECT_EQ(r.content_encoding, "gzip");
  EXPECT_EQ(r.body, reply.body);
}

TEST(HttpClientTest, RedirectsAreFollowedUpToTheirMaximum) {
  LoopbackSite site;
  site.Redirect("/old.htm", "/new.htm");
  site.Page("/new.htm", "new");
  site.Redirect("/loop1", "/loop2");
  site.Redirect("/loop2", "/loop1");
  HttpOptions options = Quick();
  options.max_redirects = 5;
  HttpClient client(options);
  HttpResponse r = client.Get(site.Url("site.localhost", "/old.htm"));
  EXPECT_EQ(r.body, "new");
  EXPECT_EQ(r.effective_url, site.Url("site.localhost", "/new.htm"));
  EXPECT_THROW(client.Get(site.Url("site.localhost", "/loop1")), HttpError);
  EXPECT_LE(site.CountRequests("/loop1") + site.CountRequests("/loop2"), 7);

  options.follow_redirects = false;
  HttpResponse unfollowed = HttpClient(options).Get(site.Url("site.localhost", "/old.htm"));
  EXPECT_EQ(unfollowed.status, 301);
}

TEST(HttpClientTest, TheAddressesOwnPortWinsOverTheStoredPort) {
  LoopbackSite site;
  site.Page("/p.htm", "port");
  HttpOptions options = Quick();
  options.port = 1;  // nothing listens there
  EXPECT_EQ(HttpClient(options).Get(site.Url("a.localhost", "/p.htm")).body, "port");
  options.port = site.port();  // and an address without a port takes the stored one
  EXPECT_EQ(HttpClient(options).Get("http://a.localhost/p.htm").body, "port");
}

TEST(HttpClientTest, ConnectionRefusedThrows) {
  int port;
  {
    LoopbackSite site;
    port = site.port();
  }
  HttpClient client(Quick());
  EXPECT_THROW(client.Get("http://gone.localhost:" + std::to_string(port) + "/"), HttpError);
}

TEST(HttpClientTest, AStalledServerTripsTheReadTimeOut) {
  LoopbackSite site;
  Reply reply;
  reply.delay = milliseconds(2000);
  reply.body = "late";
  site.Serve("/slow", reply);
  HttpOptions options = Quick();
  options.read_timeout = milliseconds(300);
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(HttpClient(options).Get(site.Url("s.localhost", "/slow")), HttpError);
  EXPECT_LT(SecondsSince(start), 1.8);
}

TEST(HttpClientTest, ATricklingServerIsEndedByTheTransferLimit) {
  LoopbackSite site;
  Reply reply;
  reply.kind = Reply::Body::kTrickle;
  reply.trickle_gap = milliseconds(100);
  site.Serve("/trickle", reply);
  HttpOptions options = Quick();
  options.read_timeout = milliseconds(1000);  // never trips: a byte comes every 100 ms
  options.transfer_limit = milliseconds(1200);
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(HttpClient(options).Get(site.Url("t.localhost", "/trickle")), HttpError);
  EXPECT_LT(SecondsSince(start), 4.0);
}

// Stops an endless body once it holds more than a limit, as the page-size check does.
class SizeGuard : public TransferObserver {
 public:
  explicit SizeGuard(std::size_t limit) : limit_(limit) {}
  std::string AcceptBody(std::string_view so_far, std::string_view block) override {
    return so_far.size() + block.size() > limit_ ? "TooBig" : "";
  }
  void WorkRead(std::int64_t count) override { last_read = count; }
  std::int64_t last_read = 0;

 private:
  std::size_t limit_;
};

TEST(HttpClientTest, TheObserverCanEndAnEndlessBody) {
  LoopbackSite site;
  Reply reply;
  reply.kind = Reply::Body::kEndless;
  site.Serve("/endless", reply);
  SizeGuard guard(200000);
  try {
    HttpClient(Quick()).Get(site.Url("e.localhost", "/endless"), &guard);
    FAIL() << "an endless body ended by itself";
  } catch (const HttpError& e) {
    EXPECT_STREQ(e.what(), "TooBig");
    EXPECT_EQ(e.status(), 200);
  }
}

class StopAfter : public TransferObserver {
 public:
  std::string ShouldStop() override { return ++calls > 3 ? "Aborted" : ""; }
  int calls = 0;
};

TEST(HttpClientTest, TheObserverCanStopATransfer) {
  LoopbackSite site;
  Reply reply;
  reply.kind = Reply::Body::kTrickle;
  reply.trickle_gap = milliseconds(50);
  site.Serve("/trickle", reply);
  StopAfter stop;
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(HttpClient(Quick()).Get(site.Url("t.localhost", "/trickle"), &stop), HttpError);
  EXPECT_LT(SecondsSince(start), 6.0);
}

TEST(HttpClientTest, TheBandwidthThrottleSlowsTheTransfer) {
  LoopbackSite site;
  site.Page("/big", std::string(3000000, 'b'));
  HttpOptions options = Quick();
  options.max_recv_speed = 1000000;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpClient(options).Get(site.Url("b.localhost", "/big")).body.size(), 3000000u);
  EXPECT_GT(SecondsSince(start), 1.0);
}

}  // namespace
}  // namespace zeb
