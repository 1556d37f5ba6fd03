// The worker through its standard-input pipe against directory sources: exit codes,
// result lines, the error text on standard error and every file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "update_e2e_fixture.h"
#include "updater_lib/details/package/digital_signature.h"

namespace {

using test_support::has_part_file;
using test_support::list_names;
using test_support::read_text;
using test_support::write_text;
using names = std::vector<std::string>;

class update_e2e : public update_e2e_fixture {
 protected:
  void expect_application_failure(const test_support::child_result& result, int code) const {
    EXPECT_EQ(result.exit_code, 255);
    EXPECT_EQ(result.stdout_text, "");
    EXPECT_TRUE(result.stderr_text.starts_with("application_exception [code: " + std::to_string(code) + "]"))
        << result.stderr_text;
    EXPECT_FALSE(has_part_file(paths_.destination));
    EXPECT_FALSE(has_part_file(paths_.destination_for_utils));
  }
};

TEST_F(update_e2e, an_update_is_placed_and_reported_in_four_lines) {
  write_info2("antivirus", "base_17_full.upd");
  write_text(paths_.source / "info.txt", "old description");
  write_source_package("base_17_full.upd");
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stdout_text,
            std::string(release) + "\r\n" + (paths_.destination / "base_17_full.upd").string() + "\r\n\r\n17\r\n");
  EXPECT_EQ(result.stderr_text, "");
  EXPECT_EQ(list_names(paths_.destination), (names{"base_17_full.upd", "info.txt", "info2.txt"}));
  EXPECT_EQ(read_text(paths_.destination / "base_17_full.upd"), read_text(paths_.source / "base_17_full.upd"));
  EXPECT_EQ(read_text(paths_.destination / "info2.txt"), read_text(paths_.source / "info2.txt"));
}

TEST_F(update_e2e, without_copy_info_txt_only_the_package_is_placed) {
  write_info2("antivirus", "base.upd");
  write_text(paths_.source / "info.txt", "old description");
  write_source_package("base.upd");
  auto parameters = update_parameters();
  test_support::set_value(parameters, u"copy_info_txt", u"0");
  const auto result = run(parameters);
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(list_names(paths_.destination), names{"base.upd"});
}

TEST_F(update_e2e, a_placed_update_exits_0_when_the_service_no_longer_reads_standard_output) {
  write_info2("antivirus", "base_17_full.upd");
  write_source_package("base_17_full.upd");
  test_support::child_options options;
  options.stdin_bytes = test_support::to_utf16le(test_support::to_text(update_parameters()));
  options.stdout_reader_gone = true;
  const auto result = test_support::run_child(worker_binary(), options);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(list_names(paths_.destination), (names{"base_17_full.upd", "info2.txt"}));
  EXPECT_EQ(read_text(paths_.destination / "base_17_full.upd"), read_text(paths_.source / "base_17_full.upd"));
  EXPECT_NE(log_text().find("Could not write the result lines to standard output"), std::string::npos);
}

TEST_F(update_e2e, the_installed_release_is_up_to_date) {
  write_info2("antivirus", "base.upd");
  write_source_package("base.upd");
  auto parameters = update_parameters();
  test_support::set_value(parameters, u"previous_updates_release_date", common::utf8_to_utf16(release));
  const auto result = run(parameters);
  EXPECT_EQ(result.exit_code, 254);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
  EXPECT_TRUE(list_names(paths_.destination).empty());
}

TEST_F(update_e2e, a_stop_event_set_before_the_run_cancels_it) {
  write_info2("antivirus", "base.upd");
  write_source_package("base.upd");
  set_stop_event();
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 253);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
  EXPECT_TRUE(list_names(paths_.destination).empty());
}

TEST_F(update_e2e, a_description_for_another_product_fails_with_5651) {
  write_info2("firewall", "base.upd");
  write_source_package("base.upd");
  const auto result = run(update_parameters());
  expect_application_failure(result, 5651);
  EXPECT_EQ(result.stderr_text,
            "application_exception [code: 5651]\r\nUpdate package was designed for other component.\r\n");
  EXPECT_TRUE(list_names(paths_.destination).empty());
}

TEST_F(update_e2e, a_tampered_package_is_rejected_and_nothing_is_placed) {
  write_info2("antivirus", "base.upd");
  write_source_package("base.upd", "original bases");
  std::string bytes = read_text(paths_.source / "base.upd");
  bytes[bytes.find("original bases")] = 'O';
  write_text(paths_.source / "base.upd", bytes);
  write_text(paths_.destination / "base.upd", "previous bases");
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_TRUE(result.stderr_text.starts_with("application_exception [code: 53")) << result.stderr_text;
  EXPECT_FALSE(has_part_file(paths_.destination));
  EXPECT_EQ(list_names(paths_.destination), names{"base.upd"});
  EXPECT_EQ(read_text(paths_.destination / "base.upd"), "previous bases");
}

TEST_F(update_e2e, the_developer_log_names_the_key_a_signature_fails_with) {
  const openssl::key_pair other = updater::generate_key_pair(1);
  const std::string first = "Signature 1 of 2 does not verify with public key 1";
  const std::string second = "Signature 2 of 2 does not verify with public key 2";
  struct signers {
    std::vector<std::vector<uint8_t>> private_keys;
    std::string failure;
    std::string other_failure;
  };
  write_info2("antivirus", "base.upd");
  for (const auto& [private_keys, failure, other_failure] :
       {signers{{other.private_key, keys_.built_in_private}, first, second},
        signers{{keys_.parameter_private, other.private_key}, second, first}}) {
    std::filesystem::remove(paths_.logs / "ferrowick.log");
    test_support::write_package_signed_with(paths_.source / "base.upd", {{u"bases.dat", "bases"}}, private_keys);
    const auto result = run(update_parameters());
    expect_application_failure(result, 5362);
    EXPECT_EQ(result.stderr_text, "application_exception [code: 5362]\r\nFile section verification error.");
    const std::string log = log_text();
    EXPECT_NE(log.find("public key 1 (the public_key_txt parameter) and public key 2 (the key built into this worker)"),
              std::string::npos);
    EXPECT_NE(log.find(failure), std::string::npos) << log;
    EXPECT_EQ(log.find(other_failure), std::string::npos);
  }
}

TEST_F(update_e2e, only_info_txt_on_the_source_fails_with_5656) {
  write_text(paths_.source / "info.txt", "old description");
  const auto result = run(update_parameters());
  expect_application_failure(result, 5656);
  EXPECT_EQ(result.stderr_text,
            "application_exception [code: 5656]\r\nThe product version more then version of the update server.\r\n");
  EXPECT_TRUE(list_names(paths_.destination).empty());
}

TEST_F(update_e2e, a_relative_package_path_fails_with_5031) {
  write_info2("antivirus", "../base.upd");
  expect_application_failure(run(update_parameters()), 5031);
  EXPECT_TRUE(list_names(paths_.destination).empty());
}

TEST_F(update_e2e, a_missing_package_fails_with_file_not_found) {
  write_info2("antivirus", "base.upd");
  expect_application_failure(run(update_parameters()), 2);
  EXPECT_TRUE(list_names(paths_.destination).empty());
}

TEST_F(update_e2e, server_mode_places_the_utility_package) {
  write_info2("antivirus", "base.upd", "utils.upd");
  write_source_package("base.upd");
  write_text(paths_.source_for_utils / "utils.upd", "utility bytes");
  const auto result = run(update_parameters(true));
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stdout_text, std::string(release) + "\r\n" + (paths_.destination / "base.upd").string() + "\r\n" +
                                    (paths_.destination_for_utils / "utils.upd").string() + "\r\n\r\n");
  EXPECT_EQ(list_names(paths_.destination_for_utils), names{"utils.upd"});
  EXPECT_EQ(read_text(paths_.destination_for_utils / "utils.upd"), "utility bytes");
}

TEST_F(update_e2e, client_mode_ignores_the_utility_package) {
  write_info2("antivirus", "base.upd", "utils.upd");
  write_source_package("base.upd");
  write_text(paths_.source_for_utils / "utils.upd", "utility bytes");
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stdout_text,
            std::string(release) + "\r\n" + (paths_.destination / "base.upd").string() + "\r\n\r\n\r\n");
  EXPECT_TRUE(list_names(paths_.destination_for_utils).empty());
}

TEST_F(update_e2e, a_full_disk_fails_with_112_and_keeps_the_previous_package) {
  if (!mount_tmpfs(paths_.destination, "size=256k")) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string previous(100 * 1024, 'p');
  write_text(paths_.destination / "base.upd", previous);
  write_info2("antivirus", "base.upd");
  write_source_package("base.upd", std::string(200 * 1024, 'n'));
  const auto result = run(update_parameters());
  expect_application_failure(result, 112);
  EXPECT_EQ(list_names(paths_.destination), names{"base.upd"});
  EXPECT_TRUE(read_text(paths_.destination / "base.upd") == previous);
}

TEST_F(update_e2e, a_read_only_destination_fails_and_keeps_the_previous_package) {
  if (!mount_tmpfs(paths_.destination, "size=1m")) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  write_text(paths_.destination / "base.upd", "previous bases");
  ASSERT_TRUE(remount("ro"));
  write_info2("antivirus", "base.upd");
  write_source_package("base.upd");
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_TRUE(result.stderr_text.starts_with("application_exception [code: 19]")) << result.stderr_text;
  EXPECT_EQ(list_names(paths_.destination), names{"base.upd"});
  EXPECT_EQ(read_text(paths_.destination / "base.upd"), "previous bases");
}

}  // namespace
