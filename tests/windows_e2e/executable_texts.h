#pragma once
// The texts a Windows program carries as data: what it can open or hand to a library at
// run time, unlike the names in its debugging information.
#include <filesystem>
#include <string>
#include <vector>

namespace wine_e2e {

// Every NUL-terminated run of at least four printable ASCII characters in the sections of
// the PE file that hold initialised data and stay loaded (.rdata, .data; not the
// discardable debugging sections). Raises std::runtime_error for a file that is no PE file.
std::vector<std::string> data_texts(const std::filesystem::path& executable);

}  // namespace wine_e2e
