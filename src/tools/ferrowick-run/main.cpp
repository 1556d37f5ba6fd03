// Service-side runner: starts the worker for one update task the way the suite's
// service does and returns the worker's exit code as the shell sees it.
//
//   ferrowick-run --source-dir DIR --dest-dir DIR --pub KEY_FILE [options]
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/console_control.h"
#include "common/fs_utils.h"
#include "common/handle_holder.h"
#include "common/path_helpers.h"
#include "common/process_management.h"
#include "common/security.h"
#include "common/service_process.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/environment.h"
#include "common/winapi/events.h"
#include "common/winapi/last_error.h"
#include "common/winapi/process_info.h"
#include "error_lib/win32_exception.h"
#include "failure_report.h"
#include "run_options.h"

namespace {

constexpr int exit_failure = 1;
constexpr int exit_usage = 2;
constexpr int exit_worker_failed = 255;  // the worker's -1

// The stop event for the task; removed again at the end when this run made it. An
// event that already exists (made and possibly set by someone else) is used as it is.
class stop_event {
 public:
  explicit stop_event(const std::u16string& name) : name_(name) {
    event_ = common::handle_holder(winapi::create_named_event(name, false));
    if (!event_) throw win32::exception("CreateEventW");
    created_ = winapi::get_last_error() != winapi::error_already_exists;
  }
  ~stop_event() {
    if (created_) winapi::delete_named_event(name_);
  }
  stop_event(const stop_event&) = delete;
  stop_event& operator=(const stop_event&) = delete;

  void set() const {
    if (!winapi::set_event(event_.get())) throw win32::exception("SetEvent");
  }

 private:
  std::u16string name_;
  common::handle_holder event_;
  bool created_ = false;
};

// "ferrowick" beside this tool, or where the build tree puts it.
std::u16string default_worker() {
  const auto [drive, directory, name, extension] = path_helpers::split_path(security::get_module_file_name());
  const std::u16string beside = path_helpers::join_path(drive + directory, u"ferrowick");
  const std::u16string in_build_tree = path_helpers::join_path(drive + directory, u"../ferrowick/ferrowick");
  return !fs_utils::file_exists(beside) && fs_utils::file_exists(in_build_tree) ? in_build_tree : beside;
}

std::optional<std::chrono::steady_clock::time_point> cancel_deadline(const std::optional<double>& seconds) {
  if (!seconds) return std::nullopt;
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(*seconds));
}

std::u16string parameter(const ferrowick_run::run_options& options, std::u16string_view key) {
  for (const auto& [name, value] : options.parameters) {
    if (name == key) return value;
  }
  return {};
}

// Where the worker keeps its records: it names its developer log and history archives
// after its own base name.
ferrowick_run::worker_logs logs_of(const ferrowick_run::run_options& options, const std::u16string& worker) {
  const std::filesystem::path configs = common::utf16_to_utf8(parameter(options, u"configs_path"));
  return {common::utf16_to_utf8(parameter(options, u"logs_path")),
          common::utf16_to_utf8(path_helpers::get_base_name(worker)),
          configs / common::utf16_to_utf8(parameter(options, u"main_config_name"))};
}

int run(const ferrowick_run::run_options& options) {
  const console_control::interrupt_listener interrupts;
  const stop_event stop(options.stop_event_name);
  const std::vector<uint8_t> input = ferrowick_run::parameter_text_bytes(options.parameters);
  const std::u16string worker_path = options.worker.value_or(default_worker());
  const ferrowick_run::failure_report report(logs_of(options, worker_path));
  service_process::worker_process worker(worker_path, input);

  std::optional<std::chrono::steady_clock::time_point> deadline = cancel_deadline(options.cancel_after_seconds);
  // An interrupt or the deadline asks the worker to stop; its exit code still decides.
  while (worker.wait(interrupts, deadline) != service_process::wait_outcome::exited) {
    stop.set();
    deadline.reset();
  }
  // The worker's text stays as it is; on a terminal the prompt gets a line of its own.
  if (worker.wrote_to_standard_error() && !worker.standard_error_ends_line() &&
      console_control::standard_error_is_console()) {
    std::cerr << '\n';
  }
  const int status = worker.exit_status();
  if (status == exit_worker_failed && !worker.wrote_to_standard_error()) std::cerr << report.explain();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Passing the worker's text on must not end the runner when its reader has gone.
  process_management::make_broken_pipe_writes_fail();
  try {
    const std::u16string current_directory = common::utf8_to_utf16(std::filesystem::current_path().string());
    const std::u16string default_stop_event = common::concat("ferrowick-run-", winapi::current_process_id());
    const ferrowick_run::run_options options = ferrowick_run::parse_run_options(
        std::vector<std::string>(argv + 1, argv + argc), current_directory, default_stop_event,
        winapi::get_environment_variable(ferrowick_run::proxy_password_variable));
    if (options.help) {
      std::cout << ferrowick_run::usage_text();
      return 0;
    }
    return run(options);
  } catch (const ferrowick_run::usage_error& error) {
    std::cerr << "ferrowick-run: " << error.what() << "\n\n" << ferrowick_run::usage_text();
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
