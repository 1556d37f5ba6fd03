#include "run_options.h"

#include <charconv>
#include <fstream>
#include <map>

#include "common/text.h"

namespace ferrowick_run {

namespace {

enum class presence { always, server_only };

struct parameter_option {
  const char* option;
  const char16_t* key;
  presence present;
  const char* default_value;  // nullptr: filled by the caller
  const char* help;
};

// In the order the worker reads the keys.
const parameter_option parameter_options[] = {
    {"--configs-dir", u"configs_path", presence::always, nullptr, "logger configuration directory [current]"},
    {"--main-config", u"main_config_name", presence::always, "ferrowick_logger.xml", "logger configuration file"},
    {"--logs-dir", u"logs_path", presence::always, nullptr, "log directory [current]"},
    {"--mode", u"update_mode", presence::always, "client", "client | server"},
    {"--source", u"update_source", presence::always, "directory", "directory | https"},
    {"--host", u"host_domain_name", presence::always, "", "update server host"},
    {"--utils-host", u"host_domain_name_for_utils", presence::server_only, "", "utility files host"},
    {"--port", u"service_port", presence::always, "443", "update server port"},
    {"--viro-user", u"viro_user_name", presence::always, "", "user name cookie"},
    {"--block-size", u"block_size", presence::always, "65536", "download block size in bytes"},
    {"--download-timeout", u"file_download_timeout_sec", presence::always, "600", "package time-out in seconds"},
    {"--retry-interval", u"time_between_retries_sec", presence::always, "10", "seconds between retries"},
    {"--max-retries", u"max_retry_count", presence::always, "3", "download retries"},
    {"--proxy-mode", u"proxy_mode", presence::always, "direct_connection",
     "direct_connection | custom_proxy | system_proxy"},
    {"--proxy-address", u"proxy_address", presence::always, "", "proxy host"},
    {"--proxy-port", u"proxy_port", presence::always, "0", "proxy port"},
    {"--proxy-auth", u"auth_required", presence::always, "0", "1 when the proxy needs a user"},
    {"--proxy-user", u"proxy_user_name", presence::always, "", "proxy user"},
    {"--proxy-password", u"proxy_password", presence::always, "",
     "proxy password, readable by every local user (prefer --proxy-password-file)"},
    {"--source-dir", u"source_directory", presence::always, "", "directory source of the update files"},
    {"--utils-source-dir", u"source_directory_for_utils", presence::server_only, "", "directory source of utilities"},
    {"--dest-dir", u"destination_directory", presence::always, "", "where the package is placed"},
    {"--utils-dest-dir", u"destination_directory_for_utils", presence::server_only, "",
     "where the utility package is placed"},
    {"--version-of-update-compatibility", u"version_of_update_compatibility", presence::always, "0",
     "requested package generation"},
    {"--previous-release", u"previous_updates_release_date", presence::always, "", "installed release date"},
    {"--stop-event", u"stop_event_name", presence::always, nullptr, "stop event name [ferrowick-run-<pid>]"},
    {"--task-alias", u"update_task_alias", presence::always, "ferrowick-run", "task alias"},
    {"--copy-info-txt", u"copy_info_txt", presence::always, "0", "1: keep info2.txt/info.txt in --dest-dir"},
    {"--public-key-txt", u"public_key_txt", presence::always, "", "Base64 public key (or --pub FILE)"},
};

bool is_key(const parameter_option& option, std::u16string_view key) { return option.key == key; }

// "client" and "server" stand for the full update mode names; anything else is passed on.
std::string expand(const parameter_option& option, const std::string& value) {
  if (is_key(option, u"update_mode") && (value == "client" || value == "server")) return "update_mode_" + value;
  return value;
}

const parameter_option* find_parameter_option(const std::string& name) {
  for (const parameter_option& option : parameter_options) {
    if (name == option.option) return &option;
  }
  return nullptr;
}

// The first line of a file, without its line end.
std::string read_first_line(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  if (!file || !std::getline(file, line)) throw usage_error("cannot read the file '" + path + "'");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Base64 never ends in blanks; a password may.
std::string read_key_file(const std::string& path) {
  std::string line = read_first_line(path);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

double parse_seconds(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    throw usage_error("--cancel-after wants a number of seconds, got '" + text + "'");
  }
  return value;
}

}  // namespace

run_options parse_run_options(const std::vector<std::string>& arguments, const std::u16string& default_directory,
                              const std::u16string& default_stop_event,
                              const std::optional<std::string>& environment_password) {
  std::map<std::string, std::string> given;
  run_options result;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    if (name == "--help" || name == "-h") {
      result.help = true;
      continue;
    }
    std::optional<std::string> value;
    if (const size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (name != "--worker" && name != "--cancel-after" && name != "--pub" && name != "--proxy-password-file" &&
        !find_parameter_option(name)) {
      throw usage_error("unknown option '" + name + "'");
    }
    if (!value) {
      if (i + 1 == arguments.size()) throw usage_error("option '" + name + "' needs a value");
      value = arguments[++i];
    }
    if (name == "--worker") {
      result.worker = common::utf8_to_utf16(*value);
    } else if (name == "--cancel-after") {
      result.cancel_after_seconds = parse_seconds(*value);
    } else if (name == "--pub") {
      given["--public-key-txt"] = read_key_file(*value);
    } else if (name == "--proxy-password-file") {
      given["--proxy-password"] = read_first_line(*value);
    } else {
      given[name] = *value;
    }
  }

  if (environment_password) given.try_emplace("--proxy-password", *environment_password);
  const auto mode = given.find("--mode");
  const bool server = mode != given.end() && (mode->second == "server" || mode->second == "update_mode_server");
  for (const parameter_option& option : parameter_options) {
    if (option.present == presence::server_only && !server) continue;
    std::u16string value;
    if (const auto found = given.find(option.option); found != given.end()) {
      value = common::utf8_to_utf16(expand(option, found->second));
    } else if (option.default_value != nullptr) {
      value = common::utf8_to_utf16(expand(option, option.default_value));
    } else if (is_key(option, u"stop_event_name")) {
      value = default_stop_event;
    } else {
      value = default_directory;
    }
    if (is_key(option, u"stop_event_name")) result.stop_event_name = value;
    result.parameters.emplace_back(option.key, value);
  }
  return result;
}

std::string usage_text() {
  std::string text =
      "usage: ferrowick-run [options]\n"
      "Runs one update task as the service does: writes the parameter text into the\n"
      "worker's standard input, owns the stop event (set on Ctrl-C, SIGTERM or\n"
      "--cancel-after) and exits with the worker's exit code (0 placed, 254 up to date,\n"
      "253 cancelled, 255 failed; 1 when the worker cannot be run, 2 for bad options).\n\n"
      "runner options:\n"
      "  --worker PATH                           worker program [ferrowick beside this tool]\n"
      "  --cancel-after SECONDS                  set the stop event after this time\n"
      "  --pub FILE                              read --public-key-txt from the file's first line\n"
      "  --proxy-password-file FILE              read --proxy-password from the file's first line\n"
      "                                          (else from $FERROWICK_PROXY_PASSWORD)\n"
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
