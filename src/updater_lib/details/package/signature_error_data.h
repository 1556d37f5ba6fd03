#pragma once
// The diagnostic file left behind when a signature does not match.
#include <cstdint>
#include <vector>

namespace openssl {

inline constexpr char16_t signature_error_data_prefix[] = u"update_package_signature_error_data";

// Writes the digest, CR LF CR LF and the DER signature to a new file
// signature_error_data_prefix + N in the temporary directory, and logs its path.
// A file that cannot be written is logged as a warning: the mismatch stays the result.
void write_signature_error_data(const std::vector<uint8_t>& digest, const std::vector<uint8_t>& signature_der);

}  // namespace openssl
