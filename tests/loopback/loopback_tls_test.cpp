// Checks the loopback site and the test CA with plain libcurl, as the product's client uses it:
// https with verification, the verification failures of the bad identities, compressed replies,
// connection reuse, request times and an immediate stop.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_site.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace zeb::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const std::string kHost = "secure.localhost";
const std::vector<std::string> kNames = {kHost, "www.secure.localhost", "127.0.0.1"};

double SecondsSince(steady_clock::time_point start) {
  return std::chrono::duration<double>(steady_clock::now() - start).count();
}

// A libcurl easy handle that lives as long as the object.
class Easy {
 public:
  Easy() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    easy_ = curl_easy_init();
    if (easy_ == nullptr) throw std::runtime_error("curl_easy_init failed");
  }
  ~Easy() { curl_easy_cleanup(easy_); }
  Easy(const Easy&) = delete;
  Easy& operator=(const Easy&) = delete;

  CURL* get() const { return easy_; }

 private:
  CURL* easy_;
};

struct Options {
  std::string ca_file;  // "" keeps libcurl's default trust store
  bool verify = true;
  const char* accept_encoding = nullptr;  // CURLOPT_ACCEPT_ENCODING; "" for all libcurl decodes
  std::vector<std::string> headers;       // extra request headers
};

Options Trusting(const std::string& ca_file) {
  Options options;
  options.ca_file = ca_file;
  return options;
}

Options Unverified() {
  Options options;
  options.verify = false;
  return options;
}

// Trusting ca_file and letting libcurl ask for and decode every encoding it knows.
Options Decoding(const std::string& ca_file) {
  Options options = Trusting(ca_file);
  options.accept_encoding = "";
  return options;
}

struct Fetched {
  CURLcode code = CURLE_OK;
  std::string error;  // libcurl's error buffer
  long verify_result = 0;
  long status = 0;
  long new_connections = 0;
  std::string body;
  std::string content_encoding;  // the last Content-Encoding header
  std::size_t content_encodings = 0;
};

std::size_t Append(char* data, std::size_t size, std::size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

Fetched Fetch(const Easy& easy, const std::string& url, const Options& options = {}) {
  CURL* e = easy.get();
  Fetched f;
  char error[CURL_ERROR_SIZE] = "";
  curl_slist* headers = nullptr;
  for (const std::string& h : options.headers) headers = curl_slist_append(headers, h.c_str());
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, 10000L);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &f.body);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
  if (!options.ca_file.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, options.ca_file.c_str());
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, options.verify ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, options.verify ? 2L : 0L);
  curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, options.accept_encoding);
  f.code = curl_easy_perform(e);
  f.error = error;
  curl_easy_getinfo(e, CURLINFO_SSL_VERIFYRESULT, &f.verify_result);
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &f.status);
  curl_easy_getinfo(e, CURLINFO_NUM_CONNECTS, &f.new_connections);
  curl_header* header = nullptr;
  if (curl_easy_header(e, "Content-Encoding", 0, CURLH_HEADER, -1, &header) == CURLHE_OK) {
    f.content_encodings = header->amount;
    curl_easy_header(e, "Content-Encoding", header->amount - 1, CURLH_HEADER, -1, &header);
    f.content_encoding = header->value;
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, nullptr);
  curl_slist_free_all(headers);
  return f;
}

Fetched Fetch(const std::string& url, const Options& options = {}) {
  Easy easy;
  return Fetch(easy, url, options);
}

// Text that compresses well but not to nothing.
std::string SampleText(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i) {
    text += "<p>line " + std::to_string(i) + " of the sample, " + std::to_string(i * 7919 % 1000) +
            "</p>\n";
  }
  text.resize(size);
  return text;
}

class LoopbackTlsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  TestPki pki_ = MakeTestPki(dir_.path(), kNames);
};

TEST_F(LoopbackTlsTest, HttpsPageIsFetchedWhenTheCaFileTrustsIt) {
  LoopbackSite site(pki_.good);
  site.Page("/a.htm", "<html><body>hello</body></html>");
  EXPECT_EQ(site.scheme(), "https");
  const std::string url = site.Url(kHost, "/a.htm");
  EXPECT_EQ(url, "https://" + kHost + ":" + std::to_string(site.port()) + "/a.htm");

  for (const std::string& host : kNames) {
    SCOPED_TRACE(host);
    Fetched f = Fetch(site.Url(host, "/a.htm"), Trusting(pki_.ca_file));
    EXPECT_EQ(f.code, CURLE_OK) << f.error;
    EXPECT_EQ(f.verify_result, X509_V_OK);
    EXPECT_EQ(f.status, 200);
    EXPECT_EQ(f.body, "<html><body>hello</body></html>");
  }
  EXPECT_EQ(site.Handshakes(), 3);
  EXPECT_EQ(site.ResumedHandshakes(), 0);
  ASSERT_EQ(site.Requests().size(), 3u);
  EXPECT_EQ(site.Requests()[0].host, kHost + ":" + std::to_string(site.port()));
}

TEST_F(LoopbackTlsTest, PlainSiteStaysHttp) {
  LoopbackSite site;
  site.Page("/a.htm", "plain");
  EXPECT_EQ(site.scheme(), "http");
  EXPECT_EQ(site.Url("cats.localhost", "/a.htm"),
            "http://cats.localhost:" + std::to_string(site.port()) + "/a.htm");
  Fetched f = Fetch(site.Url("cats.localhost", "/a.htm"));
  EXPECT_EQ(f.code, CURLE_OK) << f.error;
  EXPECT_EQ(f.body, "plain");
  EXPECT_EQ(site.Handshakes(), 0);
  // Plain http to the https site is no handshake and no page.
  LoopbackSite secure(pki_.good);
  secure.Page("/a.htm", "secret");
  Fetched wrong = Fetch("http://" + kHost + ":" + std::to_string(secure.port()) + "/a.htm");
  EXPECT_NE(wrong.body, "secret");
  EXPECT_EQ(secure.Handshakes(), 0);
  EXPECT_EQ(secure.CountRequests("/a.htm"), 0);
}

// Each bad identity fails verification with its own reason, and is served all the same: with
// verification off the page comes back.
TEST_F(LoopbackTlsTest, BadIdentitiesFailVerification) {
  TempDir other_dir;
  const TestPki other = MakeTestPki(other_dir.path(), kNames);
  struct Case {
    const char* name;
    TlsIdentity identity;
    std::string host;
    std::string ca_file;
    long want_verify_result;
    std::string want_in_error;
  };
  const Case cases[] = {
      {"expired", pki_.expired, kHost, pki_.ca_file, X509_V_ERR_CERT_HAS_EXPIRED, "expired"},
      {"self-signed", pki_.self_signed, kHost, pki_.ca_file, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,
       "self-signed"},
      // libcurl checks the name before it reads the chain's result, which keeps its initial 1.
      {"issued for other.invalid", pki_.wrong_name, kHost, pki_.ca_file, X509_V_ERR_UNSPECIFIED,
       "no alternative certificate subject name matches target host name '" + kHost + "'"},
      {"good leaf asked for a name it lacks", pki_.good, "other.localhost", pki_.ca_file,
       X509_V_ERR_UNSPECIFIED, "'other.localhost'"},
      {"good leaf of another CA", other.good, kHost, pki_.ca_file,
       X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, "unable to get local issuer certificate"},
      {"good leaf, system trust store only", pki_.good, kHost, "",
       X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, "unable to get local issuer certificate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackSite site(c.identity);
    site.Page("/a.htm", "page");
    const std::string url = site.Url(c.host, "/a.htm");
    Fetched f = Fetch(url, Trusting(c.ca_file));
    std::cout << "[ curl     ] " << c.name << ": CURLcode " << f.code << " \""
              << curl_easy_strerror(f.code) << "\", CURLINFO_SSL_VERIFYRESULT " << f.verify_result
              << " \"" << X509_verify_cert_error_string(f.verify_result) << "\", error buffer \""
              << f.error << "\"\n";
    EXPECT_EQ(f.code, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_EQ(f.verify_result, c.want_verify_result);
    EXPECT_NE(f.error.find(c.want_in_error), std::string::npos) << f.error;
    EXPECT_EQ(site.CountRequests("/a.htm"), 0);

    Fetched unverified = Fetch(url, Unverified());
    EXPECT_EQ(unverified.code, CURLE_OK) << unverified.error;
    EXPECT_EQ(unverified.body, "page");
  }
}

TEST_F(LoopbackTlsTest, IdentitiesThatDoNotLoadAreRefused) {
  const TlsIdentity cases[] = {
      {dir_.path() / "missing.pem", pki_.good.key_file},
      {pki_.good.cert_file, dir_.path() / "missing.key"},
      {pki_.good.cert_file, pki_.expired.key_file},  // the key of another certificate
      {pki_.good.key_file, pki_.good.cert_file},     // swapped
  };
  for (const TlsIdentity& identity : cases) {
    SCOPED_TRACE(identity.cert_file + " " + identity.key_file);
    EXPECT_THROW(LoopbackSite site(identity), std::runtime_error);
  }
}

X509* LoadCert(const std::string& file) {
  BIO* in = BIO_new_file(file.c_str(), "r");
  X509* cert = in != nullptr ? PEM_read_bio_X509(in, nullptr, nullptr, nullptr) : nullptr;
  BIO_free(in);
  return cert;
}

bool Matches(X509* cert, const std::string& name) {
  return name.find_first_not_of("0123456789.") == std::string::npos
             ? X509_check_ip_asc(cert, name.c_str(), 0) == 1
             : X509_check_host(cert, name.data(), name.size(), 0, nullptr) == 1;
}

// The files hold what their names say, read with OpenSSL directly.
TEST_F(LoopbackTlsTest, CertificatesAreWhatTheirNamesSay) {
  using Cert = std::unique_ptr<X509, decltype(&X509_free)>;
  Cert ca(LoadCert(pki_.ca_file), &X509_free);
  ASSERT_NE(ca, nullptr);
  EXPECT_EQ(X509_check_ca(ca.get()), 1);
  EXPECT_NE(X509_get_key_usage(ca.get()) & KU_KEY_CERT_SIGN, 0u);
  EXPECT_EQ(X509_self_signed(ca.get(), 1), 1);

  struct Case {
    const char* name;
    TlsIdentity identity;
    bool by_ca;
    bool expired;
    std::vector<std::string> matching;
  };
  const Case cases[] = {
      {"good", pki_.good, true, false, kNames},
      {"expired", pki_.expired, true, true, kNames},
      {"self-signed", pki_.self_signed, false, false, kNames},
      {"wrong name", pki_.wrong_name, true, false, {"other.invalid"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Cert cert(LoadCert(c.identity.cert_file), &X509_free);
    ASSERT_NE(cert, nullptr);
    EXPECT_EQ(X509_check_ca(cert.get()), 0);
    EXPECT_EQ(X509_check_issued(ca.get(), cert.get()) == X509_V_OK, c.by_ca);
    EXPECT_EQ(X509_self_signed(cert.get(), 1) == 1, !c.by_ca);
    EXPECT_EQ(X509_cmp_current_time(X509_get0_notAfter(cert.get())) < 0, c.expired);
    EXPECT_LT(X509_cmp_current_time(X509_get0_notBefore(cert.get())), 0);
    for (const std::string& name : kNames) {
      const bool want = std::find(c.matching.begin(), c.matching.end(), name) != c.matching.end();
      EXPECT_EQ(Matches(cert.get(), name), want) << name;
    }
    EXPECT_EQ(Matches(cert.get(), "other.invalid"), c.matching[0] == "other.invalid");
    EXPECT_FALSE(Matches(cert.get(), "localhost"));
  }
  // Every run makes a CA of its own.
  TempDir other_dir;
  Cert other(LoadCert(MakeTestPki(other_dir.path(), kNames).ca_file), &X509_free);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(X509_cmp(ca.get(), other.get()), 0);
}

TEST_F(LoopbackTlsTest, PkiNeedsNames) {
  TempDir dir;
  EXPECT_THROW(MakeTestPki(dir.path(), {}), std::invalid_argument);
  EXPECT_THROW(MakeTestPki(dir.path(), {"a.localhost", ""}), std::invalid_argument);
}

// Each encoding is sent whatever the request accepts: libcurl decodes it when asked to and
// hands over the compressed bytes when not.
TEST_F(LoopbackTlsTest, CompressedRepliesDecodeToTheOriginal) {
  LoopbackSite plain;
  LoopbackSite secure(pki_.good);
  const std::string text = SampleText(20000);
  for (LoopbackSite* site : {&plain, &secure}) {
    for (const char* encoding : {"gzip", "deflate", "br"}) {
      for (const std::string& body : {text, std::string()}) {
        SCOPED_TRACE(site->scheme() + " " + encoding + ", " + std::to_string(body.size()) +
                     " bytes");
        Reply reply;
        reply.body = body;
        reply.encoding = encoding;
        site->Serve("/z.htm", reply);
        const std::string url = site->Url(kHost, "/z.htm");

        Fetched decoded = Fetch(url, Decoding(pki_.ca_file));
        EXPECT_EQ(decoded.code, CURLE_OK) << decoded.error;
        EXPECT_EQ(decoded.content_encoding, encoding);
        EXPECT_EQ(decoded.content_encodings, 1u);
        EXPECT_TRUE(decoded.body == body) << decoded.body.size() << " bytes";

        Fetched raw = Fetch(url, Trusting(pki_.ca_file));
        EXPECT_EQ(raw.code, CURLE_OK) << raw.error;
        EXPECT_EQ(raw.content_encoding, encoding);
        EXPECT_TRUE(raw.body == Compress(body, encoding)) << raw.body.size() << " bytes";
        EXPECT_FALSE(raw.body.empty());
        if (!body.empty()) {
          EXPECT_LT(raw.body.size(), body.size() / 4);
        }
        EXPECT_EQ(site->Requests().back().accept_encoding, "");
      }
    }
  }
}

// Ready-made compressed bytes under a Content-Encoding header go out untouched, even to a
// request that would have the server compress them again.
TEST_F(LoopbackTlsTest, PrecompressedBodyIsSentAsItIs) {
  const std::string big(1 << 20, 'a');
  const std::string gzipped = Compress(big, "gzip");
  ASSERT_LT(gzipped.size(), 2000u);
  LoopbackSite site(pki_.good);
  Reply reply;
  reply.body = gzipped;
  reply.headers = {{"content-encoding", "gzip"}};
  site.Serve("/bomb.htm", reply);
  const std::string url = site.Url(kHost, "/bomb.htm");

  Options asking = Trusting(pki_.ca_file);
  asking.headers = {"Accept-Encoding: gzip, deflate, br"};
  Fetched raw = Fetch(url, asking);
  EXPECT_EQ(raw.code, CURLE_OK) << raw.error;
  EXPECT_EQ(raw.content_encodings, 1u);
  EXPECT_EQ(raw.content_encoding, "gzip");
  EXPECT_TRUE(raw.body == gzipped) << raw.body.size() << " bytes";

  Fetched decoded = Fetch(url, Decoding(pki_.ca_file));
  EXPECT_EQ(decoded.code, CURLE_OK) << decoded.error;
  EXPECT_TRUE(decoded.body == big) << decoded.body.size() << " bytes";
}

// Without an encoding of its own a text page is compressed by the server when the request asks.
TEST_F(LoopbackTlsTest, PlainPageIsCompressedOnlyWhenAsked) {
  LoopbackSite site;
  const std::string text = SampleText(5000);
  site.Page("/a.htm", text);
  const std::string url = site.Url(kHost, "/a.htm");
  Fetched asked = Fetch(url, Decoding(""));
  EXPECT_EQ(asked.code, CURLE_OK) << asked.error;
  EXPECT_FALSE(asked.content_encoding.empty());
  EXPECT_TRUE(asked.body == text);
  Fetched not_asked = Fetch(url);
  EXPECT_EQ(not_asked.content_encodings, 0u);
  EXPECT_TRUE(not_asked.body == text);
}

TEST_F(LoopbackTlsTest, UnknownEncodingsAreRefused) {
  LoopbackSite site;
  for (const char* encoding : {"zstd", "GZIP", "identity", "gzip, br"}) {
    SCOPED_TRACE(encoding);
    EXPECT_THROW(Compress("x", encoding), std::invalid_argument);
    Reply reply;
    reply.encoding = encoding;
    EXPECT_THROW(site.Serve("/a.htm", reply), std::invalid_argument);
  }
  Reply endless;
  endless.kind = Reply::Body::kEndless;
  endless.encoding = "gzip";
  EXPECT_THROW(site.Serve("/e.htm", endless), std::invalid_argument);
  EXPECT_EQ(Compress("as it is", ""), "as it is");
}

TEST_F(LoopbackTlsTest, SequenceAnswersInOrderThenRepeatsTheLast) {
  LoopbackSite site;
  Reply refused;
  refused.status = 429;
  refused.headers = {{"Retry-After", "1"}};
  Reply page;
  page.body = "at last";
  page.encoding = "gzip";
  site.ServeSequence("/busy.htm", {refused, page});
  const std::string url = site.Url(kHost, "/busy.htm");
  Easy easy;
  std::vector<long> statuses;
  for (int i = 0; i < 4; ++i) {
    Fetched f = Fetch(easy, url, Decoding(""));
    EXPECT_EQ(f.body, i == 0 ? "" : "at last") << i;
    statuses.push_back(f.status);
  }
  EXPECT_EQ(statuses, (std::vector<long>{429, 200, 200, 200}));

  site.ServeSequence("/busy.htm", {refused});  // starts afresh
  EXPECT_EQ(Fetch(easy, url).status, 429);
  EXPECT_EQ(Fetch(easy, url).status, 429);
  site.ServeSequence("/busy.htm", {});
  EXPECT_EQ(Fetch(easy, url).status, 404);
  EXPECT_EQ(site.CountRequests("/busy.htm"), 7);
  Reply endless;
  endless.kind = Reply::Body::kEndless;
  endless.encoding = "br";
  EXPECT_THROW(site.ServeSequence("/e.htm", {page, endless}), std::invalid_argument);
}

TEST_F(LoopbackTlsTest, OneHandleKeepsOneConnection) {
  LoopbackSite plain;
  LoopbackSite secure(pki_.good);
  for (LoopbackSite* site : {&plain, &secure}) {
    SCOPED_TRACE(site->scheme());
    site->Page("/a.htm", "a");
    Easy easy;
    long connections = 0;
    for (int i = 0; i < 50; ++i) {
      Fetched f = Fetch(easy, site->Url(kHost, "/a.htm"), Trusting(pki_.ca_file));
      ASSERT_EQ(f.code, CURLE_OK) << f.error;
      connections += f.new_connections;
    }
    EXPECT_EQ(connections, 1);
    EXPECT_EQ(site->CountRequests("/a.htm"), 50);
  }
  EXPECT_EQ(secure.Handshakes(), 1);
  EXPECT_EQ(secure.ResumedHandshakes(), 0);
}

TEST_F(LoopbackTlsTest, FreshHandlesHandshakeEachTime) {
  LoopbackSite site(pki_.good);
  site.Page("/a.htm", "a");
  for (int i = 0; i < 50; ++i) {
    Fetched f = Fetch(site.Url(kHost, "/a.htm"), Trusting(pki_.ca_file));
    ASSERT_EQ(f.code, CURLE_OK) << f.error;
    EXPECT_EQ(f.new_connections, 1);
  }
  EXPECT_EQ(site.Handshakes(), 50);
  EXPECT_EQ(site.ResumedHandshakes(), 0);  // libcurl keeps sessions per handle
}

// Handles sharing libcurl's session cache resume the first session.
TEST_F(LoopbackTlsTest, SharedSessionsResume) {
  LoopbackSite site(pki_.good);
  site.Page("/a.htm", "a");
  CURLSH* share = curl_share_init();
  ASSERT_NE(share, nullptr);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  for (int i = 0; i < 5; ++i) {
    Easy easy;
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, share);
    Fetched f = Fetch(easy, site.Url(kHost, "/a.htm"), Trusting(pki_.ca_file));
    ASSERT_EQ(f.code, CURLE_OK) << f.error;
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, nullptr);
  }
  curl_share_cleanup(share);
  EXPECT_EQ(site.Handshakes(), 5);
  EXPECT_EQ(site.ResumedHandshakes(), 4);
}

TEST_F(LoopbackTlsTest, RequestTimesAreLoggedInOrder) {
  LoopbackSite site(pki_.good);
  site.Page("/a.htm", "a");
  Easy easy;
  const steady_clock::time_point start = steady_clock::now();
  ASSERT_EQ(Fetch(easy, site.Url(kHost, "/a.htm"), Trusting(pki_.ca_file)).code, CURLE_OK);
  const steady_clock::time_point after_first = steady_clock::now();
  std::this_thread::sleep_for(milliseconds(150));
  const steady_clock::time_point before_second = steady_clock::now();
  ASSERT_EQ(Fetch(easy, site.Url(kHost, "/b.htm"), Trusting(pki_.ca_file)).code, CURLE_OK);
  const steady_clock::time_point end = steady_clock::now();

  std::vector<LoggedRequest> log = site.Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].path, "/a.htm");
  EXPECT_EQ(log[1].path, "/b.htm");
  EXPECT_GE(log[0].at, start);
  EXPECT_LE(log[0].at, after_first);
  EXPECT_GE(log[1].at, before_second);
  EXPECT_LE(log[1].at, end);
  EXPECT_GE(log[1].at - log[0].at, milliseconds(150));
}

// A site that goes while clients keep idle connections to it stops at once, not after the
// keep-alive timeout.
TEST_F(LoopbackTlsTest, StopIsImmediateWithKeptConnections) {
  for (bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "https" : "http");
    std::vector<std::unique_ptr<Easy>> clients;
    auto site = tls ? std::make_unique<LoopbackSite>(pki_.good) : std::make_unique<LoopbackSite>();
    site->Page("/a.htm", "a");
    for (int i = 0; i < 3; ++i) {
      clients.push_back(std::make_unique<Easy>());
      ASSERT_EQ(Fetch(*clients.back(), site->Url(kHost, "/a.htm"), Trusting(pki_.ca_file)).code,
                CURLE_OK);
    }
    const steady_clock::time_point start = steady_clock::now();
    site.reset();
    EXPECT_LT(SecondsSince(start), 1.0);
  }
}

// Idle kept-alive connections hold no worker that a new connection waits for.
TEST_F(LoopbackTlsTest, ManyIdleConnectionsDoNotBlockANewOne) {
  LoopbackSite plain;
  LoopbackSite secure(pki_.good);
  for (LoopbackSite* site : {&plain, &secure}) {
    SCOPED_TRACE(site->scheme());
    site->Page("/a.htm", "a");
    std::vector<std::unique_ptr<Easy>> clients;
    for (int i = 0; i < 60; ++i) {
      clients.push_back(std::make_unique<Easy>());
      Fetched f = Fetch(*clients.back(), site->Url(kHost, "/a.htm"), Trusting(pki_.ca_file));
      ASSERT_EQ(f.code, CURLE_OK) << i << ": " << f.error;
    }
    const steady_clock::time_point start = steady_clock::now();
    Fetched f = Fetch(site->Url(kHost, "/a.htm"), Trusting(pki_.ca_file));
    EXPECT_EQ(f.code, CURLE_OK) << f.error;
    EXPECT_LT(SecondsSince(start), 2.0);
  }
}

}  // namespace
}  // namespace zeb::testing
