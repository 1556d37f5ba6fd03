// A failed worker run with the developer log off: its FATAL line dumps the history, and
// the logs directory holds exactly one zip archive, sound for three independent readers,
// whose main-thread history file ends with that FATAL line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "common/handle_holder.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "common/winapi/sync/events.h"
#include "support/child_process.h"
#include "support/update_source.h"
#include "worker_fixture.h"

namespace {

using test_support::parameter_pairs;
using test_support::parameter_paths;

test_support::child_result run_tool(const std::vector<std::string>& command) {
  test_support::child_options options;
  options.arguments = command;
  return test_support::run_child("/usr/bin/env", options);
}

struct failure_case {
  const char* name;
  std::function<void(parameter_pairs&, const parameter_paths&)> break_parameters;
  std::string fatal_text;
  std::string error_text;  // what the worker writes to standard error
};
void PrintTo(const failure_case& c, std::ostream* out) { *out << c.name; }

class history_archive_e2e : public worker_fixture, public ::testing::WithParamInterface<failure_case> {
 protected:
  ~history_archive_e2e() override { winapi::delete_named_event(stop_event_name_); }
  // The service's stop event, so that a failure inside the update run is a failure of
  // the run and not of opening the event.
  const std::u16string stop_event_name_ = common::concat(u"ferrowick-history-e2e-", winapi::current_process_id());
  const common::handle_holder stop_event_{winapi::create_named_event(stop_event_name_, false)};

  history_archive_e2e() {
    std::ofstream(paths_.configs / "logger settings.xml", std::ios::binary | std::ios::trunc)
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<log_settings>\n"
           "  <developer_log use_developer_log=\"false\" level=\"TRACE\" max_backup_index=\"4\" "
           "max_file_size=\"1048576\"/>\n  <history_log max_buffer_size=\"1048576\"/>\n</log_settings>\n";
  }
};

TEST_P(history_archive_e2e, leaves_one_archive_whose_main_thread_file_ends_with_the_fatal_line) {
  parameter_pairs pairs = client();
  test_support::set_value(pairs, u"stop_event_name", stop_event_name_);
  GetParam().break_parameters(pairs, paths_);
  const test_support::child_result result = run(pairs);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, GetParam().error_text);

  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(paths_.logs))
    names.push_back(entry.path().filename().string());
  ASSERT_EQ(names.size(), 1u) << "no developer log and no loose history file beside the archive";
  EXPECT_TRUE(std::regex_match(names[0], std::regex(R"(ferrowick\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.zip)"))) << names[0];
  const std::string archive = (paths_.logs / names[0]).string();

  const auto unzip = run_tool({"unzip", "-t", archive});
  EXPECT_EQ(unzip.exit_code, 0) << unzip.stdout_text << unzip.stderr_text;
  EXPECT_NE(unzip.stdout_text.find("No errors detected in compressed data"), std::string::npos) << unzip.stdout_text;
  const auto seven_zip = run_tool({"7z", "t", archive});
  EXPECT_EQ(seven_zip.exit_code, 0) << seven_zip.stdout_text << seven_zip.stderr_text;
  EXPECT_NE(seven_zip.stdout_text.find("Everything is Ok"), std::string::npos) << seven_zip.stdout_text;
  const auto python =
      run_tool({"python3", "-c",
                "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nprint('damaged:', z.testzip())\n"
                "for name in z.namelist(): print(name)\n"
                "print('--- content')\n"
                "sys.stdout.flush()\n"
                "[sys.stdout.buffer.write(z.read(n)) for n in z.namelist() if n.endswith('_FATAL.log')]",
                archive});
  ASSERT_EQ(python.exit_code, 0) << python.stderr_text;
  ASSERT_TRUE(python.stdout_text.starts_with("damaged: None\n")) << python.stdout_text;

  // On Linux the main thread's id is the process id: the erroring thread and its own
  // buffer both name it.
  std::smatch entry;
  ASSERT_TRUE(std::regex_search(python.stdout_text, entry,
                                std::regex(R"(\nferrowick\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_(\d+)_(\d+)_FATAL\.log\n)")))
      << python.stdout_text;
  EXPECT_EQ(entry[1], entry[2]);
  const size_t content = python.stdout_text.find("\n--- content\n");
  ASSERT_NE(content, std::string::npos);
  const std::string history = python.stdout_text.substr(content + 13);
  EXPECT_NE(history.find(" TRACE Start params: "), std::string::npos) << "the run's context is kept";
  ASSERT_TRUE(history.ends_with("\r\n")) << history;
  const std::string last_line = history.substr(history.rfind('\n', history.size() - 3) + 1);
  EXPECT_TRUE(std::regex_match(
      last_line, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d FATAL +)" + GetParam().fatal_text + "\r\n")))
      << last_line;
}

INSTANTIATE_TEST_SUITE_P(
    failures, history_archive_e2e,
    ::testing::Values(
        failure_case{"missing_destination_directory",
                     [](parameter_pairs& pairs, const parameter_paths& paths) {
                       test_support::set_value(pairs, u"destination_directory",
                                               (paths.destination / "gone").u16string());
                     },
                     R"(Error check start parameters: \[application: 5384\] .+)", ""},
        failure_case{"unconvertible_parameter",
                     [](parameter_pairs& pairs, const parameter_paths&) {
                       test_support::set_value(pairs, u"service_port", u"70000");
                     },
                     R"(Error deserialize start parameters: \[application: 5382\] Unexpected parameter\.)", ""},
        // A failure of the update run itself: the description names a package
        // the source lacks.
        failure_case{"missing_package",
                     [](parameter_pairs& pairs, const parameter_paths& paths) {
                       const auto keys = test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys");
                       test_support::set_value(pairs, u"public_key_txt",
                                               common::utf8_to_utf16(keys.parameter_public_base64));
                       test_support::set_value(pairs, u"previous_updates_release_date", u"2016-01-01T00:00:00Z");
                       test_support::write_text(paths.source / "info2.txt",
                                                "antivirus\r\n2016-05-17T09:30:00Z\r\nmissing.upd\r\n");
                     },
                     R"(Error update: \[win32: 2\] .+)",
                     "application_exception [code: 2]\r\nThe function 'CreateFileW' failed: 'The system cannot "
                     "find the file specified. Code: 2 (0x2)'"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
