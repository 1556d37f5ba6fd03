#pragma once
// The text that OpenSSL failures carry in exception trace lines.
#include <string>

namespace openssl {

// "OpenSSL last error message: " + the library's text of the most recent queued error.
// The queue is left as it is.
std::string last_error_message();

}  // namespace openssl
