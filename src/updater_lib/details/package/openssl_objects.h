#pragma once
// Owning pointers for the OpenSSL objects of the EC key code.
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>

namespace openssl {

template <auto free_function>
struct library_deleter {
  template <typename T>
  void operator()(T* object) const noexcept {
    free_function(object);
  }
};

using group_ptr = std::unique_ptr<EC_GROUP, library_deleter<EC_GROUP_free>>;
using point_ptr = std::unique_ptr<EC_POINT, library_deleter<EC_POINT_free>>;
// Private scalars are wiped when freed.
using bignum_ptr = std::unique_ptr<BIGNUM, library_deleter<BN_clear_free>>;
using pkey_ptr = std::unique_ptr<EVP_PKEY, library_deleter<EVP_PKEY_free>>;
using pkey_context_ptr = std::unique_ptr<EVP_PKEY_CTX, library_deleter<EVP_PKEY_CTX_free>>;
using param_builder_ptr = std::unique_ptr<OSSL_PARAM_BLD, library_deleter<OSSL_PARAM_BLD_free>>;
using params_ptr = std::unique_ptr<OSSL_PARAM, library_deleter<OSSL_PARAM_free>>;

}  // namespace openssl
