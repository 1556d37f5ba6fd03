#include "common/process_management.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "error_lib/application_exception.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using testing::ElementsAre;

class pipe_fixture : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::pipe(ends_), 0); }
  void TearDown() override {
    ::close(ends_[0]);
    if (ends_[1] >= 0) ::close(ends_[1]);
  }
  void write_text(const std::string& bytes) {
    ASSERT_EQ(::write(ends_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void close_writer() {
    ::close(ends_[1]);
    ends_[1] = -1;
  }
  int reader() const { return ends_[0]; }

 private:
  int ends_[2] = {-1, -1};
  test_support::log_capture capture_;
};

TEST_F(pipe_fixture, takes_all_bytes_in_the_pipe_and_appends_a_utf16_terminator) {
  write_text(std::string("a\0b\0", 4));
  close_writer();
  EXPECT_THAT(process_management::read_from_redirected_input(reader()), ElementsAre('a', 0, 'b', 0, 0, 0));
}

TEST_F(pipe_fixture, an_empty_pipe_gives_no_bytes) {
  close_writer();
  EXPECT_TRUE(process_management::read_from_redirected_input(reader()).empty());
}

TEST_F(pipe_fixture, takes_only_what_is_in_the_pipe_at_the_peek) {
  write_text("abcd");
  EXPECT_EQ(process_management::read_from_redirected_input(reader()).size(), 6u);
  write_text("ef");
  EXPECT_THAT(process_management::read_from_redirected_input(reader()), ElementsAre('e', 'f', 0, 0));
}

TEST_F(pipe_fixture, a_pipe_filled_to_a_raised_capacity_is_read_in_one_piece) {
  constexpr int size = 1 << 20;
  ASSERT_GE(::fcntl(reader(), F_SETPIPE_SZ, size), size);
  write_text(std::string(size, 'x'));
  const std::vector<uint8_t> text = process_management::read_from_redirected_input(reader());
  ASSERT_EQ(text.size(), static_cast<size_t>(size) + 2);
  EXPECT_EQ(text[size - 1], 'x');
  EXPECT_EQ(text[size], 0);
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

TEST(read_from_redirected_input, a_file_is_not_a_pipe) {
  test_support::log_capture capture;
  test_support::temp_directory temp;
  const std::string path = (temp.path() / "input").string();
  const int file = ::open(path.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::write(file, "abcd", 4), 4);
  expect_win32_failure(file, 1);
  ::close(file);
}

TEST(read_from_redirected_input, a_closed_handle_is_an_invalid_handle) {
  test_support::log_capture capture;
  expect_win32_failure(4000, 6);
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

// Puts a descriptor in place of standard input (or closes it, for -1) for the
// test's duration, whatever standard input the test runner was given.
class standard_input_replacement {
 public:
  explicit standard_input_replacement(int replacement) : saved_(::fcntl(0, F_DUPFD_CLOEXEC, 3)) {
    if (replacement >= 0) {
      ::dup2(replacement, 0);
    } else {
      ::close(0);
    }
  }
  ~standard_input_replacement() {
    if (saved_ >= 0) {
      ::dup2(saved_, 0);
      ::close(saved_);
    } else {
      ::close(0);
    }
  }

 private:
  int saved_;
};

TEST_F(pipe_fixture, standard_input_is_a_handle_of_its_own) {
  const standard_input_replacement replaced(reader());
  const common::handle_holder input = process_management::get_standard_input();
  ASSERT_TRUE(input.valid());
  EXPECT_GE(input.get(), 3);
  EXPECT_NE(input.get(), reader());
}

TEST(get_standard_input, is_empty_when_standard_input_is_closed) {
  const standard_input_replacement closed(-1);
  EXPECT_FALSE(process_management::get_standard_input().valid());
}

}  // namespace
