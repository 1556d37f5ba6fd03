#include "updater_lib/details/https/body_transfer.h"

#include <Poco/Exception.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "common/winapi/sync/events.h"
#include "error_lib/categories.h"
#include "support/environment_variable.h"
#include "support/error_of.h"
#include "support/temp_directory.h"
#include "support/update_source.h"

namespace {

using namespace std::chrono_literals;

// A body that delivers its bytes in reads of at most chunk bytes, then ends cleanly or
// breaks off with an error, as a dropped or stalled connection does.
class body_buffer : public std::streambuf {
 public:
  body_buffer(std::string bytes, bool breaks_off, bool times_out = false)
      : bytes_(std::move(bytes)), breaks_off_(breaks_off), times_out_(times_out) {}

 protected:
  int_type underflow() override {
    if (position_ == bytes_.size()) {
      if (breaks_off_ && times_out_) throw Poco::TimeoutException();
      if (breaks_off_) throw std::runtime_error("connection reset");
      return traits_type::eof();
    }
    const size_t count = std::min<size_t>(3, bytes_.size() - position_);
    char* begin = bytes_.data() + position_;
    setg(begin, begin, begin + count);
    position_ += count;
    return traits_type::to_int_type(*begin);
  }

 private:
  std::string bytes_;
  bool breaks_off_;
  bool times_out_;
  size_t position_ = 0;
};

class body_transfer_test : public ::testing::Test {
 protected:
  void SetUp() override {
    stop_event_ = common::handle_holder(winapi::create_named_event(u"body-stop", false));
    ASSERT_TRUE(stop_event_.valid());
  }

  struct outcome {
    bool complete;
    uint64_t total;
    std::string file;
  };
  outcome copy(std::istream& body, uint64_t content_length, uint32_t buffer_size = 4, uint64_t total = 0) {
    const updater::cancellation_token token(u"body-stop");
    const updater::details::download_deadline deadline(60s);
    const std::u16string path = (files_.path() / "body.part").u16string();
    bool complete = false;
    {
      // Held without sharing while it is written: read only once it is closed.
      const common::handle_holder file = updater::details::create_file_handle(path);
      complete =
          updater::details::save_stream_to_file(body, file.get(), token, deadline, buffer_size, content_length, total);
    }
    return {complete, total, test_support::read_text(files_.path() / "body.part")};
  }

  test_support::temp_directory events_;
  test_support::environment_variable events_dir_{"FERROWICK_EVENTS_DIR", events_.path().string()};
  test_support::temp_directory files_;
  common::handle_holder stop_event_;
};

TEST_F(body_transfer_test, complete_only_when_the_whole_body_arrived) {
  struct row {
    const char* name;
    std::string bytes;
    bool breaks_off;
    uint64_t content_length;
    bool complete;
    std::string file;
  };
  const row rows[] = {
      {"known length", "0123456789", false, 10, true, "0123456789"},
      {"known length, more bytes follow", "0123456789tail", false, 10, true, "0123456789"},
      {"unknown length, clean end", "0123456789", false, 0, true, "0123456789"},
      {"known length, server closed early", "01234", false, 10, false, "01234"},
      {"empty, unknown length", "", false, 0, true, ""},
      {"empty, known length", "", false, 10, false, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    body_buffer buffer(r.bytes, r.breaks_off);
    std::istream body(&buffer);
    const outcome result = copy(body, r.content_length, 4, 100);
    EXPECT_EQ(result.complete, r.complete);
    EXPECT_EQ(result.file, r.file);
    EXPECT_EQ(result.total, 100 + r.file.size());
  }
}

// The stream drops what a read that broke off had gathered, so that block is neither
// written nor counted: a resumed request asks for it again.
TEST_F(body_transfer_test, a_broken_read_raises_and_keeps_the_blocks_before_it) {
  for (const uint64_t content_length : {uint64_t{0}, uint64_t{10}}) {
    body_buffer buffer("0123456", true);
    std::istream body(&buffer);
    EXPECT_EQ(test_support::error_of([&] { copy(body, content_length); }),
              common::make_application_error(common::error_unexpected_https_read_amount));
    EXPECT_EQ(test_support::read_text(files_.path() / "body.part"), "0123");
  }
}

// The stream would swallow it and leave 5376, which does not say the server stalled.
TEST_F(body_transfer_test, a_read_that_timed_out_raises_the_timeout) {
  body_buffer buffer("0123456", true, true);
  std::istream body(&buffer);
  EXPECT_THROW(copy(body, 10), Poco::TimeoutException);
  EXPECT_EQ(test_support::read_text(files_.path() / "body.part"), "0123");
}

TEST_F(body_transfer_test, a_set_stop_event_ends_the_copy_before_the_next_read) {
  ASSERT_TRUE(winapi::set_event(stop_event_.get()));
  std::istringstream body("0123456789");
  const outcome result = copy(body, 10);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(result.file, "");
}

TEST_F(body_transfer_test, refuses_a_zero_buffer_and_a_failed_stream) {
  std::istringstream body("x");
  EXPECT_EQ(test_support::error_of([&] { copy(body, 1, 0); }),
            common::make_application_error(common::error_buffer_size_is_zero));
  body.setstate(std::ios::failbit);
  EXPECT_EQ(test_support::error_of([&] { copy(body, 1); }),
            common::make_application_error(common::error_invalid_http_stream_state));
}

TEST_F(body_transfer_test, a_passed_deadline_raises_after_the_copy) {
  const updater::cancellation_token token(u"body-stop");
  const updater::details::download_deadline passed(-1s);
  std::istringstream body("0123456789");
  const common::handle_holder file = updater::details::create_file_handle((files_.path() / "f").u16string());
  uint64_t total = 0;
  EXPECT_EQ(test_support::error_of(
                [&] { updater::details::save_stream_to_file(body, file.get(), token, passed, 4, 10, total); }),
            common::make_application_error(common::error_file_download_timeout));
  EXPECT_EQ(total, 0u);
}

}  // namespace
