#include "support/tls_certificate.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "updater_lib/details/package/openssl_objects.h"

namespace test_support {

namespace {

using certificate_ptr = std::unique_ptr<X509, openssl::library_deleter<X509_free>>;
using bio_ptr = std::unique_ptr<BIO, openssl::library_deleter<BIO_free_all>>;

void check(bool succeeded, const char* step) {
  if (succeeded) return;
  char text[256] = "no OpenSSL error queued";
  if (const unsigned long error = ERR_get_error(); error != 0) ERR_error_string_n(error, text, sizeof text);
  ERR_clear_error();
  throw std::runtime_error(std::string("cannot make the test certificate: ") + step + ": " + text);
}

// Random serials keep certificates made in the same second apart.
void set_random_serial(X509* certificate) {
  const openssl::bignum_ptr serial(BN_new());
  check(serial && BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1, "BN_rand");
  check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate)) != nullptr, "BN_to_ASN1_INTEGER");
}

template <typename Write>
void write_pem(const std::filesystem::path& path, Write write) {
  const bio_ptr file(BIO_new_file(path.string().c_str(), "w"));
  check(file != nullptr, "BIO_new_file");
  check(write(file.get()) == 1, "PEM_write");
}

struct signed_certificate {
  openssl::pkey_ptr key;
  certificate_ptr certificate;
};

// Signed by issuer, or by itself when issuer is null.
signed_certificate make_certificate(const std::string& common_name, const validity_window& window,
                                    const signed_certificate* issuer) {
  signed_certificate made{openssl::pkey_ptr(EVP_EC_gen("P-256")), certificate_ptr(X509_new())};
  check(made.key != nullptr, "EVP_EC_gen");
  check(made.certificate != nullptr, "X509_new");
  X509* x509 = made.certificate.get();
  check(X509_set_version(x509, X509_VERSION_3) == 1, "X509_set_version");
  set_random_serial(x509);
  check(X509_gmtime_adj(X509_getm_notBefore(x509), window.valid_from.count()) != nullptr, "X509_gmtime_adj");
  check(X509_gmtime_adj(X509_getm_notAfter(x509), window.valid_until.count()) != nullptr, "X509_gmtime_adj");
  if (window.broken_end) {
    // Set as raw bytes: every checked setter refuses this date.
    check(ASN1_STRING_set(X509_getm_notAfter(x509), "301310120000Z", 13) == 1, "ASN1_STRING_set");
  }
  X509_NAME* name = X509_get_subject_name(x509);
  check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1, 0) == 1,
        "X509_NAME_add_entry_by_txt");
  const signed_certificate& signer = issuer != nullptr ? *issuer : made;
  check(X509_set_issuer_name(x509, X509_get_subject_name(signer.certificate.get())) == 1, "X509_set_issuer_name");
  check(X509_set_pubkey(x509, made.key.get()) == 1, "X509_set_pubkey");
  check(X509_sign(x509, signer.key.get(), EVP_sha256()) > 0, "X509_sign");
  return made;
}

}  // namespace

tls_certificate make_tls_certificate(const std::filesystem::path& directory, const std::string& common_name,
                                     const validity_window& window, const std::string& issuer_common_name) {
  std::optional<signed_certificate> issuer;
  if (!issuer_common_name.empty()) issuer = make_certificate(issuer_common_name, {}, nullptr);
  const signed_certificate made = make_certificate(common_name, window, issuer ? &*issuer : nullptr);

  std::filesystem::create_directories(directory);
  const tls_certificate files{directory / "certificate.pem", directory / "key.pem"};
  write_pem(files.certificate_file, [&](BIO* file) {
    return PEM_write_bio_X509(file, made.certificate.get()) == 1 &&
                   (!issuer || PEM_write_bio_X509(file, issuer->certificate.get()) == 1)
               ? 1
               : 0;
  });
  write_pem(files.key_file, [&](BIO* file) {
    return PEM_write_bio_PrivateKey(file, made.key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  });
  return files;
}

}  // namespace test_support
