#pragma once
// Command-line options of ferrowick-run: one option per worker parameter (with a
// default), plus the runner's own options. Values the runner can judge are checked
// here, so that a mistake is named before any worker starts.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "parameter_text.h"

namespace ferrowick_run {

struct run_options {
  // The worker's parameters in the order it reads them; server-only keys only in
  // server mode.
  std::vector<key_value> parameters;
  std::u16string stop_event_name;
  std::optional<std::u16string> worker;  // none: "ferrowick" beside the runner
  std::optional<double> cancel_after_seconds;
  std::optional<std::string> log_level;   // the developer log on at this level for this run
  std::optional<std::string> state_file;  // keeps the release date of the last placed update
  bool help = false;
};

class usage_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The environment variable that may hold the proxy password, so that it does not
// appear on the command line.
constexpr const char* proxy_password_variable = "FERROWICK_PROXY_PASSWORD";

struct run_defaults {
  std::u16string configs_directory;  // where the runner's logger settings file is shipped
  std::u16string logs_directory;
  std::u16string stop_event;
  // The value of proxy_password_variable: the proxy password when neither
  // --proxy-password nor --proxy-password-file is given.
  std::optional<std::string> environment_password;
};

// Raises usage_error, naming the option and what it takes, for an unknown option, a
// missing value, a value out of its range, a folder that does not exist, or a key,
// state or password file that cannot be used; a mistake in the task file of --task
// starts with "FILE:LINE: ".
run_options parse_run_options(const std::vector<std::string>& arguments, const run_defaults& defaults);

// The value of a worker parameter.
const std::u16string& parameter_value(const run_options& options, std::u16string_view key);
void set_parameter_value(run_options& options, std::u16string_view key, const std::u16string& value);

std::string usage_text();

}  // namespace ferrowick_run
