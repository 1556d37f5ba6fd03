#include "run_options.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "common/base64.h"
#include "common/fs_utils.h"
#include "common/service_process.h"
#include "common/text.h"
#include "cpplogger/levels.h"
#include "task_file.h"
#include "text_files.h"
#include "updater_lib/details/package/public_key_file.h"
#include "updater_lib/details/update_information/date_time.h"
#include "updater_lib/details/update_information/update_information_release_date.h"

namespace ferrowick_run {

namespace {

enum class presence { always, server_only };

// What a value must be for the worker to take it.
enum class value_rule { text, choice, flag, uint16, uint32, release_date, public_key };

struct parameter_option {
  const char* option;
  const char16_t* key;
  presence present;
  const char* default_value;  // nullptr: filled from run_defaults
  value_rule rule;
  const char* help;  // for value_rule::choice the allowed values, " | " between them
};

// In the order the worker reads the keys.
const parameter_option parameter_options[] = {
    {"--configs-dir", u"configs_path", presence::always, nullptr, value_rule::text,
     "logger settings folder [the runner's folder]"},
    {"--main-config", u"main_config_name", presence::always, "ferrowick_logger.xml", value_rule::text,
     "logger settings file in it"},
    {"--logs-dir", u"logs_path", presence::always, nullptr, value_rule::text,
     "log folder [$XDG_STATE_HOME/ferrowick-run/logs]"},
    {"--mode", u"update_mode", presence::always, "client", value_rule::choice, "client | server"},
    {"--source", u"update_source", presence::always, "directory", value_rule::choice, "directory | https"},
    {"--host", u"host_domain_name", presence::always, "", value_rule::text, "update server host"},
    {"--utils-host", u"host_domain_name_for_utils", presence::server_only, "", value_rule::text, "utility files host"},
    {"--port", u"service_port", presence::always, "443", value_rule::uint16, "update server port"},
    {"--viro-user", u"viro_user_name", presence::always, "", value_rule::text, "user name cookie"},
    {"--block-size", u"block_size", presence::always, "65536", value_rule::uint32, "download block size in bytes"},
    {"--download-timeout", u"file_download_timeout_sec", presence::always, "600", value_rule::uint16,
     "package time-out in seconds"},
    {"--retry-interval", u"time_between_retries_sec", presence::always, "10", value_rule::uint16,
     "seconds between retries"},
    {"--max-retries", u"max_retry_count", presence::always, "3", value_rule::uint16, "download retries"},
    {"--proxy-mode", u"proxy_mode", presence::always, "direct_connection", value_rule::choice,
     "direct_connection | custom_proxy | system_proxy"},
    {"--proxy-address", u"proxy_address", presence::always, "", value_rule::text, "proxy host"},
    {"--proxy-port", u"proxy_port", presence::always, "0", value_rule::uint16, "proxy port"},
    {"--proxy-auth", u"auth_required", presence::always, "0", value_rule::flag, "1 when the proxy needs a user"},
    {"--proxy-user", u"proxy_user_name", presence::always, "", value_rule::text, "proxy user"},
    {"--proxy-password", u"proxy_password", presence::always, "", value_rule::text,
     "proxy password, readable by every local user (prefer --proxy-password-file)"},
    {"--source-dir", u"source_directory", presence::always, "", value_rule::text,
     "directory source of the update files"},
    {"--utils-source-dir", u"source_directory_for_utils", presence::server_only, "", value_rule::text,
     "directory source of utilities"},
    {"--dest-dir", u"destination_directory", presence::always, "", value_rule::text, "where the package is placed"},
    {"--utils-dest-dir", u"destination_directory_for_utils", presence::server_only, "", value_rule::text,
     "where the utility package is placed"},
    {"--version-of-update-compatibility", u"version_of_update_compatibility", presence::always, "0", value_rule::uint32,
     "requested package generation"},
    {"--previous-release", u"previous_updates_release_date", presence::always, "", value_rule::release_date,
     "release date of the installed update (first result line of the last update)"},
    {"--stop-event", u"stop_event_name", presence::always, nullptr, value_rule::text,
     "stop event name, new [Global\\ferrowick-run-<random>]"},
    {"--task-alias", u"update_task_alias", presence::always, "ferrowick-run", value_rule::text, "task alias"},
    {"--copy-info-txt", u"copy_info_txt", presence::always, "0", value_rule::flag,
     "1: keep info2.txt/info.txt in --dest-dir"},
    {"--public-key-txt", u"public_key_txt", presence::always, "", value_rule::public_key,
     "Base64 public key (or --pub FILE)"},
};

const char* const runner_options[] = {"--worker",    "--cancel-after", "--pub", "--proxy-password-file",
                                      "--log-level", "--state",        "--task"};

const char* const log_levels = "TRACE | DEBUG | INFO | WARN | ERROR | FATAL";

bool is_key(const parameter_option& option, std::u16string_view key) { return option.key == key; }

const parameter_option* find_parameter_option(const std::string& name) {
  for (const parameter_option& option : parameter_options) {
    if (name == option.option) return &option;
  }
  return nullptr;
}

bool is_runner_option(const std::string& name) {
  return std::find(std::begin(runner_options), std::end(runner_options), name) != std::end(runner_options);
}

// "a | b | c" as "a, b or c".
std::string spoken_list(std::string list) {
  for (size_t at; (at = list.find(" | ")) != std::string::npos;) list.replace(at, 3, ", ");
  if (const size_t last = list.rfind(", "); last != std::string::npos) list.replace(last, 2, " or ");
  return list;
}

bool is_one_of(const std::string& value, const std::string& list) {
  for (size_t start = 0;;) {
    const size_t end = list.find(" | ", start);
    if (list.substr(start, end - start) == value) return true;
    if (end == std::string::npos) return false;
    start = end + 3;
  }
}

bool is_number_up_to(const std::string& text, uint64_t largest) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && value <= largest;
}

bool is_release_date(const std::string& text) {
  try {
    updater::check_date_time(updater::date_time_t_from_updates_release_date(common::utf8_to_utf16(text)));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string in_quotes(const std::string& value) { return "'" + value + "'"; }

std::string release_date_rule(const std::string& option) {
  return option +
         " takes a release date YYYY-MM-DDThh:mm:ssZ (years 2010 to 2200), the first result line of "
         "an update";
}

void check_value(const parameter_option& option, const std::string& value) {
  const std::string name = option.option;
  switch (option.rule) {
    case value_rule::text: return;
    case value_rule::choice:
      if (!is_one_of(value, option.help)) {
        throw usage_error(name + " takes " + spoken_list(option.help) + ", not " + in_quotes(value));
      }
      return;
    case value_rule::flag:
      if (value != "0" && value != "1") throw usage_error(name + " takes 0 or 1, not " + in_quotes(value));
      return;
    case value_rule::uint16:
    case value_rule::uint32: {
      const uint64_t largest = option.rule == value_rule::uint16 ? 65535 : 4294967295;
      if (!is_number_up_to(value, largest)) {
        throw usage_error(name + " takes a whole number from 0 to " + std::to_string(largest) + ", not " +
                          in_quotes(value));
      }
      return;
    }
    case value_rule::release_date:
      if (!value.empty() && !is_release_date(value))
        throw usage_error(release_date_rule(name) + ", not " + in_quotes(value));
      return;
    case value_rule::public_key:
      if (!updater::parse_public_key(std::vector<uint8_t>(value.begin(), value.end()))) {
        throw usage_error(name +
                          " takes the Base64 text of a public key (PREFIX.pub.b64 of 'ferrowick-pack keygen'), "
                          "not " +
                          in_quotes(value));
      }
      return;
  }
}

// The release date a state file keeps; none while no update has been placed.
std::string read_state(const std::string& path) {
  if (!fs_utils::file_exists(common::utf8_to_utf16(path))) return {};
  const std::string release = read_first_line("--state", path);
  if (!is_release_date(release)) {
    throw usage_error("--state " + path + ": holds " + in_quotes(release) + "; " + release_date_rule("it"));
  }
  return release;
}

double parse_seconds(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    throw usage_error("--cancel-after takes a number of seconds, not " + in_quotes(text));
  }
  return value;
}

std::string check_log_level(const std::string& level) {
  const auto found = cpplogger::find_level(common::utf8_to_utf16(level));
  if (!found || *found == cpplogger::level_unknown) {
    throw usage_error("--log-level takes " + spoken_list(log_levels) + ", not " + in_quotes(level));
  }
  return level;
}

// A value and where it was given: empty for the command line, "FILE:LINE" in a task file.
struct given_value {
  std::string value;
  std::string location;
};
using given_values = std::map<std::string, given_value>;

// A mistake found in one entry; an entry of a task file names its line.
usage_error located(const std::string& location, const std::string& what) {
  return usage_error(location.empty() ? what : location + ": " + what);
}

std::string given_or_empty(const given_values& given, const std::string& option) {
  const auto found = given.find(option);
  return found == given.end() ? std::string() : found->second.value;
}

// Where a missing value is reported: at the end of the task file, if there is one.
void require_folder(const given_values& given, const std::string& option, const std::string& why,
                    const std::string& missing_location) {
  const auto found = given.find(option);
  if (found == given.end() || found->second.value.empty()) {
    throw located(missing_location, option + " FOLDER is needed " + why);
  }
  const auto& [folder, location] = found->second;
  if (!fs_utils::directory_exists(common::utf8_to_utf16(folder))) {
    throw located(location, option + " " + folder + ": the folder does not exist");
  }
}

// What the worker needs together: a key, its folders, a host.
void check_task(const given_values& given, bool server, const std::string& missing_location) {
  if (given_or_empty(given, "--public-key-txt").empty()) {
    throw located(missing_location,
                  "--pub FILE (or --public-key-txt BASE64) is needed: the public key whose signatures come "
                  "first in the packages");
  }
  const std::string source = given_or_empty(given, "--source");
  const bool https = source == "https";
  if (https && given_or_empty(given, "--host").empty()) {
    throw located(missing_location, "--host HOST is needed with --source https");
  }
  if (!https) require_folder(given, "--source-dir", "with --source directory", missing_location);
  require_folder(given, "--dest-dir", "to place the package in", missing_location);
  if (!server) return;
  if (!https) require_folder(given, "--utils-source-dir", "in server mode with --source directory", missing_location);
  require_folder(given, "--utils-dest-dir", "in server mode", missing_location);
}

// The command line as entries; "--help" only sets the flag.
std::vector<option_entry> command_line_entries(const std::vector<std::string>& arguments, bool& help) {
  std::vector<option_entry> entries;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    if (name == "--help" || name == "-h") {
      help = true;
      continue;
    }
    std::optional<std::string> value;
    if (const size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (!find_parameter_option(name) && !is_runner_option(name)) throw usage_error("unknown option " + in_quotes(name));
    if (!value) {
      if (i + 1 == arguments.size()) throw usage_error("option " + in_quotes(name) + " needs a value");
      value = arguments[++i];
    }
    entries.push_back({name, *value, {}});
  }
  return entries;
}

// A task file takes every option but the task itself and the password in clear text.
void check_task_file_name(const option_entry& entry) {
  const std::string name = entry.option.substr(2);
  if (entry.option == "--proxy-password") {
    throw located(entry.location,
                  "proxy-password is not taken from a task file; put the password in a file readable by root "
                  "alone and name it with proxy-password-file");
  }
  if (entry.option == "--task" || (!find_parameter_option(entry.option) && !is_runner_option(entry.option))) {
    throw located(entry.location, "unknown name " + in_quotes(name) + " (the names are ferrowick-run's long options)");
  }
}

// The task file named by --task (at most once) first, then the command line, which
// overrides it.
std::vector<option_entry> task_then_command_line(const std::vector<option_entry>& command_line,
                                                 std::string& missing_location) {
  std::vector<option_entry> entries;
  std::vector<option_entry> rest;
  for (const option_entry& entry : command_line) {
    if (entry.option != "--task") {
      rest.push_back(entry);
      continue;
    }
    if (!missing_location.empty()) throw usage_error("--task is given twice");
    task_file file = read_task_file(entry.value);
    for (const option_entry& task_entry : file.entries) check_task_file_name(task_entry);
    entries = std::move(file.entries);
    missing_location = file.end_location;
  }
  entries.insert(entries.end(), rest.begin(), rest.end());
  return entries;
}

void apply(const option_entry& entry, given_values& given, run_options& result) {
  const auto& [name, value, location] = entry;
  if (const parameter_option* option = find_parameter_option(name)) {
    check_value(*option, value);
    given[name] = {value, location};
  } else if (name == "--worker") {
    result.worker = common::utf8_to_utf16(value);
  } else if (name == "--cancel-after") {
    result.cancel_after_seconds = parse_seconds(value);
  } else if (name == "--pub") {
    try {
      given["--public-key-txt"] = {base64::base64_encode(updater::read_public_key_file(name, value)), location};
    } catch (const updater::public_key_file_error& error) {
      throw usage_error(error.what());
    }
  } else if (name == "--proxy-password-file") {
    given["--proxy-password"] = {read_password_file(value), location};
  } else if (name == "--log-level") {
    result.log_level = check_log_level(value);
  } else {
    result.state_file = value;
  }
}

}  // namespace

run_options parse_run_options(const std::vector<std::string>& arguments, const run_defaults& defaults) {
  run_options result;
  const std::vector<option_entry> command_line = command_line_entries(arguments, result.help);
  if (result.help) return result;

  given_values given;
  std::string missing_location;
  for (const option_entry& entry : task_then_command_line(command_line, missing_location)) {
    try {
      apply(entry, given, result);
    } catch (const usage_error& error) {
      throw located(entry.location, error.what());
    }
  }
  if (result.state_file) {
    if (given.contains("--previous-release")) throw usage_error("--state and --previous-release exclude each other");
    given["--previous-release"] = {read_state(*result.state_file), {}};
  }
  if (defaults.environment_password) given.try_emplace("--proxy-password", *defaults.environment_password, "");
  const bool server = given_or_empty(given, "--mode") == "server";
  check_task(given, server, missing_location);
  for (const parameter_option& option : parameter_options) {
    if (option.present == presence::server_only && !server) continue;
    std::u16string value;
    if (const auto found = given.find(option.option); found != given.end()) {
      value = common::utf8_to_utf16(found->second.value);
    } else if (option.default_value != nullptr) {
      value = common::utf8_to_utf16(option.default_value);
    } else if (is_key(option, u"stop_event_name")) {
      value = defaults.stop_event;
    } else if (is_key(option, u"configs_path")) {
      value = defaults.configs_directory;
    } else {
      value = defaults.logs_directory;
    }
    if (is_key(option, u"update_mode")) value = u"update_mode_" + value;
    if (is_key(option, u"stop_event_name")) result.stop_event_name = value;
    result.parameters.emplace_back(option.key, value);
  }
  return result;
}

const std::u16string& parameter_value(const run_options& options, std::u16string_view key) {
  static const std::u16string none;
  for (const auto& [name, value] : options.parameters) {
    if (name == key) return value;
  }
  return none;
}

void set_parameter_value(run_options& options, std::u16string_view key, const std::u16string& value) {
  for (auto& [name, current] : options.parameters) {
    if (name == key) current = value;
  }
}

std::string usage_text() {
  std::string text =
      "usage: ferrowick-run --dest-dir DIR --pub KEY_FILE (--source-dir DIR | --source https --host HOST) "
      "[options]\n"
      "       ferrowick-run --task FILE [options]\n"
      "Runs one update task as the service does: writes the parameter text into the\n"
      "worker's standard input, owns the stop event (set on Ctrl-C, SIGTERM or\n"
      "--cancel-after) and exits with the worker's exit code (0 placed, " +
      std::to_string(service_process::status_of_worker_code(-2)) + " up to date,\n" +
      std::to_string(service_process::status_of_worker_code(-3)) + " cancelled, " +
      std::to_string(service_process::status_of_worker_code(-1)) +
      " failed; 1 when the worker cannot be run, 2 for bad options).\n"
      "Guide: docs/running.md.\n\n"
      "runner options:\n"
      "  --task FILE                             options from FILE, one 'name = value' a line ('#' comments,\n"
      "                                          names without --); the command line overrides it\n"
      "  --worker PATH                           worker program [ferrowick beside this tool]\n"
      "  --cancel-after SECONDS                  set the stop event after this time\n"
      "  --pub FILE                              --public-key-txt from a key file (PREFIX.pub or PREFIX.pub.b64)\n"
      "  --proxy-password-file FILE              read --proxy-password from the first line of FILE, which\n"
      "                                          only its owner may read\n"
      "                                          (else from $FERROWICK_PROXY_PASSWORD)\n"
      "  --log-level LEVEL                       developer log on for this run: " +
      std::string(log_levels) +
      "\n"
      "  --state FILE                            pass the release date kept in FILE as --previous-release\n"
      "                                          and keep the date of a placed update there\n"
      "worker parameters (--name VALUE or --name=VALUE; [default]):\n";
  for (const parameter_option& option : parameter_options) {
    std::string line = "  " + std::string(option.option) + " VALUE";
    line.resize(std::max<size_t>(line.size() + 1, 42), ' ');
    line += option.help;
    if (option.default_value != nullptr && *option.default_value != '\0') {
      line += std::string(" [") + option.default_value + "]";
    }
    if (option.present == presence::server_only) line += " (server mode only)";
    text += line + "\n";
  }
  return text;
}

}  // namespace ferrowick_run
