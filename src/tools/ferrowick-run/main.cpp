// Service-side runner: starts the worker for one update task the way the suite's
// service does and returns the worker's exit code as the system passes it on.
//
//   ferrowick-run --source-dir DIR --dest-dir DIR --pub KEY_FILE [options]
//   ferrowick-run --source https --host HOST --dest-dir DIR --pub KEY_FILE [options]
//   ferrowick-run --task FILE [options]
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/console_control.h"
#include "common/fs_utils.h"
#include "common/handle_holder.h"
#include "common/path_helpers.h"
#include "common/process_management.h"
#include "common/program_arguments.h"
#include "common/security.h"
#include "common/service_process.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/unguessable_name.h"
#include "common/winapi/process/environment.h"
#include "common/winapi/process/known_folders.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/events.h"
#include "error_lib/win32_exception.h"
#include "failure_report.h"
#include "logger_settings_file.h"
#include "run_options.h"
#include "run_state.h"

namespace {

constexpr int exit_placed = 0;
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;
const int exit_worker_failed = service_process::status_of_worker_code(-1);
const int exit_up_to_date = service_process::status_of_worker_code(-2);
const int exit_cancelled = service_process::status_of_worker_code(-3);

// The stop event for the task, made new for this run and removed again at its end. A
// name that is taken is refused: an event made by someone else may be set, or held back,
// by them.
class stop_event {
 public:
  explicit stop_event(const std::u16string& name) : name_(name) {
    event_ = common::handle_holder(winapi::create_guarded_named_event(name));
    if (event_) return;
    if (winapi::get_last_error() == winapi::error_already_exists) {
      throw std::runtime_error("the stop event " + common::utf16_to_utf8(name) +
                               " already exists: another task or program uses that name; give this task one of its "
                               "own with --stop-event, or leave the option out for a random name");
    }
    throw win32::exception("CreateEventW");
  }
  ~stop_event() { winapi::delete_named_event(name_); }
  stop_event(const stop_event&) = delete;
  stop_event& operator=(const stop_event&) = delete;

  void set() const {
    if (!winapi::set_event(event_.get())) throw win32::exception("SetEvent");
  }

 private:
  std::u16string name_;
  common::handle_holder event_;
};

// The folder of this tool: the worker and the shipped logger settings file sit beside it.
std::u16string runner_folder() {
  const auto [drive, directory, name, extension] = path_helpers::split_path(security::get_module_file_name());
  return drive + directory;
}

// "ferrowick" beside this tool, else in the system's other places for it.
std::u16string default_worker() {
  const std::u16string worker = service_process::program_file_name(u"ferrowick");
  const std::u16string beside = path_helpers::join_path(runner_folder(), worker);
  if (fs_utils::file_exists(beside)) return beside;
  for (const std::u16string_view elsewhere : service_process::other_worker_folders()) {
    const std::u16string path = path_helpers::join_path(runner_folder(), std::u16string(elsewhere) + worker);
    if (fs_utils::file_exists(path)) return path;
  }
  return beside;
}

// The runner's own logs folder in the user's data, never the current directory.
std::u16string default_logs_folder() {
  const std::u16string data = winapi::get_local_app_data_path().value_or(fs_utils::get_temp_path());
  return path_helpers::join_path(path_helpers::join_path(data, u"ferrowick-run"), u"logs");
}

std::optional<std::chrono::steady_clock::time_point> cancel_deadline(const std::optional<double>& seconds) {
  if (!seconds) return std::nullopt;
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(*seconds));
}

// From the UTF-16 text: a path made from a narrow string would take it in the ANSI code
// page on Windows.
std::filesystem::path parameter_path(const ferrowick_run::run_options& options, std::u16string_view key) {
  return std::filesystem::path(ferrowick_run::parameter_value(options, key));
}

// Where the worker keeps its records: it names its developer log and history archives
// after its own base name.
ferrowick_run::worker_logs logs_of(const ferrowick_run::run_options& options, const std::u16string& worker) {
  return {parameter_path(options, u"logs_path"), common::utf16_to_utf8(path_helpers::get_base_name(worker))};
}

// What a person at a terminal is told of a run that placed nothing and printed nothing.
std::string quiet_outcome(int status) {
  if (!console_control::standard_error_is_console()) return {};
  if (status == exit_up_to_date) return "ferrowick-run: up to date\n";
  if (status == exit_cancelled) return "ferrowick-run: cancelled\n";
  return {};
}

int run(ferrowick_run::run_options options) {
  std::optional<ferrowick_run::one_run_settings> settings;
  if (options.log_level) {
    settings.emplace(*options.log_level, parameter_path(options, u"main_config_name"));
    ferrowick_run::set_parameter_value(options, u"configs_path", settings->folder().u16string());
  }
  std::cerr << ferrowick_run::unused_settings_warning(parameter_path(options, u"configs_path") /
                                                      parameter_path(options, u"main_config_name"));
  std::filesystem::create_directories(parameter_path(options, u"logs_path"));

  const console_control::interrupt_listener interrupts;
  const stop_event stop(options.stop_event_name);
  const std::vector<uint8_t> input = ferrowick_run::parameter_text_bytes(options.parameters);
  const std::u16string worker_path = options.worker.value_or(default_worker());
  const ferrowick_run::failure_report report(logs_of(options, worker_path));
  service_process::worker_process worker(worker_path, input, options.state_file.has_value());

  std::optional<std::chrono::steady_clock::time_point> deadline = cancel_deadline(options.cancel_after_seconds);
  // An interrupt or the deadline asks the worker to stop; its exit code still decides.
  while (worker.wait(interrupts, deadline) != service_process::wait_outcome::exited) {
    stop.set();
    deadline.reset();
  }
  const int status = worker.exit_status();
  if (status == exit_placed && options.state_file) {
    ferrowick_run::store_release(*options.state_file, worker.first_output_line());
  }
  std::string addition = quiet_outcome(status);
  if (status == exit_worker_failed) {
    addition = worker.wrote_to_standard_error() ? report.explain_download_failure(worker.standard_error_head())
                                                : report.explain();
  }
  // The worker's text stays as it is; what follows it, and on a terminal the prompt,
  // starts on a line of its own.
  if (worker.wrote_to_standard_error() && !worker.standard_error_ends_line() &&
      (!addition.empty() || console_control::standard_error_is_console())) {
    std::cerr << '\n';
  }
  std::cerr << addition;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Passing the worker's text on must not end the runner when its reader has gone.
  process_management::make_broken_pipe_writes_fail();
  try {
    const ferrowick_run::run_defaults defaults{
        runner_folder(), default_logs_folder(), common::unguessable_name(u"Global\\ferrowick-run-"),
        winapi::get_environment_variable(ferrowick_run::proxy_password_variable)};
    const ferrowick_run::run_options options =
        ferrowick_run::parse_run_options(common::program_arguments(argc, argv), defaults);
    if (options.help) {
      std::cout << ferrowick_run::usage_text();
      return 0;
    }
    return run(options);
  } catch (const ferrowick_run::usage_error& error) {
    std::cerr << "ferrowick-run: " << error.what() << "\n(ferrowick-run --help lists the options)\n";
    return exit_usage;
  } catch (const common::application_exception& error) {
    std::cerr << "ferrowick-run: error " << error.code().category().name() << " " << error.code().value() << ": "
              << error.what() << "\n";
    return exit_failure;
  } catch (const std::exception& error) {
    std::cerr << "ferrowick-run: " << error.what() << "\n";
    return exit_failure;
  }
}
