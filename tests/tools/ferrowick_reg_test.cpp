// ferrowick-reg as an installer runs it: a child process on a private store.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/registry_helpers.h"
#include "common/registry_test_store.h"
#include "support/child_process.h"

namespace {

class ferrowick_reg_test : public ::testing::Test {
 protected:
  test_support::child_result reg(std::vector<std::string> arguments) const {
    test_support::child_options options;
    options.arguments = std::move(arguments);
    options.environment["FERROWICK_REGISTRY_ROOT"] = store_.root().string();
    return test_support::run_child(tool_, options);
  }

  test_support::registry_test_store store_;
  const std::filesystem::path tool_ = std::filesystem::path(FERROWICK_BINARY_DIR) / "src/tools/ferrowick-reg";
};

TEST_F(ferrowick_reg_test, set_values_are_read_by_the_registry_helpers_and_by_get) {
  const std::string key = "HKLM\\SOFTWARE\\Kestrane\\Marvenholt\\Server\\Brindlemar";
  ASSERT_EQ(reg({"set", key, "InstallDir", "--string", "/opt/k\xc3\xa9/"}).exit_code, 0);
  ASSERT_EQ(reg({"set", key, "Count", "--dword", "0x2a"}).exit_code, 0);
  ASSERT_EQ(reg({"set", key, "Blob", "--binary", "00ff10"}).exit_code, 0);

  const std::u16string subkey = u"SOFTWARE\\Kestrane\\Marvenholt\\Server\\Brindlemar";
  EXPECT_EQ(registry_helpers::get_string_from_registry(winapi::hkey_local_machine, subkey, u"InstallDir"),
            u"/opt/k\u00e9/");
  EXPECT_EQ(registry_helpers::get_dword_from_registry(winapi::hkey_local_machine, subkey, u"Count"), 42u);
  EXPECT_EQ(reg({"get", "software\\kestrane\\marvenholt\\server\\brindlemar", "count"}).stdout_text, "42\n");
  EXPECT_EQ(reg({"get", key, "Blob"}).stdout_text, "00ff10\n");
  EXPECT_EQ(reg({"get", key, "InstallDir"}).stdout_text, "/opt/k\xc3\xa9/\n");
  // The hive prefix is matched byte by byte; bytes above 0x7F are not letters to fold.
  EXPECT_EQ(reg({"get", "hKey_Local_Machine\\software\\kestrane\\marvenholt\\server\\brindlemar", "Count"}).stdout_text,
            "42\n");
  ASSERT_EQ(reg({"set", "\xc3\x89KLM\\\xc3\xa9", "V", "--dword", "7"}).exit_code, 0);
  EXPECT_EQ(reg({"get", "\xc3\xa9KLM\\\xc3\xa9", "V"}).exit_code, 3) << "only ASCII letters are folded";
  EXPECT_EQ(reg({"get", "\xc3\x89klm\\\xc3\xa9", "V"}).stdout_text, "7\n");
}

TEST_F(ferrowick_reg_test, delete_removes_a_value_or_a_whole_key) {
  ASSERT_EQ(reg({"set", "SOFTWARE\\K\\X", "A", "--dword", "1"}).exit_code, 0);
  ASSERT_EQ(reg({"set", "SOFTWARE\\K\\X", "B", "--dword", "2"}).exit_code, 0);
  EXPECT_EQ(reg({"delete", "SOFTWARE\\K\\X", "A"}).exit_code, 0);
  EXPECT_EQ(reg({"get", "SOFTWARE\\K\\X", "A"}).exit_code, 3);
  EXPECT_EQ(reg({"get", "SOFTWARE\\K\\X", "B"}).stdout_text, "2\n");
  EXPECT_EQ(reg({"delete", "SOFTWARE\\K"}).exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(store_.key_folder("software/k")));
  EXPECT_EQ(reg({"delete", "SOFTWARE\\K"}).exit_code, 3);
}

TEST_F(ferrowick_reg_test, failures_and_wrong_usage_have_their_own_exit_codes) {
  const auto lonely = reg({"set", "Lonely", "V", "--dword", "1"});
  EXPECT_EQ(lonely.exit_code, 1);
  EXPECT_EQ(lonely.stderr_text,
            "error 5176: Invalid argument key_name was passed to the open_or_create_key function. (key: Lonely)\n");
  store_.write_values_file("software/k", "ferrowick registry key 1\n\"V\"=dword:1\nend\n");
  const auto damaged = reg({"get", "SOFTWARE\\K", "V"});
  EXPECT_EQ(damaged.exit_code, 1);
  EXPECT_NE(damaged.stderr_text.find("error code: 1015 subkey: SOFTWARE\\K value: V"), std::string::npos);
  for (const std::vector<std::string>& wrong :
       std::vector<std::vector<std::string>>{{},
                                             {"get", "SOFTWARE\\K"},
                                             {"set", "SOFTWARE\\K", "V", "--dword", "4294967296"},
                                             {"set", "SOFTWARE\\K", "V", "--binary", "abc"},
                                             {"set", "SOFTWARE\\K", "V", "--qword", "1"},
                                             {"list"}}) {
    EXPECT_EQ(reg(wrong).exit_code, 2) << testing::PrintToString(wrong);
  }
}

}  // namespace
