#include "loopback_pki.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace zeb {
namespace {

struct OpenSslFree {
  void operator()(X509* p) const { X509_free(p); }
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(BIO* p) const { BIO_free_all(p); }
  void operator()(BIGNUM* p) const { BN_free(p); }
  void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
  void operator()(GENERAL_NAMES* p) const { GENERAL_NAMES_free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, OpenSslFree>;

// Throws with what failed and the reasons OpenSSL queued on this thread, which it clears.
[[noreturn]] void Fail(const std::string& what) {
  std::string message = "cannot make the loopback certificates: " + what;
  for (unsigned long e = ERR_get_error(); e != 0; e = ERR_get_error()) {
    char text[256];
    ERR_error_string_n(e, text, sizeof(text));
    message += std::string("; ") + text;
  }
  throw std::runtime_error(message);
}

void Check(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

Owned<EVP_PKEY> NewKey() {
  Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
  Check(key != nullptr, "no EC key");
  return key;
}

struct CertPlan {
  const char* common_name;
  std::vector<std::string> names;  // the subject alternative names; none for the CA
  bool ca = false;
  long valid_from_days;  // relative to now
  long valid_to_days;
};

void AddExtension(X509* cert, X509V3_CTX* ctx, int nid, const char* value) {
  Owned<X509_EXTENSION> ext(X509V3_EXT_conf_nid(nullptr, ctx, nid, value));
  Check(ext != nullptr && X509_add_ext(cert, ext.get(), -1) == 1, std::string("no ") + value);
}

void AddAltNames(X509* cert, const std::vector<std::string>& names) {
  Owned<GENERAL_NAMES> list(sk_GENERAL_NAME_new_null());
  Check(list != nullptr, "no name list");
  for (const std::string& name : names) {
    GENERAL_NAME* entry = GENERAL_NAME_new();
    Check(entry != nullptr, "no name entry");
    if (ASN1_OCTET_STRING* ip = a2i_IPADDRESS(name.c_str())) {
      GENERAL_NAME_set0_value(entry, GEN_IPADD, ip);
    } else {
      ASN1_IA5STRING* dns = ASN1_IA5STRING_new();
      if (dns == nullptr || ASN1_STRING_set(dns, name.data(), static_cast<int>(name.size())) != 1) {
        ASN1_IA5STRING_free(dns);
        GENERAL_NAME_free(entry);
        Fail("no DNS name " + name);
      }
      GENERAL_NAME_set0_value(entry, GEN_DNS, dns);
    }
    if (sk_GENERAL_NAME_push(list.get(), entry) <= 0) {
      GENERAL_NAME_free(entry);
      Fail("no room for " + name);
    }
  }
  ERR_clear_error();  // a2i_IPADDRESS may queue a reason for a name that is no address
  Check(X509_add1_ext_i2d(cert, NID_subject_alt_name, list.get(), 0, X509V3_ADD_DEFAULT) == 1,
        "no subject alternative names");
}

// A certificate for key, signed by issuer_key as issuer, or by key itself when issuer is null.
Owned<X509> MakeCert(const CertPlan& plan, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuer_key) {
  Owned<X509> cert(X509_new());
  Check(cert != nullptr, "no certificate");
  X509* x = cert.get();
  Check(X509_set_version(x, X509_VERSION_3) == 1, "no version");

  // A random positive serial, so that no two certificates of a run share issuer and serial.
  unsigned char serial[16];
  Check(RAND_bytes(serial, sizeof(serial)) == 1, "no random serial");
  serial[0] &= 0x7f;
  Owned<BIGNUM> number(BN_bin2bn(serial, sizeof(serial), nullptr));
  Check(number != nullptr && BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(x)) != nullptr,
        "no serial");

  constexpr long kDay = 24 * 60 * 60;
  Check(X509_gmtime_adj(X509_getm_notBefore(x), plan.valid_from_days * kDay) != nullptr &&
            X509_gmtime_adj(X509_getm_notAfter(x), plan.valid_to_days * kDay) != nullptr,
        "no validity");

  X509_NAME* subject = X509_get_subject_name(x);
  const auto text = [](const char* s) { return reinterpret_cast<const unsigned char*>(s); };
  Check(X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_ASC, text("ZEB Bot tests"), -1, -1, 0) ==
                1 &&
            X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC, text(plan.common_name), -1, -1,
                                       0) == 1,
        "no subject");
  X509* signer = issuer != nullptr ? issuer : x;
  Check(X509_set_issuer_name(x, X509_get_subject_name(signer)) == 1, "no issuer");
  Check(X509_set_pubkey(x, key) == 1, "no public key");

  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, signer, x, nullptr, nullptr, 0);
  if (plan.ca) {
    AddExtension(x, &ctx, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(x, &ctx, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExtension(x, &ctx, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(x, &ctx, NID_key_usage, "critical,digitalSignature");
    AddExtension(x, &ctx, NID_ext_key_usage, "serverAuth");
  }
  AddExtension(x, &ctx, NID_subject_key_identifier, "hash");
  AddExtension(x, &ctx, NID_authority_key_identifier, "keyid:always");
  if (!plan.names.empty()) AddAltNames(x, plan.names);

  Check(X509_sign(x, issuer != nullptr ? issuer_key : key, EVP_sha256()) > 0, "no signature");
  return cert;
}

Owned<BIO> OpenForWriting(const std::string& file) {
  Owned<BIO> out(BIO_new_file(file.c_str(), "w"));
  Check(out != nullptr, "cannot write " + file);
  return out;
}

void WriteCert(X509* cert, const std::string& file) {
  Owned<BIO> out = OpenForWriting(file);
  Check(PEM_write_bio_X509(out.get(), cert) == 1, "cannot write " + file);
}

void WriteKey(EVP_PKEY* key, const std::string& file) {
  Owned<BIO> out = OpenForWriting(file);
  Check(PEM_write_bio_PrivateKey(out.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "cannot write " + file);
}

// Makes a key and a certificate for it as planned and writes both as <stem>.pem and <stem>.key.
TlsIdentity WriteIdentity(const std::filesystem::path& folder, const std::string& stem,
                          const CertPlan& plan, X509* issuer, EVP_PKEY* issuer_key) {
  Owned<EVP_PKEY> key = NewKey();
  Owned<X509> cert = MakeCert(plan, key.get(), issuer, issuer_key);
  TlsIdentity identity{(folder / (stem + ".pem")).string(), (folder / (stem + ".key")).string()};
  WriteCert(cert.get(), identity.cert_file);
  WriteKey(key.get(), identity.key_file);
  return identity;
}

}  // namespace

LoopbackPki MakeLoopbackPki(const std::filesystem::path& folder, const std::vector<std::string>& names) {
  if (names.empty()) throw std::invalid_argument("a loopback certificate needs at least one name");
  for (const std::string& name : names) {
    if (name.empty()) throw std::invalid_argument("a loopback certificate name is empty");
  }
  std::filesystem::create_directories(folder);

  LoopbackPki pki;
  Owned<EVP_PKEY> ca_key = NewKey();
  Owned<X509> ca = MakeCert({.common_name = "ZEB loopback CA",
                             .names = {},
                             .ca = true,
                             .valid_from_days = -1,
                             .valid_to_days = 3650},
                            ca_key.get(), nullptr, nullptr);
  pki.ca_file = (folder / "ca.pem").string();
  pki.ca_key_file = (folder / "ca.key").string();
  WriteCert(ca.get(), pki.ca_file);
  WriteKey(ca_key.get(), pki.ca_key_file);

  const auto leaf = [&names](std::vector<std::string> for_names, long from, long to) {
    return CertPlan{.common_name = "ZEB loopback server",
                    .names = for_names.empty() ? names : std::move(for_names),
                    .ca = false,
                    .valid_from_days = from,
                    .valid_to_days = to};
  };
  pki.good = WriteIdentity(folder, "good", leaf({}, -1, 365), ca.get(), ca_key.get());
  pki.expired = WriteIdentity(folder, "expired", leaf({}, -30, -1), ca.get(), ca_key.get());
  pki.self_signed = WriteIdentity(folder, "self-signed", leaf({}, -1, 365), nullptr, nullptr);
  pki.wrong_name =
      WriteIdentity(folder, "wrong-name", leaf({"other.invalid"}, -1, 365), ca.get(), ca_key.get());
  return pki;
}

}  // namespace zeb
