#pragma once
// Localization libraries for the tests: the one the build ships, and small ones
// compiled by msgfmt from catalog text written by the test.
#include <filesystem>
#include <string>

#include "localization/message_formatter.h"

namespace test_support {

std::filesystem::path shipped_library_path();

// Compiles the catalog text with msgfmt into path; fails the test when msgfmt fails.
void compile_catalog(const std::string& po_text, const std::filesystem::path& path);

// A catalog header and one message in msgfmt's input syntax.
std::string catalog_header();
std::string catalog_message(const std::string& locale, uint32_t message_id, const std::string& text);

// A library loaded as data for the lifetime of the object.
class loaded_library {
 public:
  explicit loaded_library(const std::filesystem::path& path);
  ~loaded_library();
  loaded_library(const loaded_library&) = delete;
  loaded_library& operator=(const loaded_library&) = delete;

  localization::library_handle get() const { return module_; }

 private:
  localization::library_handle module_;
};

}  // namespace test_support
