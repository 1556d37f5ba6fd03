#pragma once
// Self-signed server certificates for the test servers: the worker trusts no authority
// and looks only at the validity window and the common name.
#include <chrono>
#include <filesystem>
#include <string>

namespace test_support {

struct tls_certificate {
  std::filesystem::path certificate_file;  // PEM
  std::filesystem::path key_file;          // PEM, unencrypted
};

// Offsets from now; negative ones lie in the past, so expired and not yet valid
// certificates can be made.
struct validity_window {
  std::chrono::seconds valid_from = -std::chrono::hours(1);
  std::chrono::seconds valid_until = std::chrono::hours(24);
  // The end written as a date of month 13, which no date parser accepts.
  bool broken_end = false;
};

// Makes an EC P-256 key and a certificate for it with the common name, and writes them as
// certificate.pem and key.pem into directory (made when missing). The certificate is
// self-signed, or, with an issuer common name, signed by a CA certificate of that name
// (valid now) that follows it in certificate.pem, so a server sends both. Raises
// std::runtime_error with OpenSSL's text when a step fails.
tls_certificate make_tls_certificate(const std::filesystem::path& directory, const std::string& common_name,
                                     const validity_window& window = {}, const std::string& issuer_common_name = "");

}  // namespace test_support
