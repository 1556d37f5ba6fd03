// What this build's OpenSSL does by default in a program that does not opt out of its
// configuration (this program links nothing but OpenSSL): one fact a line,
//   OPENSSLDIR: "C:/..."         (and ENGINESDIR, MODULESDIR, as OpenSSL_version gives them)
//   certificates file: C:/...    (and folder)
//   configuration file: C:/...   (the one it reads unless OPENSSL_CONF names another)
//   minimum protocol: 0          (of a new TLS client context; 772 is TLS 1.3)
//   openssl_defaults
#include <openssl/conf.h>
#include <openssl/crypto.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstdio>

int main() {
  OPENSSL_init_ssl(OPENSSL_INIT_LOAD_CONFIG, nullptr);
  std::printf("%s\n%s\n%s\n", OpenSSL_version(OPENSSL_DIR), OpenSSL_version(OPENSSL_ENGINES_DIR),
              OpenSSL_version(OPENSSL_MODULES_DIR));
  std::printf("certificates file: %s\ncertificates folder: %s\n", X509_get_default_cert_file(),
              X509_get_default_cert_dir());
  char* configuration = CONF_get1_default_config_file();
  std::printf("configuration file: %s\n", configuration != nullptr ? configuration : "");
  OPENSSL_free(configuration);
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  std::printf("minimum protocol: %ld\n", context != nullptr ? SSL_CTX_get_min_proto_version(context) : -1L);
  SSL_CTX_free(context);
  return 0;
}
