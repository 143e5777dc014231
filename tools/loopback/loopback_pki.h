// A certificate authority for loopback https sites (the tests' and the demo's), made in memory
// with OpenSSL and written as PEM files into a folder: the CA itself and four server identities, a good one and three that a client
// verifying peers must refuse (expired, self-signed, issued for another name).
//
// Keys are EC P-256; certificates are X.509 v3 signed with SHA-256. A name that reads as an IP
// address ("127.0.0.1", "::1") goes into the subject alternative names as an IP address, any other
// as a DNS name. Note that libcurl resolves every "*.localhost" to 127.0.0.1 but a certificate for
// "*.localhost" does not match usefully: list the exact names the test uses.
//
// Thread safety: MakeLoopbackPki may run on several threads at once, for different folders.
#ifndef ZEB_LOOPBACK_LOOPBACK_PKI_H_
#define ZEB_LOOPBACK_LOOPBACK_PKI_H_

#include <filesystem>
#include <string>
#include <vector>

namespace zeb {

// The certificate (PEM, optionally followed by its chain) and private key (PEM) a https site
// presents.
struct TlsIdentity {
  std::string cert_file;
  std::string key_file;
};

struct LoopbackPki {
  std::string ca_file;      // the CA certificate (PEM), for a client's CA file
  std::string ca_key_file;  // its private key (PEM)
  TlsIdentity good;         // issued by the CA for the names, valid from yesterday for a year
  TlsIdentity expired;      // issued by the CA for the names, valid until yesterday
  TlsIdentity self_signed;  // the names, signed by its own key: no CA vouches for it
  TlsIdentity wrong_name;   // issued by the CA, but only for "other.invalid"
};

// Makes a fresh CA and its identities and writes them into folder (made when missing) as
// ca.pem, ca.key, good.pem, good.key, expired.pem, expired.key, self-signed.pem,
// self-signed.key, wrong-name.pem and wrong-name.key, replacing files of those names. Every call
// makes new keys, so two calls give CAs that do not trust each other's leaves.
// Throws std::invalid_argument when names is empty or holds an empty name, std::runtime_error
// when OpenSSL fails or a file cannot be written.
LoopbackPki MakeLoopbackPki(const std::filesystem::path& folder, const std::vector<std::string>& names);

}  // namespace zeb

#endif  // ZEB_LOOPBACK_LOOPBACK_PKI_H_
