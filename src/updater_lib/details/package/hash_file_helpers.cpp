#include "updater_lib/details/package/hash_file_helpers.h"

#include <openssl/evp.h>

#include <new>
#include <stdexcept>

#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "updater_lib/details/package/openssl_last_error.h"

namespace hash_file_helpers {

namespace {

// The library's description of each algorithm number. SHA-256 goes through the EVP
// digest interface: OpenSSL 3 deprecates the SHA256_* calls, which give the same digest.
template <int algorithm>
struct algorithm_table;

template <>
struct algorithm_table<sha256_algorithm> {
  static const EVP_MD* digest() { return EVP_sha256(); }
  static constexpr size_t digest_size = 32;
};

void check_library_result(int result) {
  if (result != 1) throw std::runtime_error(openssl::last_error_message());
}

}  // namespace

template <int algorithm>
class generic_hash_engine final : public hash_engine_base {
  using table = algorithm_table<algorithm>;

 public:
  generic_hash_engine() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr) throw std::bad_alloc();
  }
  ~generic_hash_engine() override { EVP_MD_CTX_free(context_); }
  generic_hash_engine(const generic_hash_engine&) = delete;
  generic_hash_engine& operator=(const generic_hash_engine&) = delete;

  void init() override {
    check_library_result(EVP_DigestInit_ex(context_, table::digest(), nullptr));
    initialised_ = true;
  }

  void update(const void* data, size_t size) override {
    require_initialised();
    check_library_result(EVP_DigestUpdate(context_, data, size));
  }

  std::vector<uint8_t> final() override {
    require_initialised();
    initialised_ = false;
    std::vector<uint8_t> digest(table::digest_size);
    check_library_result(EVP_DigestFinal_ex(context_, digest.data(), nullptr));
    return digest;
  }

  size_t digest_size() const override { return table::digest_size; }

 private:
  void require_initialised() const {
    if (!initialised_) throw std::logic_error("hash engine used without init()");
  }

  EVP_MD_CTX* context_;
  bool initialised_ = false;
};

std::unique_ptr<hash_engine_base> create_hash_engine() {
  return std::make_unique<generic_hash_engine<sha256_algorithm>>();
}

std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size, hash_engine_base& engine) {
  if (data == nullptr) FW_THROW(common::application_exception(5182), "data size: ", size);
  engine.init();
  engine.update(data, size);
  return engine.final();
}

std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size) {
  const auto engine = create_hash_engine();
  return compute_buffer_hash(data, size, *engine);
}

}  // namespace hash_file_helpers
