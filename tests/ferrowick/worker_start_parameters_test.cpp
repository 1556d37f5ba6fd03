// The worker end to end: every malformed parameter text ends the run with -1 (255 as
// the parent sees it), and from the second step on with one FATAL line in the log.
#include <gtest/gtest.h>

#include <fstream>

#include "worker_fixture.h"

namespace {

using test_support::parameter_pairs;
using test_support::set_value;
using test_support::to_text;
using test_support::to_utf16le;

class worker_first_step : public worker_fixture {};

TEST_F(worker_first_step, an_empty_pipe_fails_silently) { expect_silent_failure(""); }

TEST_F(worker_first_step, blanks_only_fail_silently) { expect_silent_failure(to_utf16le(u"      ")); }

TEST_F(worker_first_step, a_byte_order_mark_fails_silently) {
  expect_silent_failure(to_utf16le(u"\uFEFF" + to_text(client())));
}

TEST_F(worker_first_step, an_odd_token_count_fails_silently) {
  expect_silent_failure(to_utf16le(to_text(client()) + u" dangling"));
}

TEST_F(worker_first_step, a_text_holding_only_part_of_the_logging_keys_fails_silently) {
  expect_silent_failure(to_utf16le(u"configs_path /c main_config_name m"));
}

TEST_F(worker_first_step, standard_input_that_is_a_file_fails_silently) {
  const std::filesystem::path input = temp_.path() / "parameters.bin";
  std::ofstream(input, std::ios::binary) << to_utf16le(to_text(client()));
  test_support::child_options options;
  options.stdin_file = input;
  const test_support::child_result result = test_support::run_child(worker_binary(), options);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
  EXPECT_TRUE(logs_directory_is_empty());
}

class worker_deserialize_step : public worker_fixture {
 protected:
  void expect_rejected(std::u16string_view key, std::u16string value, const std::string& message) {
    parameter_pairs pairs = client();
    set_value(pairs, key, std::move(value));
    expect_fatal(pairs, "Error deserialize start parameters: [application: " + message);
  }
};

TEST_F(worker_deserialize_step, only_the_logging_keys_fail_with_5380) {
  parameter_pairs pairs = client();
  pairs.resize(3);
  expect_fatal(pairs,
               "Error deserialize start parameters: [application: 5380] "
               "An invalid argument 'strings' was passed to the function.");
}

TEST_F(worker_deserialize_step, keys_in_the_wrong_order_fail_with_5382) {
  parameter_pairs pairs = client();
  std::swap(pairs[6], pairs[7]);
  expect_fatal(pairs, "Error deserialize start parameters: [application: 5382] Unexpected parameter.");
}

TEST_F(worker_deserialize_step, a_missing_last_pair_fails_with_5381) {
  parameter_pairs pairs = client();
  test_support::remove_pair(pairs, u"public_key_txt");
  expect_fatal(pairs, "Error deserialize start parameters: [application: 5381] Not enough parameters.");
}

TEST_F(worker_deserialize_step, values_that_do_not_convert_fail_with_5382) {
  expect_rejected(u"service_port", u"70000", "5382] Unexpected parameter.");
  expect_rejected(u"block_size", u"4294967296", "5382] Unexpected parameter.");
  expect_rejected(u"auth_required", u"yes", "5382] Unexpected parameter.");
  expect_rejected(u"update_mode", u"update_mode_other", "5382] Unexpected parameter.");
}

TEST_F(worker_deserialize_step, a_key_that_is_not_base64_fails_with_5449) {
  expect_rejected(u"public_key_txt", u"AQ ID", "5449] Invalid Base64 symbol.");
}

class worker_check_step : public worker_fixture {
 protected:
  void expect_rejected(const parameter_pairs& pairs, const std::string& message) {
    expect_fatal(pairs, "Error check start parameters: [application: " + message);
  }
};

TEST_F(worker_check_step, block_size_above_256_mib_fails_with_5139) {
  parameter_pairs pairs = client();
  set_value(pairs, u"block_size", u"268435457");
  expect_rejected(pairs, "5139] Buffer size is too big.");
}

TEST_F(worker_check_step, an_empty_stop_event_name_fails_with_5383) {
  parameter_pairs pairs = client();
  set_value(pairs, u"stop_event_name", u"");
  expect_rejected(pairs, "5383] Invalid stop event name.");
}

TEST_F(worker_check_step, a_missing_destination_directory_fails_with_5384) {
  parameter_pairs pairs = client();
  set_value(pairs, u"destination_directory", (temp_.path() / "no such directory").u16string());
  expect_rejected(pairs, "5384] Destination directory for updates does not exist.");
}

TEST_F(worker_check_step, a_missing_utility_directory_fails_with_5384_in_server_mode) {
  parameter_pairs pairs = server();
  set_value(pairs, u"destination_directory_for_utils", (temp_.path() / "no such directory").u16string());
  expect_rejected(pairs, "5384] Destination directory for updates does not exist.");
}

TEST_F(worker_check_step, an_empty_key_fails_with_5448) {
  parameter_pairs pairs = client();
  set_value(pairs, u"public_key_txt", u"");
  expect_rejected(pairs, "5448] Invalid public key.");
}

}  // namespace
