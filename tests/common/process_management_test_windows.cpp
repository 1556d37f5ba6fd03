#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/process_management.h"
#include "error_lib/application_exception.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"
#include "support/wine.h"

namespace {

using testing::ElementsAre;

winapi::handle_t as_handle(HANDLE handle) { return reinterpret_cast<winapi::handle_t>(handle); }

// An anonymous pipe, as the service hands the worker its parameter text.
class pipe_fixture : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(::CreatePipe(&reader_, &writer_, nullptr, pipe_size)); }
  void TearDown() override {
    ::CloseHandle(reader_);
    if (writer_ != nullptr) ::CloseHandle(writer_);
  }
  void write_text(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
  }
  void close_writer() {
    ::CloseHandle(writer_);
    writer_ = nullptr;
  }
  winapi::handle_t reader() const { return as_handle(reader_); }

  static constexpr DWORD pipe_size = 1 << 20;

 private:
  HANDLE reader_ = nullptr;
  HANDLE writer_ = nullptr;
  test_support::log_capture capture_;
};

TEST_F(pipe_fixture, takes_all_bytes_in_the_pipe_and_appends_a_utf16_terminator) {
  write_text(std::string("a\0b\0", 4));
  close_writer();
  EXPECT_THAT(process_management::read_from_redirected_input(reader()), ElementsAre('a', 0, 'b', 0, 0, 0));
}

TEST_F(pipe_fixture, an_empty_pipe_gives_no_bytes) {
  EXPECT_TRUE(process_management::read_from_redirected_input(reader()).empty());
}

TEST_F(pipe_fixture, takes_only_what_is_in_the_pipe_at_the_peek) {
  write_text("abcd");
  EXPECT_EQ(process_management::read_from_redirected_input(reader()).size(), 6u);
  write_text("ef");
  EXPECT_THAT(process_management::read_from_redirected_input(reader()), ElementsAre('e', 'f', 0, 0));
}

TEST_F(pipe_fixture, a_pipe_filled_to_its_size_is_read_in_one_piece) {
  write_text(std::string(pipe_size, 'x'));
  const std::vector<uint8_t> text = process_management::read_from_redirected_input(reader());
  ASSERT_EQ(text.size(), static_cast<size_t>(pipe_size) + 2);
  EXPECT_EQ(text[pipe_size - 1], 'x');
  EXPECT_EQ(text[pipe_size], 0);
}

void expect_win32_failure(winapi::handle_t handle, int value) {
  try {
    process_management::read_from_redirected_input(handle);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().category().name(), std::string("win32"));
    EXPECT_EQ(e.code().value(), value);
    EXPECT_NE(std::string(e.what()).find("PeekNamedPipe"), std::string::npos) << e.what();
  }
}

// Unlike a Linux pipe, an empty pipe whose writer has gone cannot be peeked.
TEST_F(pipe_fixture, an_empty_pipe_without_a_writer_is_a_broken_pipe) {
  close_writer();
  expect_win32_failure(reader(), ERROR_BROKEN_PIPE);
}

TEST(read_from_redirected_input, a_file_is_not_a_pipe) {
  test_support::log_capture capture;
  test_support::temp_directory temp;
  const HANDLE file = ::CreateFileW((temp.path() / "input").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file, "abcd", 4, &written, nullptr));
  // Wine answers ERROR_NOT_SUPPORTED (its file system refuses the peek as unsupported).
  expect_win32_failure(as_handle(file),
                       test_support::running_under_wine() ? ERROR_NOT_SUPPORTED : ERROR_INVALID_FUNCTION);
  ::CloseHandle(file);
}

TEST(read_from_redirected_input, a_closed_handle_is_an_invalid_handle) {
  test_support::log_capture capture;
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  ::CloseHandle(event);
  expect_win32_failure(as_handle(event), ERROR_INVALID_HANDLE);
}

TEST(read_from_redirected_input, no_handle_fails_with_5001) {
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

// Puts a handle in place of standard input for the test's duration.
class standard_input_replacement {
 public:
  explicit standard_input_replacement(HANDLE replacement) : saved_(::GetStdHandle(STD_INPUT_HANDLE)) {
    ::SetStdHandle(STD_INPUT_HANDLE, replacement);
  }
  ~standard_input_replacement() { ::SetStdHandle(STD_INPUT_HANDLE, saved_); }

 private:
  HANDLE saved_;
};

TEST_F(pipe_fixture, standard_input_is_the_process_standard_input_handle) {
  write_text("ab");
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), reinterpret_cast<HANDLE>(reader()), ::GetCurrentProcess(),
                                &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS));
  const standard_input_replacement replaced(duplicate);
  common::handle_holder input = process_management::get_standard_input();
  ASSERT_EQ(input.get(), as_handle(duplicate));
  EXPECT_THAT(process_management::read_from_redirected_input(input.get()), ElementsAre('a', 'b', 0, 0));
}

TEST(get_standard_input, is_empty_when_there_is_no_standard_input) {
  const standard_input_replacement none(nullptr);
  EXPECT_FALSE(process_management::get_standard_input().valid());
}

TEST(keep_written_line_ends, puts_standard_output_and_error_in_binary_mode) {
  process_management::keep_written_line_ends();
  // Each stream goes back to the text mode it starts in.
  EXPECT_EQ(::_setmode(::_fileno(stdout), _O_TEXT), _O_BINARY);
  EXPECT_EQ(::_setmode(::_fileno(stderr), _O_TEXT), _O_BINARY);
}

}  // namespace
