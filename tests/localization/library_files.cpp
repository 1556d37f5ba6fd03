#include "library_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "common/winapi/language/library_as_data.h"
#include "support/child_process.h"

namespace test_support {

namespace {

std::filesystem::path find_on_path(const std::string& program) {
  std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
  for (std::string directory; std::getline(path, directory, ':');) {
    const auto candidate = std::filesystem::path(directory) / program;
    if (std::filesystem::exists(candidate)) return candidate;
  }
  return {};
}

}  // namespace

std::filesystem::path shipped_library_path() {
  return std::filesystem::path(FERROWICK_BINARY_DIR) / "messages" / "ferrowick-messages.mo";
}

void compile_catalog(const std::string& po_text, const std::filesystem::path& path) {
  const auto msgfmt = find_on_path("msgfmt");
  ASSERT_FALSE(msgfmt.empty()) << "msgfmt is missing; run scripts/install-deps.sh";
  child_options options;
  options.arguments = {"--check", "-o", path.string(), "-"};
  options.stdin_bytes = po_text;
  const child_result result = run_child(msgfmt, options);
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
}

std::string catalog_header() {
  return "msgid \"\"\nmsgstr \"\"\n\"MIME-Version: 1.0\\n\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
         "\"Content-Transfer-Encoding: 8bit\\n\"\n\n";
}

std::string catalog_message(const std::string& locale, uint32_t message_id, const std::string& text) {
  char id[16];
  std::snprintf(id, sizeof id, "0x%08X", message_id);
  return "msgctxt \"" + locale + "\"\nmsgid \"" + id + "\"\nmsgstr \"" + text + "\"\n\n";
}

loaded_library::loaded_library(const std::filesystem::path& path)
    : module_(winapi::load_library_as_datafile(path.u16string())) {}

loaded_library::~loaded_library() {
  if (module_ != nullptr) winapi::free_data_library(module_);
}

}  // namespace test_support
