#pragma once
// One update task of the Windows runner under wine: a folder with the logger settings,
// the logs and the destination, a stop event name of its own, and the task file that
// ferrowick-run.exe reads. The update server is shared by the whole program.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_directory.h"
#include "wine_programs.h"

namespace wine_e2e {

// What the shared server offers: update/0 holds info2.txt and a 2 MiB package, so a
// transfer can stall in the middle.
inline constexpr char release[] = "2016-05-17T09:30:00Z";
inline constexpr char package[] = "base_17_full.upd";
uint16_t update_server_port();
std::filesystem::path update_folder();

// Options of ferrowick-run without their "--", as a task file holds them.
using task_options = std::vector<std::pair<std::string, std::string>>;

// Replaces or adds an option.
void set_option(task_options& options, const std::string& name, const std::string& value);

class task_folder {
 public:
  task_folder();

  // The task over HTTPS from the server at port, or from a source folder.
  task_options https_task(uint16_t port) const;
  task_options directory_task(const std::filesystem::path& source) const;

  // ferrowick-run.exe --task FILE through cmd: the exit code as Windows hands it over.
  windows_result run_task(const task_options& options, const wine_programs::environment& variables = {}) const;
  // The same started directly by wine64, without cmd's own time, its output into files
  // in the folder: the Unix status, the code's low byte.
  int run_task_directly(const task_options& options) const;

  // Sets the stop event with ferrowick-event.exe; false when the tool fails.
  bool set_stop_event() const;

  // The worker's developer log and history files.
  std::string log_text() const;

  const std::filesystem::path& root() const { return root_.path(); }
  std::filesystem::path destination() const { return root() / "destination"; }
  std::filesystem::path logs() const { return root() / "logs"; }
  const std::string& stop_event_name() const { return stop_event_name_; }

 private:
  std::vector<std::string> write_task(const task_options& options) const;

  test_support::temp_directory root_;
  std::string stop_event_name_;
};

// Calls run_runner with a task whose package transfer a relay stalls; when the stall
// begins, while_stalled runs (if given), then ferrowick-event.exe sets the stop event.
// Gives the time from the end of ferrowick-event.exe to the return of run_runner, none
// when no transfer stalled or the event could not be set.
std::optional<std::chrono::duration<double, std::milli>> stop_a_stalled_transfer(
    const task_folder& folder, const std::function<void(const task_options&)>& run_runner,
    const std::function<void()>& while_stalled = {});

}  // namespace wine_e2e
