#include "updater_lib/details/parameters/parameters_deserialization.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "updater_lib/parameters/parameters_test_helpers.h"

namespace {

using parameters_test::expect_code;
using parameters_test::tokens_of;
using test_support::parameter_pairs;
using testing::ElementsAre;
using updater::update_mode;

const test_support::parameter_paths paths{"/cfg dir", "/logs", "/dest", "/src", "/dest utils", "/src utils"};

updater::updater_parameters deserialize(const parameter_pairs& pairs) {
  updater::token_list tokens = tokens_of(pairs);
  const updater::logging_parameters logging = updater::take_logging_parameters(tokens);
  return updater::deserialize_parameters(tokens, logging);
}

void expect_rejected(const parameter_pairs& pairs, int code, const std::u16string& trace_text = {}) {
  expect_code([&] { deserialize(pairs); }, code, trace_text);
}

parameter_pairs client_with(std::u16string_view key, std::u16string value) {
  parameter_pairs pairs = test_support::client_parameters(paths);
  test_support::set_value(pairs, key, std::move(value));
  return pairs;
}

TEST(parameters_deserialization, fills_every_client_field) {
  const updater::updater_parameters p = deserialize(test_support::client_parameters(paths));
  EXPECT_EQ(p.configs_path, u"/cfg dir");
  EXPECT_EQ(p.main_config_name, u"logger settings.xml");
  EXPECT_EQ(p.logs_path, u"/logs");
  EXPECT_EQ(p.update_mode, update_mode::update_mode_client);
  EXPECT_EQ(p.source.update_source, updater::update_source::directory);
  EXPECT_EQ(p.source.https.host_domain_name[updater::main_files], u"updates.example.com");
  EXPECT_EQ(p.source.https.host_domain_name[updater::utility_files], u"");
  EXPECT_EQ(p.source.https.service_port, 443);
  EXPECT_EQ(p.source.https.viro_user_name, u"user");
  EXPECT_EQ(p.source.https.block_size, 65536u);
  EXPECT_EQ(p.source.https.file_download_timeout_sec, 60);
  EXPECT_EQ(p.source.https.time_between_retries_sec, 1);
  EXPECT_EQ(p.source.https.max_retry_count, 3);
  EXPECT_EQ(p.source.https.proxy.proxy_mode, updater::proxy_mode::direct_connection);
  EXPECT_EQ(p.source.https.proxy.proxy_address, u"");
  EXPECT_EQ(p.source.https.proxy.proxy_port, 0);
  EXPECT_FALSE(p.source.https.proxy.auth_required);
  EXPECT_EQ(p.source.https.proxy.proxy_user_name, u"");
  EXPECT_EQ(p.source.https.proxy.proxy_password, u"secret password");
  EXPECT_EQ(p.source.source_directory[updater::main_files], u"/src");
  EXPECT_EQ(p.source.source_directory[updater::utility_files], u"");
  EXPECT_EQ(p.destination_directory, u"/dest");
  EXPECT_EQ(p.destination_directory_for_utils, u"");
  EXPECT_EQ(p.version_of_update_compatibility, 7u);
  EXPECT_EQ(p.previous_updates_release_date, u"2024-01-01 00:00:00");
  EXPECT_EQ(p.stop_event_name, u"ferrowick-test-stop");
  EXPECT_EQ(p.update_task_alias, u"task alias");
  EXPECT_TRUE(p.copy_info_txt);
  EXPECT_THAT(p.public_key, ElementsAre(1, 2, 3));
}

TEST(parameters_deserialization, server_mode_reads_the_utility_keys) {
  const parameter_pairs pairs = test_support::server_parameters(paths);
  EXPECT_EQ(tokens_of(pairs).size(), 58u);
  const updater::updater_parameters p = deserialize(pairs);
  EXPECT_EQ(p.update_mode, update_mode::update_mode_server);
  EXPECT_EQ(p.source.https.host_domain_name[updater::utility_files], u"utils.example.com");
  EXPECT_EQ(p.source.source_directory[updater::utility_files], u"/src utils");
  EXPECT_EQ(p.destination_directory_for_utils, u"/dest utils");
}

TEST(parameters_deserialization, without_a_triple_the_logging_keys_are_read_first) {
  const updater::token_list tokens = tokens_of(test_support::client_parameters(paths));
  EXPECT_EQ(tokens.size(), 52u);
  const updater::updater_parameters p = updater::deserialize_parameters(tokens, std::nullopt);
  EXPECT_EQ(p.configs_path, u"/cfg dir");
  EXPECT_EQ(p.logs_path, u"/logs");
  EXPECT_THAT(p.public_key, ElementsAre(1, 2, 3));
}

TEST(parameters_deserialization, taking_the_triple_removes_six_tokens) {
  updater::token_list tokens = tokens_of(test_support::client_parameters(paths));
  const updater::logging_parameters logging = updater::take_logging_parameters(tokens);
  EXPECT_EQ(logging.configs_path, u"/cfg dir");
  EXPECT_EQ(logging.main_config_name, u"logger settings.xml");
  EXPECT_EQ(logging.logs_path, u"/logs");
  ASSERT_EQ(tokens.size(), 46u);
  EXPECT_EQ(tokens.front(), u"update_mode");
}

TEST(parameters_deserialization, bad_lists_fail_with_5380) {
  updater::token_list empty;
  expect_code([&] { updater::take_logging_parameters(empty); }, 5380);
  updater::token_list odd{u"configs_path", u"/c", u"main_config_name"};
  expect_code([&] { updater::take_logging_parameters(odd); }, 5380);
  // Only the triple: what is left is empty.
  updater::token_list triple{u"configs_path", u"/c", u"main_config_name", u"m", u"logs_path", u"/l"};
  const updater::logging_parameters logging = updater::take_logging_parameters(triple);
  expect_code([&] { updater::deserialize_parameters(triple, logging); }, 5380);
  // Tokens after public_key_txt.
  parameter_pairs extra = test_support::client_parameters(paths);
  extra.emplace_back(u"extra", u"1");
  expect_rejected(extra, 5380);
}

TEST(parameters_deserialization, a_byte_order_mark_makes_the_first_key_unexpected) {
  parameter_pairs pairs = test_support::client_parameters(paths);
  pairs.front().first = u"\uFEFFconfigs_path";
  updater::token_list tokens = tokens_of(pairs);
  expect_code([&] { updater::take_logging_parameters(tokens); }, 5382, u"parameter_name = configs_path");
}

TEST(parameters_deserialization, keys_out_of_order_fail_with_5382_naming_the_expected_key) {
  parameter_pairs swapped = test_support::client_parameters(paths);
  std::swap(swapped[6], swapped[7]);  // viro_user_name before service_port
  expect_rejected(swapped, 5382, u"parameter_name = service_port");

  parameter_pairs with_utils = test_support::client_parameters(paths);
  with_utils.insert(with_utils.begin() + 6, {u"host_domain_name_for_utils", u"utils.example.com"});
  expect_rejected(with_utils, 5382, u"parameter_name = service_port");

  parameter_pairs renamed = client_with(u"block_size", u"1");
  renamed[8].first = u"Block_size";
  expect_rejected(renamed, 5382, u"parameter_name = block_size");
}

TEST(parameters_deserialization, a_list_that_stops_before_a_key_fails_with_5381) {
  parameter_pairs pairs = test_support::client_parameters(paths);
  test_support::remove_pair(pairs, u"public_key_txt");
  expect_rejected(pairs, 5381, u"parameter_name = public_key_txt");
}

TEST(parameters_deserialization, numbers_are_whole_decimal_tokens_that_fit_their_type) {
  EXPECT_EQ(deserialize(client_with(u"service_port", u"80")).source.https.service_port, 80);
  EXPECT_EQ(deserialize(client_with(u"service_port", u" 80")).source.https.service_port, 80);
  EXPECT_EQ(deserialize(client_with(u"service_port", u"65535")).source.https.service_port, 65535);
  EXPECT_EQ(deserialize(client_with(u"block_size", u"4294967295")).source.https.block_size, 4294967295u);
  expect_rejected(client_with(u"service_port", u"80 "), 5382, u"Can't convert 80 ");
  expect_rejected(client_with(u"service_port", u"0x50"), 5382, u"Can't convert 0x50");
  expect_rejected(client_with(u"service_port", u"70000"), 5382, u"Can't convert 70000");
  expect_rejected(client_with(u"service_port", u""), 5382, u"Can't convert ");
  expect_rejected(client_with(u"max_retry_count", u"three"), 5382, u"Can't convert three");
  expect_rejected(client_with(u"block_size", u"4294967296"), 5382, u"Can't convert 4294967296");
}

TEST(parameters_deserialization, negative_numbers_are_refused_instead_of_wrapping) {
  expect_rejected(client_with(u"file_download_timeout_sec", u"-1"), 5382, u"Can't convert -1");
  expect_rejected(client_with(u"block_size", u"-1"), 5382, u"Can't convert -1");
  expect_rejected(client_with(u"auth_required", u"-0"), 5382, u"Can't convert -0");
}

TEST(parameters_deserialization, bools_are_the_numbers_0_and_1) {
  EXPECT_TRUE(deserialize(client_with(u"auth_required", u"1")).source.https.proxy.auth_required);
  EXPECT_FALSE(deserialize(client_with(u"auth_required", u"0")).source.https.proxy.auth_required);
  EXPECT_FALSE(deserialize(client_with(u"copy_info_txt", u"0")).copy_info_txt);
  expect_rejected(client_with(u"auth_required", u"yes"), 5382, u"Can't convert yes");
  expect_rejected(client_with(u"auth_required", u"true"), 5382, u"Can't convert true");
  expect_rejected(client_with(u"copy_info_txt", u"2"), 5382, u"Can't convert 2");
}

TEST(parameters_deserialization, enum_values_are_exact_names) {
  EXPECT_EQ(deserialize(client_with(u"update_source", u"https")).source.update_source, updater::update_source::https);
  EXPECT_EQ(deserialize(client_with(u"proxy_mode", u"custom_proxy")).source.https.proxy.proxy_mode,
            updater::proxy_mode::custom_proxy);
  EXPECT_EQ(deserialize(client_with(u"proxy_mode", u"system_proxy")).source.https.proxy.proxy_mode,
            updater::proxy_mode::system_proxy);
  expect_rejected(client_with(u"update_mode", u"Update_mode_client"), 5382,
                  u"Can't convert Update_mode_client to enum class 'update_mode'");
  expect_rejected(client_with(u"update_source", u"ftp"), 5382, u"Can't convert ftp");
  expect_rejected(client_with(u"proxy_mode", u"1"), 5382, u"Can't convert 1");
}

TEST(parameters_deserialization, the_key_is_base64_text) {
  EXPECT_THAT(deserialize(client_with(u"public_key_txt", u"BAEC")).public_key, ElementsAre(4, 1, 2));
  EXPECT_TRUE(deserialize(client_with(u"public_key_txt", u"")).public_key.empty());
  expect_rejected(client_with(u"public_key_txt", u"AQ-D"), 5449, u"Invalid Base64 symbol: -");
}

TEST(parameters_mode_texts, name_each_mode_and_refuse_other_values) {
  EXPECT_EQ(updater::update_mode_text(update_mode::update_mode_client), u"update_mode_client");
  EXPECT_EQ(updater::update_mode_text(update_mode::update_mode_server), u"update_mode_server");
  EXPECT_EQ(updater::proxy_mode_text(updater::proxy_mode::direct_connection), u"direct_connection");
  EXPECT_EQ(updater::proxy_mode_text(updater::proxy_mode::custom_proxy), u"custom_proxy");
  EXPECT_EQ(updater::proxy_mode_text(updater::proxy_mode::system_proxy), u"system_proxy");
  expect_code([] { updater::update_mode_text(static_cast<update_mode>(2)); }, 5366, u"update_mode = 2");
  expect_code([] { updater::proxy_mode_text(static_cast<updater::proxy_mode>(3)); }, 5379, u"proxy_mode = 3");
}

}  // namespace
