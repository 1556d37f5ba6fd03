// The holder of the localization library: loaded once, a failed load not retried, the
// library freed with its holder; the language check against a library.
#include "localization/localization_library.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/winapi/language/library_as_data.h"
#include "library_files.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using localization::instance_hmodule;
using localization::library_handle;

const auto& shipped = test_support::shipped_library_path;

TEST(instance_hmodule, loads_once_and_frees_the_library_with_the_holder) {
  int loads = 0;
  library_handle freed = nullptr;
  library_handle module = nullptr;
  {
    instance_hmodule holder(
        [&] {
          ++loads;
          return winapi::load_library_as_datafile(shipped().u16string());
        },
        [&](library_handle handle) {
          freed = handle;
          winapi::free_data_library(handle);
        });
    module = holder.get();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(holder.get(), module);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(freed, nullptr);
  }
  EXPECT_EQ(freed, module);
}

TEST(instance_hmodule, a_failed_load_fails_every_lookup_without_another_load) {
  int loads = 0;
  instance_hmodule holder(
      [&] {
        ++loads;
        return winapi::load_library_as_datafile(u"/nonexistent/ferrowick-messages.mo");
      },
      [](library_handle) { FAIL() << "nothing was loaded"; });
  test_support::log_capture capture;
  for (int i = 0; i < 2; ++i) {
    try {
      holder.get();
      FAIL() << "no exception";
    } catch (const localization::localization_exception& error) {
      EXPECT_STREQ(error.what(), "Failed to load localization library");
    }
  }
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(capture.contains_prefix(
      u"EXCEPTION Failed to load localization library; class localization::localization_exception; file: "));
}

TEST(instance_hmodule, a_loader_that_throws_is_tried_again) {
  int loads = 0;
  instance_hmodule holder(
      [&]() -> library_handle {
        if (++loads == 1) throw std::runtime_error("registry not ready");
        return winapi::load_library_as_datafile(shipped().u16string());
      },
      winapi::free_data_library);
  EXPECT_THROW(holder.get(), std::runtime_error);
  EXPECT_NE(holder.get(), nullptr);
  EXPECT_EQ(loads, 2);
}

TEST(instance_hmodule, a_lookup_during_the_load_fails_instead_of_waiting_for_itself) {
  instance_hmodule* self = nullptr;
  bool inner_failed = false;
  instance_hmodule holder(
      [&] {
        try {
          self->get();
        } catch (const localization::localization_exception&) {
          inner_failed = true;
        }
        return winapi::load_library_as_datafile(shipped().u16string());
      },
      winapi::free_data_library);
  self = &holder;
  EXPECT_NE(holder.get(), nullptr);
  EXPECT_TRUE(inner_failed);
}

TEST(instance_hmodule, functions_set_before_the_first_use_are_the_ones_called) {
  instance_hmodule holder([]() -> library_handle { throw std::logic_error("replaced loader called"); },
                          winapi::free_data_library);
  holder.set_functions([] { return winapi::load_library_as_datafile(shipped().u16string()); },
                       winapi::free_data_library);
  EXPECT_NE(holder.get(), nullptr);
}

TEST(check_lang_id, a_language_is_available_when_the_library_has_the_test_message_in_it) {
  const test_support::loaded_library library(shipped());
  ASSERT_NE(library.get(), nullptr);
  test_support::log_capture capture;
  EXPECT_TRUE(localization::details::check_lang_id(library.get(), 1049));
  EXPECT_TRUE(localization::details::check_lang_id(library.get(), 1033));
  EXPECT_FALSE(capture.contains_substring(u"failed"));
  EXPECT_FALSE(localization::details::check_lang_id(library.get(), 1058));
  EXPECT_TRUE(capture.contains(u"Get the test message for language '0x422' failed"));
}

}  // namespace
