// The worker end to end over a directory source: exit codes and what reaches standard
// output and error for a placed update, an up-to-date one, a cancelled one and a
// rejected package.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "common/handle_holder.h"
#include "common/winapi/sync/events.h"
#include "support/environment_variable.h"
#include "support/update_source.h"
#include "worker_fixture.h"

namespace {

constexpr char release[] = "2016-05-17T09:30:00Z";
constexpr char16_t stop_event_name[] = u"ferrowick-worker-update-test-stop";

class worker_update : public worker_fixture {
 protected:
  worker_update() : keys_(test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys")) {
    const std::string events = (temp_.path() / "events").string();
    std::filesystem::create_directory(events);
    events_dir_.emplace("FERROWICK_EVENTS_DIR", events);
    environment_["FERROWICK_EVENTS_DIR"] = events;
    stop_event_ = common::handle_holder(winapi::create_named_event(stop_event_name, false));
  }
  ~worker_update() override {
    stop_event_.close();
    winapi::delete_named_event(stop_event_name);
  }

  void write_source(const std::string& product) {
    test_support::write_text(paths_.source / "info2.txt", product + "\r\n" + release + "\r\nbase.upd\r\n");
    test_support::write_package(paths_.source / "base.upd", {{u"bases.dat", "bases v2"}}, keys_);
  }

  test_support::parameter_pairs parameters(const std::u16string& previous_release) const {
    test_support::parameter_pairs pairs = client();
    test_support::set_value(pairs, u"stop_event_name", stop_event_name);
    test_support::set_value(pairs, u"previous_updates_release_date", previous_release);
    test_support::set_value(pairs, u"version_of_update_compatibility", u"0");
    test_support::set_value(pairs, u"copy_info_txt", u"0");
    test_support::set_value(pairs, u"public_key_txt",
                            std::u16string(keys_.parameter_public_base64.begin(), keys_.parameter_public_base64.end()));
    return pairs;
  }

  const test_support::demo_keys keys_;
  std::optional<test_support::environment_variable> events_dir_;
  common::handle_holder stop_event_;
};

TEST_F(worker_update, a_placed_update_exits_0_with_four_crlf_lines) {
  write_source("antivirus");
  const test_support::child_result result = run(parameters(u"2016-01-01T00:00:00Z"));
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stderr_text, "");
  const std::string placed = (paths_.destination / "base.upd").string();
  EXPECT_TRUE(result.stdout_text.starts_with(std::string(release) + "\r\n" + placed + "\r\n\r\n"))
      << result.stdout_text;
  EXPECT_TRUE(result.stdout_text.ends_with("\r\n"));
  size_t line_ends = 0;
  for (size_t at = result.stdout_text.find("\r\n"); at != std::string::npos;
       at = result.stdout_text.find("\r\n", at + 2)) {
    ++line_ends;
  }
  EXPECT_EQ(line_ends, 4u);
  EXPECT_TRUE(std::filesystem::exists(paths_.destination / "base.upd"));
}

TEST_F(worker_update, an_up_to_date_run_exits_254_and_writes_nothing) {
  write_source("antivirus");
  const test_support::child_result result = run(parameters(u"2016-05-17T09:30:00Z"));
  EXPECT_EQ(result.exit_code, 254);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
}

TEST_F(worker_update, a_cancelled_run_exits_253_and_writes_nothing) {
  write_source("antivirus");
  ASSERT_TRUE(winapi::set_event(stop_event_.get()));
  const test_support::child_result result = run(parameters(u"2016-01-01T00:00:00Z"));
  EXPECT_EQ(result.exit_code, 253);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
}

TEST_F(worker_update, a_package_for_another_product_reports_on_standard_error_and_exits_255) {
  write_source("firewall");
  const test_support::child_result result = run(parameters(u"2016-01-01T00:00:00Z"));
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stdout_text, "");
  // The message ends in its own line break; nothing is added after it.
  EXPECT_EQ(result.stderr_text,
            "application_exception [code: 5651]\r\nUpdate package was designed for other component.\r\n");
  // One FATAL line names the failure, so it also reaches the history archive.
  EXPECT_NE(
      log_text().find(" FATAL Error update: [application: 5651] Update package was designed for other component."),
      std::string::npos);
}

}  // namespace
