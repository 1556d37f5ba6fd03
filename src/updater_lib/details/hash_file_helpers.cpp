#include "updater_lib/details/hash_file_helpers.h"

#include <openssl/evp.h>

#include <stdexcept>

#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"

namespace hash_file_helpers {

namespace {

// SHA-256 through OpenSSL's EVP digest interface (the SHA256_* calls are deprecated
// in OpenSSL 3 and compute the same digest).
class sha256_engine final : public hash_engine_base {
 public:
  sha256_engine() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr) throw std::bad_alloc();
  }
  ~sha256_engine() override { EVP_MD_CTX_free(context_); }

  void init() override { EVP_DigestInit_ex(context_, EVP_sha256(), nullptr); }
  void update(const void* data, size_t size) override { EVP_DigestUpdate(context_, data, size); }
  std::vector<uint8_t> final() override {
    std::vector<uint8_t> digest(32);
    EVP_DigestFinal_ex(context_, digest.data(), nullptr);
    return digest;
  }
  size_t digest_size() const override { return 32; }

 private:
  EVP_MD_CTX* context_;
};

}  // namespace

std::unique_ptr<hash_engine_base> create_hash_engine() { return std::make_unique<sha256_engine>(); }

std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size, hash_engine_base& engine) {
  if (data == nullptr) FW_THROW(common::application_exception(5182));
  engine.init();
  engine.update(data, size);
  return engine.final();
}

std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size) {
  const auto engine = create_hash_engine();
  return compute_buffer_hash(data, size, *engine);
}

}  // namespace hash_file_helpers
