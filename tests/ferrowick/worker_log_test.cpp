// What a run that gets past its checks leaves in the developer log.
#include <gtest/gtest.h>

#include "worker_fixture.h"

namespace {

class worker_log : public worker_fixture {
 protected:
  std::string run_and_read_log(const test_support::parameter_pairs& pairs) {
    const test_support::child_result result = run(pairs);
    EXPECT_EQ(result.exit_code, 255) << "no update can be placed from an empty source";
    EXPECT_EQ(result.stdout_text, "");
    return log_text();
  }
};

void expect_contains(const std::string& log, const std::string& text) {
  EXPECT_NE(log.find(text), std::string::npos) << "missing: " << text << "\nlog:\n" << log;
}

TEST_F(worker_log, traces_the_received_parameters_with_the_password_masked) {
  const std::string log = run_and_read_log(client());
  expect_contains(log, "Start params: - update_mode: update_mode_client\n");
  expect_contains(log, "- proxy_password: ******\n");
  expect_contains(log, "- update_task_alias: task alias\n");
  expect_contains(log, "- public_key_txt: AQID");
  EXPECT_EQ(log.find("secret password"), std::string::npos);
  EXPECT_EQ(log.find("- configs_path:"), std::string::npos) << "the logging keys are not traced";
}

TEST_F(worker_log, an_empty_password_is_traced_as_nothing) {
  test_support::parameter_pairs pairs = client();
  test_support::set_value(pairs, u"proxy_password", u"");
  expect_contains(run_and_read_log(pairs), "- proxy_password: \n");
}

TEST_F(worker_log, writes_the_start_facts_at_info_level) {
  const std::string log = run_and_read_log(client());
  for (const std::string& line :
       {std::string("INFO"), std::string("Starting up"),
        "Started from: " + std::filesystem::canonical(worker_binary()).string(), std::string("PID: "),
        std::string("update mode: update_mode_client"), std::string("Copy info txt: 1"),
        "Destination directory: " + paths_.destination.string(),
        std::string("Previous update release string: 2024-01-01 00:00:00"), std::string("Task alias: task alias"),
        std::string("Version of update compability: 7")}) {
    expect_contains(log, line);
  }
}

TEST_F(worker_log, names_the_server_mode) {
  expect_contains(run_and_read_log(server()), "update mode: update_mode_server");
}

}  // namespace
