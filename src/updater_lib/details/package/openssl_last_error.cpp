#include "updater_lib/details/package/openssl_last_error.h"

#include <openssl/err.h>

namespace openssl {

std::string last_error_message() {
  // ERR_error_string with a null buffer writes to a static one; a local buffer keeps
  // concurrent failures apart.
  char text[256] = {};
  ERR_error_string_n(ERR_peek_last_error(), text, sizeof(text));
  return std::string("OpenSSL last error message: ") + text;
}

}  // namespace openssl
