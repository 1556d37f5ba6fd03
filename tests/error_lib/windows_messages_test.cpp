// Every Windows error value the platform layer can raise has an English text: each
// value errno maps to, and each value set by number.
#include "error_lib/windows_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/winapi/process/last_error.h"
#include "common/winapi/proxy/system_proxy.h"
#include "error_lib/categories.h"

namespace {

// The suffix every row carries: " Code: <decimal> (0x<upper-case hex>)".
std::string code_suffix(uint32_t code) {
  char text[48];
  std::snprintf(text, sizeof text, " Code: %u (0x%X)", code, code);
  return text;
}

void expect_row(uint32_t code, const std::string& raised_by) {
  const char* text = win32::find_windows_message(code);
  ASSERT_NE(text, nullptr) << "no row for " << code << ", raised by " << raised_by;
  EXPECT_TRUE(std::string(text).ends_with(code_suffix(code))) << text;
}

TEST(windows_messages, every_value_errno_maps_to_has_a_row) {
  // Linux errno values end below 134; the rest exercise the fallback.
  for (int error_number = 0; error_number < 256; ++error_number) {
    expect_row(winapi::errno_to_win32(error_number), "errno " + std::to_string(error_number));
  }
}

TEST(windows_messages, every_value_set_by_number_has_a_row) {
  for (const uint32_t code : {winapi::error_success,
                              winapi::error_invalid_function,
                              winapi::error_file_not_found,
                              winapi::error_path_not_found,
                              winapi::error_too_many_open_files,
                              winapi::error_access_denied,
                              winapi::error_invalid_handle,
                              winapi::error_not_enough_memory,
                              winapi::error_bad_format,
                              13u /* ERROR_INVALID_DATA, from the system proxy stand-in */,
                              winapi::error_not_same_device,
                              winapi::error_no_more_files,
                              winapi::error_write_protect,
                              winapi::error_gen_failure,
                              winapi::error_sharing_violation,
                              winapi::error_handle_eof,
                              winapi::error_not_supported,
                              winapi::error_file_exists,
                              winapi::error_invalid_parameter,
                              winapi::error_broken_pipe,
                              winapi::error_disk_full,
                              winapi::error_insufficient_buffer,
                              winapi::error_invalid_name,
                              winapi::error_mod_not_found,
                              winapi::error_dir_not_empty,
                              winapi::error_already_exists,
                              winapi::error_filename_exced_range,
                              winapi::error_file_too_large,
                              winapi::error_wait_timeout,
                              winapi::error_mr_mid_not_found,
                              winapi::error_io_device,
                              winapi::error_timeout,
                              winapi::error_resource_lang_not_found,
                              winapi::error_cant_resolve_filename,
                              winapi::error_winhttp_timeout,
                              winapi::error_winhttp_autodetection_failed}) {
    expect_row(code, "number");
  }
}

TEST(windows_messages, a_module_load_failure_reads_as_text) {
  EXPECT_EQ(win32::category().message(static_cast<int>(winapi::error_mod_not_found)),
            "The specified module could not be found. Code: 126 (0x7E)");
}

}  // namespace
