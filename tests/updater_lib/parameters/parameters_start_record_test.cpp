#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "updater_lib/details/parameters/start_params_record.h"

namespace {

TEST(parameters_start_record, lists_each_pair_on_its_own_indented_line) {
  const updater::token_list tokens{u"update_mode", u"update_mode_client", u"service_port", u"443", u"empty", u""};
  EXPECT_EQ(updater::make_start_params_record(tokens),
            u"Start params: - update_mode: update_mode_client\n"
            u"              - service_port: 443\n"
            u"              - empty: ");
}

TEST(parameters_start_record, masks_a_non_empty_proxy_password) {
  EXPECT_EQ(updater::make_start_params_record({u"proxy_password", u"p"}), u"Start params: - proxy_password: ******");
  EXPECT_EQ(updater::make_start_params_record({u"proxy_user_name", u"u", u"proxy_password", u"long secret"}),
            u"Start params: - proxy_user_name: u\n              - proxy_password: ******");
}

TEST(parameters_start_record, shows_an_empty_proxy_password_as_nothing) {
  EXPECT_EQ(updater::make_start_params_record({u"proxy_password", u""}), u"Start params: - proxy_password: ");
}

TEST(parameters_start_record, an_empty_list_is_the_prefix_alone) {
  EXPECT_EQ(updater::make_start_params_record({}), u"Start params: ");
}

TEST(parameters_start_record, is_logged_as_one_trace_record) {
  test_support::log_capture capture;
  updater::log_start_params({u"a", u"1", u"proxy_password", u"x"});
  const auto records = capture.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].level, 0);
  EXPECT_EQ(records[0].text, u"Start params: - a: 1\n              - proxy_password: ******");
}

}  // namespace
