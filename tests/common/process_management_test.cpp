#include "common/process_management.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/winapi/files/file_api.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/events.h"
#include "error_lib/application_exception.h"
#include "support/anonymous_pipe.h"
#include "support/log_capture.h"
#include "support/standard_input_replacement.h"
#include "support/temp_directory.h"
#include "support/wine.h"

namespace {

using testing::ElementsAre;

class process_management_pipe : public testing::Test {
 protected:
  void write_text(const std::string& bytes) {
    uint32_t written = 0;
    ASSERT_TRUE(winapi::write_file(pipe_.writer.get(), bytes.data(), static_cast<uint32_t>(bytes.size()), &written));
    ASSERT_EQ(written, bytes.size());
  }
  void close_writer() { pipe_.writer.close(); }
  winapi::handle_t reader() const { return pipe_.reader.get(); }

  static constexpr uint32_t capacity = 1 << 20;

 private:
  test_support::log_capture capture_;
  test_support::anonymous_pipe pipe_ = test_support::make_anonymous_pipe(capacity);
};

TEST_F(process_management_pipe, takes_all_bytes_in_the_pipe_and_appends_a_utf16_terminator) {
  write_text(std::string("a\0b\0", 4));
  close_writer();
  EXPECT_THAT(process_management::read_from_redirected_input(reader()), ElementsAre('a', 0, 'b', 0, 0, 0));
}

TEST_F(process_management_pipe, an_empty_pipe_gives_no_bytes) {
  EXPECT_TRUE(process_management::read_from_redirected_input(reader()).empty());
}

TEST_F(process_management_pipe, takes_only_what_is_in_the_pipe_at_the_peek) {
  write_text("abcd");
  EXPECT_EQ(process_management::read_from_redirected_input(reader()).size(), 6u);
  write_text("ef");
  EXPECT_THAT(process_management::read_from_redirected_input(reader()), ElementsAre('e', 'f', 0, 0));
}

TEST_F(process_management_pipe, a_pipe_filled_to_its_capacity_is_read_in_one_piece) {
  write_text(std::string(capacity, 'x'));
  const std::vector<uint8_t> text = process_management::read_from_redirected_input(reader());
  ASSERT_EQ(text.size(), static_cast<size_t>(capacity) + 2);
  EXPECT_EQ(text[capacity - 1], 'x');
  EXPECT_EQ(text[capacity], 0);
}

void expect_win32_failure(winapi::handle_t handle, uint32_t value) {
  try {
    process_management::read_from_redirected_input(handle);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().category().name(), std::string("win32"));
    EXPECT_EQ(e.code().value(), static_cast<int>(value));
    EXPECT_NE(std::string(e.what()).find("PeekNamedPipe"), std::string::npos) << e.what();
  }
}

TEST(process_management_input, a_file_is_not_a_pipe) {
  test_support::log_capture capture;
  test_support::temp_directory temp;
  const common::handle_holder file(winapi::create_file((temp.path() / "input").u16string(),
                                                       winapi::generic_read | winapi::generic_write,
                                                       winapi::creation_disposition::create_new));
  ASSERT_TRUE(file.valid());
  uint32_t written = 0;
  ASSERT_TRUE(winapi::write_file(file.get(), "abcd", 4, &written));
  // Wine answers ERROR_NOT_SUPPORTED (its file system refuses the peek as unsupported).
  expect_win32_failure(
      file.get(), test_support::running_under_wine() ? winapi::error_not_supported : winapi::error_invalid_function);
}

TEST(process_management_input, a_closed_handle_is_an_invalid_handle) {
  test_support::log_capture capture;
  const winapi::handle_t event = winapi::create_event(false);
  ASSERT_FALSE(common::is_no_handle(event));
  ASSERT_TRUE(winapi::close_handle(event));
  expect_win32_failure(event, winapi::error_invalid_handle);
}

TEST(process_management_input, no_handle_fails_with_5001) {
  test_support::log_capture capture;
  for (const winapi::handle_t handle : {winapi::handle_t(0), winapi::invalid_handle_value}) {
    try {
      process_management::read_from_redirected_input(handle);
      FAIL() << "no exception";
    } catch (const common::application_exception& e) {
      EXPECT_EQ(e.code().value(), 5001);
    }
  }
}

TEST_F(process_management_pipe, standard_input_reads_the_pipe_in_its_place) {
  write_text("ab");
  const test_support::standard_input_replacement replaced(reader());
  const common::handle_holder input = process_management::get_standard_input();
  ASSERT_TRUE(input.valid());
  EXPECT_THAT(process_management::read_from_redirected_input(input.get()), ElementsAre('a', 'b', 0, 0));
}

TEST(process_management_standard_input, is_empty_when_there_is_no_standard_input) {
  const test_support::standard_input_replacement none(0);
  EXPECT_FALSE(process_management::get_standard_input().valid());
}

}  // namespace
