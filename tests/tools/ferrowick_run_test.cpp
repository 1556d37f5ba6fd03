// The service-side runner as a separate process: the parameter text it hands over, the
// stop event it owns, and the exit code it passes on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/handle_holder.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/command_line_to_argv.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/process/process_info.h"
#include "common/winapi/sync/events.h"
#include "common/winapi/sync/named_event_store.h"
#include "support/child_process.h"
#include "support/parameter_text.h"
#include "support/temp_directory.h"
#include "support/update_source.h"

namespace {

using test_support::read_text;
using test_support::write_text;

const std::filesystem::path binary_dir = FERROWICK_BINARY_DIR;
const std::filesystem::path runner = binary_dir / "src/tools/ferrowick-run";
const std::filesystem::path worker = binary_dir / "src/ferrowick/ferrowick";
constexpr char release[] = "2016-05-17T09:30:00Z";

class ferrowick_run_test : public ::testing::Test {
 protected:
  ferrowick_run_test() : keys_(test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys")) {
    for (const auto& directory : {configs(), logs(), source(), destination()}) {
      std::filesystem::create_directories(directory);
    }
    test_support::write_logger_settings(configs(), "logger.xml");
  }
  ~ferrowick_run_test() override { winapi::delete_named_event(stop_event_name_); }

  std::filesystem::path configs() const { return root_.path() / "configs"; }
  std::filesystem::path logs() const { return root_.path() / "logs"; }
  std::filesystem::path source() const { return root_.path() / "source dir"; }
  std::filesystem::path destination() const { return root_.path() / "destination dir"; }

  // A worker stand-in: a shell script with the given body.
  std::filesystem::path fake_worker(const std::string& body) const {
    const std::filesystem::path path = root_.path() / "fake-worker";
    write_text(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }

  std::vector<std::string> task_arguments() const {
    return {"--configs-dir",
            configs().string(),
            "--main-config",
            "logger.xml",
            "--logs-dir",
            logs().string(),
            "--source-dir",
            source().string(),
            "--dest-dir",
            destination().string(),
            "--pub",
            FERROWICK_SOURCE_DIR "/demo/keys/parameter.public.b64",
            "--stop-event",
            stop_event_utf8(),
            "--previous-release",
            "2016-01-01T00:00:00Z"};
  }

  void write_source() const {
    write_text(source() / "info2.txt", std::string("antivirus\r\n") + release + "\r\nbase_17_full.upd\r\n");
    test_support::write_package(source() / "base_17_full.upd", {{u"bases.dat", "bases"}}, keys_);
  }

  // The task with a worker stand-in of the given body.
  test_support::child_result run_fake(const std::string& body, std::vector<std::string> more = {},
                                      const std::map<std::string, std::optional<std::string>>& environment = {}) const {
    auto arguments = task_arguments();
    arguments.insert(arguments.end(), {"--worker", fake_worker(body).string()});
    arguments.insert(arguments.end(), more.begin(), more.end());
    return run(arguments, environment);
  }

  // The runner's standard error as a terminal shows it (the terminal turns LF into CR LF).
  test_support::child_result run_on_terminal(const std::vector<std::string>& arguments) const {
    std::string command = "'" + runner.string() + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    test_support::child_options options;
    options.arguments = {"-qec", command, "/dev/null"};
    return test_support::run_child("/usr/bin/script", options);
  }

  test_support::child_result run(std::vector<std::string> arguments,
                                 const std::map<std::string, std::optional<std::string>>& environment = {}) const {
    test_support::child_options options;
    options.arguments = std::move(arguments);
    options.environment = environment;
    return test_support::run_child(runner, options);
  }

  std::string stop_event_utf8() const { return common::utf16_to_utf8(stop_event_name_); }

  // Pairs as the worker's splitter reads the captured text back.
  static std::vector<std::u16string> split_captured(const std::filesystem::path& capture) {
    const std::string bytes = read_text(capture);
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    }
    return winapi::command_line_to_argv(text);
  }

  static std::vector<std::u16string> keys_of(const test_support::parameter_pairs& pairs) {
    std::vector<std::u16string> keys;
    for (const auto& pair : pairs) keys.push_back(pair.first);
    return keys;
  }

  static std::vector<std::u16string> keys_of_tokens(const std::vector<std::u16string>& tokens) {
    std::vector<std::u16string> keys;
    for (size_t i = 0; i < tokens.size(); i += 2) keys.push_back(tokens[i]);
    return keys;
  }

  static std::u16string value_of(const std::vector<std::u16string>& tokens, std::u16string_view key) {
    for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
      if (tokens[i] == key) return tokens[i + 1];
    }
    ADD_FAILURE() << "no key " << common::utf16_to_utf8(key);
    return {};
  }

  test_support::temp_directory root_;
  const test_support::demo_keys keys_;
  const std::u16string stop_event_name_ = common::concat(u"ferrowick-run-test-", winapi::current_process_id(), u"-",
                                                         ::testing::UnitTest::GetInstance()->random_seed(), u"-",
                                                         std::chrono::steady_clock::now().time_since_epoch().count());
};

TEST_F(ferrowick_run_test, the_parameter_text_splits_back_into_the_given_values_in_order) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  auto arguments = task_arguments();
  const std::vector<std::string> tricky = {"--proxy-password", "pa\"ss w\\\"ord\\", "--task-alias", "",
                                           "--viro-user",      "back\\slash\\",     "--proxy-user", "a b\\"};
  arguments.insert(arguments.end(), tricky.begin(), tricky.end());
  arguments.insert(arguments.end(), {"--worker", fake_worker("cat > \"$CAPTURE\"\n").string()});
  const auto result = run(arguments, {{"CAPTURE", capture.string()}});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;

  const std::vector<std::u16string> tokens = split_captured(capture);
  test_support::parameter_paths paths;
  EXPECT_EQ(keys_of_tokens(tokens), keys_of(test_support::client_parameters(paths)));
  EXPECT_EQ(value_of(tokens, u"proxy_password"), u"pa\"ss w\\\"ord\\");
  EXPECT_EQ(value_of(tokens, u"update_task_alias"), u"");
  EXPECT_EQ(value_of(tokens, u"viro_user_name"), u"back\\slash\\");
  EXPECT_EQ(value_of(tokens, u"proxy_user_name"), u"a b\\");
  EXPECT_EQ(value_of(tokens, u"destination_directory"), destination().u16string());
  EXPECT_EQ(value_of(tokens, u"update_mode"), u"update_mode_client");
  EXPECT_EQ(value_of(tokens, u"public_key_txt"), common::utf8_to_utf16(keys_.parameter_public_base64));
  EXPECT_EQ(read_text(capture).substr(0, 4), std::string("c\0o\0", 4)) << "UTF-16LE without a byte-order mark";
}

struct password_source {
  const char* name;
  std::vector<std::string> arguments;  // "FILE" stands for a file holding "file pass word \r\n"
  std::optional<std::string> environment;
  std::u16string expected;
};
void PrintTo(const password_source& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_password : public ferrowick_run_test, public ::testing::WithParamInterface<password_source> {};

TEST_P(ferrowick_run_password, reaches_the_worker_without_the_command_line) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  const std::filesystem::path password_file = root_.path() / "proxy password";
  write_text(password_file, "file pass word \r\nsecond line\n");
  std::filesystem::permissions(password_file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  auto arguments = task_arguments();
  for (const std::string& argument : GetParam().arguments) {
    arguments.push_back(argument == "FILE" ? password_file.string() : argument);
  }
  arguments.insert(arguments.end(), {"--worker", fake_worker("cat > \"$CAPTURE\"\n").string()});
  const auto result =
      run(arguments, {{"CAPTURE", capture.string()}, {"FERROWICK_PROXY_PASSWORD", GetParam().environment}});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(value_of(split_captured(capture), u"proxy_password"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_run_password,
    ::testing::Values(password_source{"file", {"--proxy-password-file", "FILE"}, std::nullopt, u"file pass word "},
                      password_source{"environment", {}, "env pass", u"env pass"},
                      password_source{
                          "file_before_environment", {"--proxy-password-file", "FILE"}, "env pass", u"file pass word "},
                      password_source{"option_before_environment", {"--proxy-password", "typed"}, "env pass", u"typed"},
                      password_source{"none", {}, std::nullopt, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ferrowick_run_test, server_mode_adds_the_utility_keys) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  auto arguments = task_arguments();
  const std::filesystem::path utilities = root_.path() / "u d";
  std::filesystem::create_directory(utilities);
  arguments.insert(arguments.end(), {"--mode", "server", "--utils-dest-dir", utilities.string(), "--utils-source-dir",
                                     source().string(), "--worker", fake_worker("cat > \"$CAPTURE\"\n").string()});
  ASSERT_EQ(run(arguments, {{"CAPTURE", capture.string()}}).exit_code, 0);
  const std::vector<std::u16string> tokens = split_captured(capture);
  test_support::parameter_paths paths;
  EXPECT_EQ(keys_of_tokens(tokens), keys_of(test_support::server_parameters(paths)));
  EXPECT_EQ(value_of(tokens, u"destination_directory_for_utils"), utilities.u16string());
}

TEST_F(ferrowick_run_test, the_workers_exit_code_and_output_pass_through) {
  const auto result = run_fake("cat >/dev/null\necho out\necho err >&2\nexit 253\n");
  EXPECT_EQ(result.exit_code, 253);
  EXPECT_EQ(result.stdout_text, "out\n");
  EXPECT_EQ(result.stderr_text, "err\n") << "nothing is added off a terminal";
}

struct silent_failure {
  const char* name;
  bool developer_log;
  std::string fake_worker_body;  // empty: the real worker, with a missing destination
  std::vector<std::string> expected_texts;
};
void PrintTo(const silent_failure& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_silent_failure : public ferrowick_run_test, public ::testing::WithParamInterface<silent_failure> {};

TEST_P(ferrowick_run_silent_failure, is_explained_after_the_workers_exit_code) {
  if (!GetParam().developer_log) {
    write_text(configs() / "logger.xml",
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<log_settings>\n"
               "  <developer_log use_developer_log=\"false\" level=\"TRACE\" max_backup_index=\"4\" "
               "max_file_size=\"1048576\"/>\n  <history_log max_buffer_size=\"1048576\"/>\n</log_settings>\n");
  }
  auto arguments = task_arguments();
  if (GetParam().fake_worker_body.empty()) {
    // A block size the runner passes on and the worker's check refuses.
    arguments.insert(arguments.end(), {"--worker", worker.string(), "--block-size", "268435457"});
  } else {
    arguments.insert(arguments.end(), {"--worker", fake_worker(GetParam().fake_worker_body).string()});
  }
  const auto result = run(arguments);
  EXPECT_EQ(result.exit_code, 255);
  for (const std::string& text : GetParam().expected_texts) {
    EXPECT_NE(result.stderr_text.find(text), std::string::npos) << text << " in:\n" << result.stderr_text;
  }
  EXPECT_TRUE(result.stderr_text.ends_with("\n")) << result.stderr_text;
}

INSTANTIATE_TEST_SUITE_P(all, ferrowick_run_silent_failure,
                         ::testing::Values(silent_failure{"fatal_line_of_the_developer_log",
                                                          true,
                                                          "",
                                                          {"ferrowick-run: the worker failed: ", " FATAL ",
                                                           "check start parameters: [application: 5139]"}},
                                           silent_failure{"history_archive",
                                                          false,
                                                          "",
                                                          {"ferrowick-run: the worker failed; its last records are in ",
                                                           "/logs/ferrowick", ".zip\n",
                                                           "run the task again with --log-level DEBUG and read ",
                                                           "/logs/ferrowick.log"}},
                                           silent_failure{"nothing_at_all",
                                                          false,
                                                          "cat >/dev/null\nexit 255\n",
                                                          {"ferrowick-run: the worker failed without a message\n",
                                                           "--log-level DEBUG", "/logs/fake-worker.log"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ferrowick_run_test, a_workers_own_error_text_is_passed_on_unchanged) {
  const auto result = run_fake("cat >/dev/null\nprintf 'application_exception [code: 2]\\r\\nno file' >&2\nexit 255\n");
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stderr_text, "application_exception [code: 2]\r\nno file");
}

struct terminal_case {
  const char* name;
  std::string body;
  int exit_code;
  std::string stderr_end;
};
void PrintTo(const terminal_case& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_terminal : public ferrowick_run_test, public ::testing::WithParamInterface<terminal_case> {};

TEST_P(ferrowick_run_terminal, shows_the_outcome_after_the_workers_own_text) {
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--worker", fake_worker("cat >/dev/null\n" + GetParam().body).string()});
  const auto result = run_on_terminal(arguments);
  EXPECT_EQ(result.exit_code, GetParam().exit_code) << result.stdout_text << result.stderr_text;
  EXPECT_TRUE(result.stdout_text.ends_with(GetParam().stderr_end)) << result.stdout_text;
}

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_run_terminal,
    ::testing::Values(terminal_case{"error_text_ends_its_line", "printf 'no file' >&2\nexit 255\n", 255, "no file\r\n"},
                      terminal_case{"up_to_date", "exit 254\n", 254, "ferrowick-run: up to date\r\n"},
                      terminal_case{"cancelled", "printf 'w' >&2\nexit 253\n", 253,
                                    "w\r\nferrowick-run: cancelled\r\n"},
                      terminal_case{"placed", "echo line\nexit 0\n", 0, "line\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct bad_option {
  const char* name;
  std::vector<std::string> arguments;  // added to the task; "TMP" stands for the test's folder
  std::string message;
};
void PrintTo(const bad_option& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_bad_option : public ferrowick_run_test, public ::testing::WithParamInterface<bad_option> {};

TEST_P(ferrowick_run_bad_option, exits_2_naming_the_option_before_any_worker_starts) {
  write_text(root_.path() / "binary.pub", "\x02" + std::string(31, 'k'));
  auto arguments = task_arguments();
  const std::filesystem::path started = root_.path() / "started";
  arguments.insert(arguments.end(), {"--worker", fake_worker("touch '" + started.string() + "'\n").string()});
  for (std::string argument : GetParam().arguments) {
    if (const size_t at = argument.find("TMP"); at != std::string::npos) argument.replace(at, 3, root_.path().string());
    arguments.push_back(argument);
  }
  const auto result = run(arguments);
  EXPECT_EQ(result.exit_code, 2);
  std::string message = GetParam().message;
  if (const size_t at = message.find("TMP"); at != std::string::npos) message.replace(at, 3, root_.path().string());
  EXPECT_TRUE(result.stderr_text.starts_with("ferrowick-run: " + message)) << result.stderr_text;
  EXPECT_TRUE(result.stderr_text.ends_with("\n(ferrowick-run --help lists the options)\n")) << result.stderr_text;
  EXPECT_FALSE(std::filesystem::exists(started));
}

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_run_bad_option,
    ::testing::Values(
        bad_option{"unknown", {"--no-such-option", "1"}, "unknown option '--no-such-option'"},
        bad_option{"no_value", {"--dest-dir"}, "option '--dest-dir' needs a value"},
        bad_option{"cancel_after", {"--cancel-after", "soon"}, "--cancel-after takes a number of seconds, not 'soon'"},
        bad_option{"source", {"--source", "http"}, "--source takes directory or https, not 'http'"},
        bad_option{"proxy_mode",
                   {"--proxy-mode", "custom-proxy"},
                   "--proxy-mode takes direct_connection, custom_proxy or system_proxy, not 'custom-proxy'"},
        bad_option{"mode", {"--mode", "update_mode_server"}, "--mode takes client or server, not 'update_mode_server'"},
        bad_option{"port", {"--port", "70000"}, "--port takes a whole number from 0 to 65535, not '70000'"},
        bad_option{
            "proxy_port", {"--proxy-port", "0x50"}, "--proxy-port takes a whole number from 0 to 65535, not '0x50'"},
        bad_option{
            "block_size", {"--block-size", "-1"}, "--block-size takes a whole number from 0 to 4294967295, not '-1'"},
        bad_option{"flag", {"--copy-info-txt", "yes"}, "--copy-info-txt takes 0 or 1, not 'yes'"},
        bad_option{"release_date",
                   {"--previous-release", "2026-12-10 06:22:04"},
                   "--previous-release takes a release date YYYY-MM-DDThh:mm:ssZ (years 2010 to 2200), the first "
                   "result line of an update, not '2026-12-10 06:22:04'"},
        bad_option{"release_year",
                   {"--previous-release", "2009-12-31T23:59:59Z"},
                   "--previous-release takes a release date YYYY-MM-DDThh:mm:ssZ (years 2010 to 2200), the first "
                   "result line of an update, not '2009-12-31T23:59:59Z'"},
        bad_option{"log_level",
                   {"--log-level", "debug"},
                   "--log-level takes TRACE, DEBUG, INFO, WARN, ERROR or FATAL, not 'debug'"},
        bad_option{
            "missing_destination", {"--dest-dir", "TMP/absent"}, "--dest-dir TMP/absent: the folder does not exist"},
        bad_option{
            "missing_source", {"--source-dir", "TMP/absent"}, "--source-dir TMP/absent: the folder does not exist"},
        bad_option{"https_without_host", {"--source", "https"}, "--host HOST is needed with --source https"},
        bad_option{"server_without_utility_source",
                   {"--mode", "server", "--utils-dest-dir", "TMP"},
                   "--utils-source-dir FOLDER is needed in server mode with --source directory"},
        bad_option{"server_without_utility_destination",
                   {"--mode", "server", "--source", "https", "--host", "update.example"},
                   "--utils-dest-dir FOLDER is needed in server mode"},
        bad_option{"pub_missing", {"--pub", "TMP/absent.pub"}, "--pub TMP/absent.pub: cannot be read: "},
        bad_option{"pub_not_a_key",
                   {"--pub", FERROWICK_SOURCE_DIR "/demo/keys/parameter.private.pem"},
                   "--pub " FERROWICK_SOURCE_DIR
                   "/demo/keys/parameter.private.pem: holds no public key; give the PREFIX.pub of 'ferrowick-pack "
                   "keygen PREFIX' (33 bytes) or its Base64 text PREFIX.pub.b64"},
        bad_option{"pub_of_wrong_size",
                   {"--pub", "TMP/binary.pub"},
                   "--pub TMP/binary.pub: holds no public key; give the PREFIX.pub of 'ferrowick-pack keygen PREFIX' "
                   "(33 bytes) or its Base64 text PREFIX.pub.b64"},
        bad_option{"public_key_txt",
                   {"--public-key-txt", "not a key"},
                   "--public-key-txt takes the Base64 text of a public key (PREFIX.pub.b64 of 'ferrowick-pack "
                   "keygen'), not 'not a key'"},
        bad_option{"state_and_previous_release",
                   {"--state", "TMP/state"},
                   "--state and --previous-release exclude each other"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ferrowick_run_test, a_worker_that_cannot_start_fails_with_1) {
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--worker", (root_.path() / "absent").string()});
  const auto result = run(arguments);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.stderr_text.find("win32 2"), std::string::npos) << result.stderr_text;
}

TEST_F(ferrowick_run_test, a_real_update_places_the_package_and_deletes_its_stop_event) {
  write_source();
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--worker", worker.string()});
  const auto result = run(arguments);
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stdout_text,
            std::string(release) + "\r\n" + (destination() / "base_17_full.upd").string() + "\r\n\r\n17\r\n");
  EXPECT_EQ(test_support::list_names(destination()), std::vector<std::string>{"base_17_full.upd"});
  EXPECT_EQ(winapi::open_event(winapi::synchronize, stop_event_name_), 0);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);
}

TEST_F(ferrowick_run_test, a_stop_event_that_exists_already_is_refused_and_left_as_it_is) {
  write_source();
  // Made, and held back or set at will, by someone else: no run may depend on it.
  const common::handle_holder event(winapi::create_named_event(stop_event_name_, false));
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--worker", worker.string()});
  const auto result = run(arguments);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.stderr_text, "ferrowick-run: the stop event " + stop_event_utf8() +
                                    " already exists: another task or program uses that name; give this task one of "
                                    "its own with --stop-event, or leave the option out for a random name\n");
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_TRUE(test_support::list_names(destination()).empty());
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_timeout);
  EXPECT_NE(common::handle_holder(winapi::open_event(winapi::synchronize, stop_event_name_)).get(), 0);
}

TEST_F(ferrowick_run_test, the_default_stop_event_has_a_new_random_name_for_every_run) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  auto arguments = task_arguments();
  arguments.erase(arguments.begin() + 12, arguments.begin() + 14);  // without --stop-event
  ASSERT_EQ(arguments.size() % 2, 0u);
  arguments.insert(arguments.end(), {"--worker", fake_worker("cat > \"$CAPTURE\"\n").string()});
  std::vector<std::u16string> names;
  for (int run_number = 0; run_number < 2; ++run_number) {
    const auto result = run(arguments, {{"CAPTURE", capture.string()}});
    ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
    names.push_back(value_of(split_captured(capture), u"stop_event_name"));
    EXPECT_EQ(names.back().size(), 53u) << common::utf16_to_utf8(names.back());
    EXPECT_TRUE(names.back().starts_with(u"Global\\ferrowick-run-")) << common::utf16_to_utf8(names.back());
  }
  EXPECT_NE(names[0], names[1]);
}

TEST_F(ferrowick_run_test, sigterm_and_ctrl_c_set_the_stop_event_instead_of_killing) {
  write_source();
  for (const char* signal_name : {"TERM", "INT"}) {
    auto arguments = task_arguments();
    // The stand-in signals the runner, waits until the runner has set the stop event (its
    // state file starts with '1'), then becomes the real worker with the same stdin.
    const std::string body = std::string("kill -") + signal_name +
                             " $PPID\n"
                             "i=0\n"
                             "until [ \"$(head -c1 \"$EVENT_FILE\")\" = 1 ]; do\n"
                             "  i=$((i+1)); [ $i -le 1200 ] || exit 99; sleep 0.05\n"
                             "done\n"
                             "exec '" +
                             worker.string() + "'\n";
    arguments.insert(arguments.end(), {"--worker", fake_worker(body).string()});
    const auto result = run(arguments, {{"EVENT_FILE", *winapi::details::named_event_path(stop_event_name_)}});
    EXPECT_EQ(result.exit_code, 253) << signal_name << ": " << result.stderr_text;
    EXPECT_TRUE(test_support::list_names(destination()).empty()) << signal_name;
  }
}

TEST_F(ferrowick_run_test, cancel_after_stops_a_run_in_the_middle) {
  write_source();
  // info.txt is a FIFO: the worker's copy of it waits for a writer, which comes only
  // after the runner has set the stop event. The package pull after it is cancelled.
  const std::filesystem::path fifo = source() / "info.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> runner_done{false};
  const common::handle_holder runner_ended(winapi::create_event(false));
  std::thread writer([&] {
    // The runner makes the event; it is watched from when it exists.
    common::handle_holder event;
    while (!event && !runner_done) {
      event = common::handle_holder(winapi::open_event(winapi::synchronize, stop_event_name_));
      if (!event) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const winapi::handle_t events[] = {event.get(), runner_ended.get()};
    if (winapi::wait_for_multiple_objects(2, events, winapi::infinite) != winapi::wait_object_0) return;
    // Without a reader the open fails at once; a worker cancelled before it reached the
    // FIFO never comes, so trying ends with the runner.
    while (!runner_done) {
      const int end = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (end >= 0) {
        ::close(end);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--worker", worker.string(), "--cancel-after", "0.5"});
  const auto result = run(arguments);
  runner_done = true;
  winapi::set_event(runner_ended.get());
  writer.join();
  EXPECT_EQ(result.exit_code, 253) << result.stderr_text;
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_TRUE(test_support::list_names(destination()).empty());
}

struct key_file {
  const char* name;
  std::string content;  // "BINARY" stands for the 33 bytes of the demo parameter key
};
void PrintTo(const key_file& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_key_file : public ferrowick_run_test, public ::testing::WithParamInterface<key_file> {};

TEST_P(ferrowick_run_key_file, gives_the_worker_the_base64_text) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  const std::filesystem::path key = root_.path() / "key";
  const auto& binary = keys_.parameter_public;
  write_text(key, GetParam().content == "BINARY" ? std::string(binary.begin(), binary.end()) : GetParam().content);
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--pub", key.string(), "--worker", fake_worker("cat > \"$CAPTURE\"\n").string()});
  const auto result = run(arguments, {{"CAPTURE", capture.string()}});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(value_of(split_captured(capture), u"public_key_txt"), common::utf8_to_utf16(keys_.parameter_public_base64));
}

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_run_key_file,
    ::testing::Values(key_file{"binary", "BINARY"},
                      key_file{"base64_with_crlf",
                               test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys").parameter_public_base64 +
                                   "\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct settings_file {
  const char* name;
  std::optional<std::string> content;  // none: no file
  std::string warning;                 // after "the logger settings file <path>"
};
void PrintTo(const settings_file& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_settings_file : public ferrowick_run_test, public ::testing::WithParamInterface<settings_file> {};

TEST_P(ferrowick_run_settings_file, that_the_worker_would_ignore_is_named_before_it_starts) {
  std::filesystem::remove(configs() / "logger.xml");
  if (GetParam().content) write_text(configs() / "logger.xml", *GetParam().content);
  const auto result = run_fake("cat >/dev/null\necho worker >&2\n");
  EXPECT_EQ(result.exit_code, 0);
  std::string warning = GetParam().warning;
  if (const size_t at = warning.find("CONFIG"); at != std::string::npos) {
    warning.replace(at, 6, (configs() / "logger.xml").string());
  }
  const std::string expected =
      warning.empty() ? ""
                      : "ferrowick-run: the logger settings file " + (configs() / "logger.xml").string() + warning +
                            "; the worker runs with the default settings, without a developer log\n";
  EXPECT_EQ(result.stderr_text, expected + "worker\n");
}

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_run_settings_file,
    ::testing::Values(
        settings_file{"complete",
                      "<log_settings><developer_log use_developer_log='false' level=' INFO ' max_backup_index='0' "
                      "max_file_size='1'/><history_log max_buffer_size='1'/></log_settings>",
                      ""},
        settings_file{"missing", std::nullopt, " does not exist"},
        settings_file{"without_history_log",
                      "<log_settings><developer_log use_developer_log='true' level='TRACE' max_backup_index='4' "
                      "max_file_size='1048576'/></log_settings>",
                      " is not used (missing log_settings/history_log/@max_buffer_size)"},
        settings_file{"without_level_and_size",
                      "<log_settings><developer_log use_developer_log='true' max_backup_index='4'/>"
                      "<history_log max_buffer_size='1048576'/></log_settings>",
                      " is not used (missing log_settings/developer_log/@level, "
                      "log_settings/developer_log/@max_file_size)"},
        settings_file{"bad_level",
                      "<log_settings><developer_log use_developer_log='true' level='debug' max_backup_index='4' "
                      "max_file_size='1048576'/><history_log max_buffer_size='1048576'/></log_settings>",
                      " is not used (level: Incorrect log level config value.)"},
        settings_file{"not_xml", "<log_settings>",
                      " is not used (Start-end tags mismatch,status: 14,offset: 13, "
                      "apply default logger settings.)"},
        settings_file{"too_big", std::string(0x100001, ' '),
                      " is not used (Very big config file: CONFIG, apply default logger settings.)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ferrowick_run_test, log_level_writes_the_developer_log_for_one_run_only) {
  write_text(configs() / "logger.xml", "not used");
  write_source();
  std::filesystem::create_directory(root_.path() / "tmp");
  auto arguments = task_arguments();
  arguments.insert(arguments.end(), {"--worker", worker.string(), "--log-level", "TRACE"});
  const auto result = run(arguments, {{"TMPDIR", (root_.path() / "tmp").string()}});
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stderr_text, "") << "the run's own settings file is complete";
  EXPECT_NE(read_text(logs() / "ferrowick.log").find(" TRACE "), std::string::npos);
  EXPECT_EQ(read_text(configs() / "logger.xml"), "not used");
  EXPECT_TRUE(test_support::list_names(root_.path() / "tmp").empty()) << "the run's settings folder is removed";
}

TEST_F(ferrowick_run_test, the_settings_folder_is_new_private_and_removed_without_following_links) {
  const std::filesystem::path temp = root_.path() / "tmp";
  const std::filesystem::path elsewhere = root_.path() / "elsewhere";
  std::filesystem::create_directories(temp);
  std::filesystem::create_directories(elsewhere);
  write_text(elsewhere / "keep.txt", "kept");
  // A user who may write to the temporary folder plants links at the names a run with
  // the next process ids would have taken by its id.
  int last_id = 0;
  std::istringstream(read_text("/proc/sys/kernel/ns_last_pid")) >> last_id;
  for (int id = last_id + 1; id <= last_id + 500; ++id) {
    std::filesystem::create_directory_symlink(elsewhere, temp / ("ferrowick-run-" + std::to_string(id) + "-settings"));
  }
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  const std::filesystem::path mode = root_.path() / "mode.txt";
  // While the worker runs, the folder is its user's alone, and a link is planted in it.
  const auto result = run_fake(
      "cat > \"$CAPTURE\"\n"
      "for folder in \"$TMPDIR\"/ferrowick-run-????????????????????????????????; do\n"
      "  stat -c %a \"$folder\" > \"$MODE\"\n"
      "  ln -s \"$ELSEWHERE\" \"$folder/planted\"\n"
      "done\n",
      {"--log-level", "TRACE"},
      {{"CAPTURE", capture.string()},
       {"MODE", mode.string()},
       {"ELSEWHERE", elsewhere.string()},
       {"TMPDIR", temp.string()}});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  const std::filesystem::path folder = value_of(split_captured(capture), u"configs_path");
  EXPECT_EQ(folder.parent_path(), temp);
  EXPECT_EQ(folder.filename().string().size(), 14u + 32u) << folder;
  EXPECT_EQ(read_text(mode), "700\n");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(folder)));
  EXPECT_EQ(test_support::list_names(temp).size(), 500u) << "only the planted links are left";
  EXPECT_EQ(test_support::list_names(elsewhere), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(read_text(elsewhere / "keep.txt"), "kept");
}

TEST_F(ferrowick_run_test, state_keeps_the_release_date_of_the_last_placed_update) {
  write_source();
  const std::filesystem::path state = root_.path() / "task.state";
  std::vector<std::string> arguments = task_arguments();
  arguments.resize(arguments.size() - 2);  // without --previous-release
  arguments.insert(arguments.end(), {"--worker", worker.string(), "--state", state.string()});

  const auto placed = run(arguments);
  EXPECT_EQ(placed.exit_code, 0) << placed.stderr_text;
  EXPECT_TRUE(placed.stdout_text.starts_with(std::string(release) + "\r\n")) << "the lines pass through unchanged";
  EXPECT_EQ(read_text(state), std::string(release) + "\n");
  EXPECT_EQ(test_support::list_names(root_.path()),
            (std::vector<std::string>{"configs", "destination dir", "logs", "source dir", "task.state"}))
      << "no temporary state file is left";

  std::filesystem::remove(destination() / "base_17_full.upd");
  EXPECT_EQ(run(arguments).exit_code, 254);
  EXPECT_EQ(read_text(state), std::string(release) + "\n");

  write_text(state, "2026-12-10 06:22:04\n");
  const auto broken = run(arguments);
  EXPECT_EQ(broken.exit_code, 2);
  EXPECT_TRUE(broken.stderr_text.starts_with("ferrowick-run: --state " + state.string() +
                                             ": holds '2026-12-10 06:22:04'; it takes a release date"))
      << broken.stderr_text;
}

// Another user who guesses the runner's process id makes "<state>.<pid>" first, here a
// link to a file of theirs (the stand-in worker knows the id as its parent's).
TEST_F(ferrowick_run_test, a_state_temporary_made_beforehand_is_replaced_not_written_through) {
  write_source();
  const std::filesystem::path state = root_.path() / "task.state";
  const std::filesystem::path victim = root_.path() / "victim";
  write_text(victim, "the user's own file");
  std::vector<std::string> arguments = task_arguments();
  arguments.resize(arguments.size() - 2);  // without --previous-release
  const std::string body =
      "ln -s '" + victim.string() + "' '" + state.string() + "'.$PPID\nexec '" + worker.string() + "'\n";
  arguments.insert(arguments.end(), {"--worker", fake_worker(body).string(), "--state", state.string()});
  const auto placed = run(arguments);
  EXPECT_EQ(placed.exit_code, 0) << placed.stderr_text;
  EXPECT_EQ(read_text(state), std::string(release) + "\n");
  EXPECT_EQ(read_text(victim), "the user's own file");
  EXPECT_EQ(test_support::list_names(root_.path()),
            (std::vector<std::string>{"configs", "destination dir", "fake-worker", "logs", "source dir", "task.state",
                                      "victim"}));
}

TEST_F(ferrowick_run_test, by_default_logs_go_to_the_runners_own_folder_and_settings_come_from_beside_it) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  std::vector<std::string> arguments = task_arguments();
  arguments.erase(arguments.begin(), arguments.begin() + 6);  // without the logging options
  arguments.insert(arguments.end(), {"--worker", fake_worker("cat > \"$CAPTURE\"\n").string()});
  const std::filesystem::path home = root_.path() / "home";
  const auto result =
      run(arguments, {{"CAPTURE", capture.string()}, {"HOME", home.string()}, {"XDG_STATE_HOME", std::nullopt}});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stderr_text, "") << "the shipped settings file is used";
  const std::vector<std::u16string> tokens = split_captured(capture);
  const std::filesystem::path logs = home / ".local/state/ferrowick-run/logs";
  EXPECT_EQ(value_of(tokens, u"logs_path"), logs.u16string());
  EXPECT_TRUE(std::filesystem::is_directory(logs));
  EXPECT_EQ(value_of(tokens, u"configs_path"), (binary_dir / "src/tools/").u16string());
  EXPECT_EQ(read_text(binary_dir / "src/tools/ferrowick_logger.xml"),
            read_text(FERROWICK_SOURCE_DIR "/src/tools/ferrowick-run/ferrowick_logger.xml"));
}

// "SRC", "DST", "KEY", "TMP" and "TASK" in a task file's text or a message stand for the
// fixture's source and destination folders, the demo key, the test's folder and the task file.
class ferrowick_run_task : public ferrowick_run_test {
 protected:
  std::filesystem::path task_file() const { return root_.path() / "bases.conf"; }

  std::string expanded(std::string text) const {
    const std::pair<std::string, std::string> names[] = {
        {"SRC", source().string()},
        {"DST", destination().string()},
        {"KEY", FERROWICK_SOURCE_DIR "/demo/keys/parameter.public.b64"},
        {"TMP", root_.path().string()},
        {"TASK", task_file().string()}};
    for (const auto& [name, value] : names) {
      for (size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += value.size()) {
        text.replace(at, name.size(), value);
      }
    }
    return text;
  }

  // Writes the task file, then runs it with a worker stand-in of the given body.
  test_support::child_result run_task(const std::string& text, const std::string& body,
                                      const std::vector<std::string>& more = {},
                                      const std::map<std::string, std::optional<std::string>>& environment = {}) const {
    write_text(task_file(), expanded(text));
    std::vector<std::string> arguments = {"--task",          task_file().string(), "--stop-event",
                                          stop_event_utf8(), "--worker",           fake_worker(body).string()};
    for (const std::string& argument : more) arguments.push_back(expanded(argument));
    return run(arguments, environment);
  }
};

TEST_F(ferrowick_run_task, gives_the_file_to_the_worker_with_the_command_line_on_top) {
  const std::filesystem::path capture = root_.path() / "stdin.bin";
  const std::filesystem::path password = root_.path() / "proxy password";
  write_text(password, "secret # not a comment\n");
  std::filesystem::permissions(password, std::filesystem::perms::owner_read);
  const auto result = run_task(
      "# bases from a folder\r\n"
      "\r\n"
      "  source-dir = SRC\r\n"
      "dest-dir=DST\n"
      "pub = KEY\n"
      "   # the alias names the task in the logs\n"
      "task-alias = nightly # bases\n"
      "port = 443\n"
      "configs-dir = TMP/configs\n"
      "main-config = logger.xml\n"
      "logs-dir = TMP/logs\n"
      "proxy-password-file = TMP/proxy password\n",
      "cat > \"$CAPTURE\"\n", {"--port", "8443"}, {{"CAPTURE", capture.string()}});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  const std::vector<std::u16string> tokens = split_captured(capture);
  EXPECT_EQ(value_of(tokens, u"source_directory"), source().u16string());
  EXPECT_EQ(value_of(tokens, u"destination_directory"), destination().u16string());
  EXPECT_EQ(value_of(tokens, u"public_key_txt"), common::utf8_to_utf16(keys_.parameter_public_base64));
  EXPECT_EQ(value_of(tokens, u"update_task_alias"), u"nightly # bases");
  EXPECT_EQ(value_of(tokens, u"service_port"), u"8443");
  EXPECT_EQ(value_of(tokens, u"proxy_password"), u"secret # not a comment");
}

struct bad_task_file {
  const char* name;
  std::string text;
  std::vector<std::string> more;  // on the command line after --task
  std::string message;            // after "ferrowick-run: "
};
void PrintTo(const bad_task_file& c, std::ostream* out) { *out << c.name; }

class ferrowick_run_bad_task : public ferrowick_run_task, public ::testing::WithParamInterface<bad_task_file> {};

TEST_P(ferrowick_run_bad_task, exits_2_naming_the_line_before_any_worker_starts) {
  write_text(root_.path() / "open password", "secret\n");
  std::filesystem::permissions(root_.path() / "open password", std::filesystem::perms::owner_read |
                                                                   std::filesystem::perms::group_read |
                                                                   std::filesystem::perms::others_read);
  const std::filesystem::path started = root_.path() / "started";
  const auto result = run_task(GetParam().text, "touch '" + started.string() + "'\n", GetParam().more);
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(result.stderr_text,
            "ferrowick-run: " + expanded(GetParam().message) + "\n(ferrowick-run --help lists the options)\n");
  EXPECT_FALSE(std::filesystem::exists(started));
}

const std::string good_task = "source-dir = SRC\ndest-dir = DST\npub = KEY\n";

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_run_bad_task,
    ::testing::Values(
        bad_task_file{"no_equals_sign",
                      "# bases\nsource-dir SRC\n",
                      {},
                      "TASK:2: expected 'name = value' (a long option without --), not 'source-dir SRC'"},
        bad_task_file{"dashed_name",
                      "--dest-dir = DST\n",
                      {},
                      "TASK:1: expected 'name = value' (a long option without --), not '--dest-dir = DST'"},
        bad_task_file{"unknown_name",
                      good_task + "destination = DST\n",
                      {},
                      "TASK:4: unknown name 'destination' (the names are ferrowick-run's long options)"},
        bad_task_file{"task_in_a_task",
                      "task = TASK\n",
                      {},
                      "TASK:1: unknown name 'task' (the names are ferrowick-run's long options)"},
        bad_task_file{"repeated_name",
                      good_task + "# again\ndest-dir = TMP\n",
                      {},
                      "TASK:5: dest-dir is given again (first on line 2)"},
        bad_task_file{"bad_number",
                      good_task + "port = 70000\n",
                      {},
                      "TASK:4: --port takes a whole number from 0 to 65535, not '70000'"},
        bad_task_file{
            "bad_choice", good_task + "source = http\n", {}, "TASK:4: --source takes directory or https, not 'http'"},
        bad_task_file{"bad_value_overridden_on_the_command_line",
                      good_task + "port = 70000\n",
                      {"--port", "443"},
                      "TASK:4: --port takes a whole number from 0 to 65535, not '70000'"},
        bad_task_file{"missing_folder",
                      "source-dir = SRC\ndest-dir = TMP/absent\npub = KEY\n",
                      {},
                      "TASK:2: --dest-dir TMP/absent: the folder does not exist"},
        bad_task_file{"not_a_key",
                      "source-dir = SRC\ndest-dir = DST\npub = TASK\n",
                      {},
                      "TASK:3: --pub TASK: holds no public key; give the PREFIX.pub of 'ferrowick-pack keygen "
                      "PREFIX' (33 bytes) or its Base64 text PREFIX.pub.b64"},
        bad_task_file{"missing_destination",
                      "source-dir = SRC\npub = KEY\n# end\n",
                      {},
                      "TASK:3: --dest-dir FOLDER is needed to place the package in"},
        bad_task_file{"https_without_host",
                      "source = https\ndest-dir = DST\npub = KEY\n",
                      {},
                      "TASK:3: --host HOST is needed with --source https"},
        bad_task_file{"clear_password",
                      good_task + "proxy-password = secret\n",
                      {},
                      "TASK:4: proxy-password is not taken from a task file; put the password in a file readable "
                      "by root alone and name it with proxy-password-file"},
        bad_task_file{"password_file_others_can_read",
                      good_task + "proxy-password-file = TMP/open password\n",
                      {},
                      "TASK:4: --proxy-password-file TMP/open password: others may read the file; a password "
                      "file must be readable by its owner alone (chmod 600, or on Windows an ACL for the owner alone)"},
        bad_task_file{"task_given_twice", good_task, {"--task", "TASK"}, "--task is given twice"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ferrowick_run_task, that_cannot_be_read_is_named) {
  const auto result = run({"--task", (root_.path() / "absent.conf").string()});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(result.stderr_text.starts_with("ferrowick-run: --task " + (root_.path() / "absent.conf").string() +
                                             ": cannot read the file\n"))
      << result.stderr_text;
}

}  // namespace
