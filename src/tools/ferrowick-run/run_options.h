#pragma once
// Command-line options of ferrowick-run: one option per worker parameter (with a
// default), plus the runner's own options.
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
  bool help = false;
};

class usage_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The environment variable that may hold the proxy password, so that it does not
// appear on the command line.
constexpr const char* proxy_password_variable = "FERROWICK_PROXY_PASSWORD";

// default_directory fills the directory options that have one (configs, logs);
// default_stop_event names the event when --stop-event is not given;
// environment_password (the value of proxy_password_variable) is the proxy password
// when neither --proxy-password nor --proxy-password-file is given.
// Raises usage_error for an unknown option, a missing value or a bad runner value.
run_options parse_run_options(const std::vector<std::string>& arguments, const std::u16string& default_directory,
                              const std::u16string& default_stop_event,
                              const std::optional<std::string>& environment_password);

std::string usage_text();

}  // namespace ferrowick_run
