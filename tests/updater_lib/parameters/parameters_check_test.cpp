#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_directory.h"
#include "updater_lib/details/parameters/updater_parameters.h"
#include "updater_lib/parameters/parameters_test_helpers.h"

namespace {

using parameters_test::expect_code;

class parameters_check : public testing::Test {
 protected:
  parameters_check() {
    std::filesystem::create_directory(temp_.path() / "dest");
    std::filesystem::create_directory(temp_.path() / "utils");
    valid_.stop_event_name = u"stop";
    valid_.destination_directory = (temp_.path() / "dest").u16string();
    valid_.source.https.block_size = 65536;
    valid_.public_key = {1, 2, 3};
  }

  updater::updater_parameters server() const {
    updater::updater_parameters parameters = valid_;
    parameters.update_mode = updater::update_mode::update_mode_server;
    parameters.destination_directory_for_utils = (temp_.path() / "utils").u16string();
    return parameters;
  }

  std::u16string missing() const { return (temp_.path() / "missing").u16string(); }

  test_support::temp_directory temp_;
  updater::updater_parameters valid_;
};

TEST_F(parameters_check, accepts_a_complete_record) {
  updater::check_parameters(valid_);
  updater::check_parameters(server());
}

TEST_F(parameters_check, an_empty_stop_event_name_fails_with_5383) {
  valid_.stop_event_name.clear();
  expect_code([&] { updater::check_parameters(valid_); }, 5383, u"Stop event name is empty");
}

TEST_F(parameters_check, a_missing_destination_directory_fails_with_5384) {
  valid_.destination_directory = missing();
  expect_code([&] { updater::check_parameters(valid_); }, 5384, u"Directory name = " + missing());
  // A file is not a directory.
  valid_.destination_directory = (temp_.path() / "file").u16string();
  std::filesystem::path file = temp_.path() / "file";
  std::ofstream(file) << "x";
  expect_code([&] { updater::check_parameters(valid_); }, 5384);
}

TEST_F(parameters_check, an_empty_destination_directory_fails_in_the_directory_test) {
  valid_.destination_directory.clear();
  expect_code([&] { updater::check_parameters(valid_); }, 5367);
}

TEST_F(parameters_check, the_utility_directory_is_checked_in_server_mode_only) {
  updater::updater_parameters parameters = server();
  parameters.destination_directory_for_utils = missing();
  expect_code([&] { updater::check_parameters(parameters); }, 5384, u"Directory name = " + missing());
  valid_.destination_directory_for_utils = missing();
  updater::check_parameters(valid_);
}

TEST_F(parameters_check, block_size_may_be_at_most_256_mib) {
  valid_.source.https.block_size = 0;
  updater::check_parameters(valid_);
  valid_.source.https.block_size = 268435456;
  updater::check_parameters(valid_);
  valid_.source.https.block_size = 268435457;
  expect_code([&] { updater::check_parameters(valid_); }, 5139, u"block size = 268435457");
}

TEST_F(parameters_check, an_empty_public_key_fails_with_5448) {
  valid_.public_key.clear();
  expect_code([&] { updater::check_parameters(valid_); }, 5448, u"Public key is empty");
}

// A CR LF in the cookie put headers of its own into every request.
TEST_F(parameters_check, values_that_go_into_requests_refuse_control_characters) {
  const std::u16string bad_values[] = {u"user\r\nRANGE: bytes=5-", std::u16string(u"a\0b", 3), u"tab\there",
                                       u"del\x7f"};
  auto field_of = [](updater::updater_parameters& parameters, const char16_t* key) -> std::u16string& {
    updater::https_parameters& https = parameters.source.https;
    if (key == std::u16string_view(u"host_domain_name")) return https.host_domain_name[updater::main_files];
    if (key == std::u16string_view(u"host_domain_name_for_utils"))
      return https.host_domain_name[updater::utility_files];
    if (key == std::u16string_view(u"proxy_address")) return https.proxy.proxy_address;
    return https.viro_user_name;
  };
  for (const char16_t* key :
       {u"viro_user_name", u"host_domain_name", u"host_domain_name_for_utils", u"proxy_address"}) {
    for (const std::u16string& value : bad_values) {
      updater::updater_parameters parameters = server();
      field_of(parameters, key) = value;
      expect_code([&] { updater::check_parameters(parameters); }, 5382,
                  u"parameter_name = " + std::u16string(key) + u"; the value holds a control character");
    }
  }
  // Blanks and text outside ASCII are ordinary values.
  valid_.source.https.viro_user_name = u"Jos\u00e9 Mart\u00ednez";
  updater::check_parameters(valid_);
}

TEST_F(parameters_check, the_first_broken_rule_is_reported) {
  valid_.stop_event_name.clear();
  valid_.destination_directory = missing();
  valid_.public_key.clear();
  expect_code([&] { updater::check_parameters(valid_); }, 5383);
  valid_.stop_event_name = u"stop";
  valid_.source.https.block_size = 268435457;
  expect_code([&] { updater::check_parameters(valid_); }, 5384);
}

}  // namespace
