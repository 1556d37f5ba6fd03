#include "ferrowick/run_step.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "error_lib/application_exception.h"
#include "error_lib/win32_exception.h"
#include "support/log_capture.h"

namespace {

template <typename Body>
break_working_process_t break_of(const std::u16string& step_name, Body&& body) {
  try {
    run_step(step_name, std::forward<Body>(body));
  } catch (const break_working_process_t& stop) {
    return stop;
  }
  ADD_FAILURE() << "no break";
  return {};
}

TEST(run_step, a_step_that_returns_makes_no_break) {
  bool ran = false;
  run_step(u" quiet", [&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(run_step, an_application_error_names_its_category_code_and_message) {
  test_support::log_capture capture;
  const break_working_process_t stop =
      break_of(u" check start parameters", [] { throw common::application_exception(5384); });
  EXPECT_EQ(stop.code, -1);
  EXPECT_EQ(stop.message,
            u"Error check start parameters: [application: 5384] Destination directory for updates does not exist.");
}

TEST(run_step, a_windows_error_names_the_win32_category) {
  test_support::log_capture capture;
  const break_working_process_t stop = break_of(u" parse start parameters", [] { throw win32::exception(5, u"x"); });
  EXPECT_EQ(stop.code, -1);
  EXPECT_TRUE(stop.message.starts_with(u"Error parse start parameters: [win32: 5] "))
      << common::utf16_to_utf8(stop.message);
}

TEST(run_step, a_negative_system_error_value_is_signed) {
  const break_working_process_t stop =
      break_of(u" s", [] { throw std::system_error(std::error_code(-7, std::generic_category()), "w"); });
  EXPECT_TRUE(stop.message.starts_with(u"Error s: [generic: -7] w")) << common::utf16_to_utf8(stop.message);
}

TEST(run_step, another_standard_exception_gives_its_text) {
  const break_working_process_t stop = break_of(u" update", [] { throw std::runtime_error("update run failed"); });
  EXPECT_EQ(stop.code, -1);
  EXPECT_EQ(stop.message, u"Error update: update run failed");
}

TEST(run_step, a_break_from_inside_passes_unchanged) {
  const break_working_process_t stop = break_of(u" update", [] { throw break_working_process_t{-1, u""}; });
  EXPECT_EQ(stop.code, -1);
  EXPECT_EQ(stop.message, u"");
}

TEST(run_step, anything_else_is_an_unknown_error) {
  const break_working_process_t stop = break_of(u" update", [] { throw 42; });
  EXPECT_EQ(stop.code, -1);
  EXPECT_EQ(stop.message, u"Unknown error update");
}

}  // namespace
