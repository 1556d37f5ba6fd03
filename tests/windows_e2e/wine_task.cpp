#include "wine_task.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "common/winapi/process/process_info.h"
#include "support/nginx_server.h"
#include "support/parameter_text.h"
#include "support/tcp_relay.h"
#include "support/tls_certificate.h"
#include "support/update_source.h"

namespace wine_e2e {

namespace {

class update_server {
 public:
  update_server() {
    const test_support::demo_keys keys = test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys");
    std::filesystem::create_directories(folder());
    test_support::write_text(folder() / "info2.txt",
                             std::string("antivirus\r\n") + release + "\r\n" + package + "\r\n");
    test_support::write_package(folder() / package, {{u"bases.dat", std::string(2 << 20, 'b')}}, keys);
    server_.emplace(test_support::nginx_options{FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf",
                                                root_.path() / "www",
                                                test_support::make_tls_certificate(root_.path() / "cert", "KOVA"), ""});
  }
  std::filesystem::path folder() const { return root_.path() / "www/update/0"; }
  uint16_t port() const { return server_->port(); }

 private:
  test_support::temp_directory root_;
  std::optional<test_support::nginx_server> server_;
};

const update_server& shared_server() {
  static const update_server server;
  return server;
}

std::string unique_event_name() {
  static std::atomic<int> counter = 0;
  return "ferrowick-wine-e2e-" + std::to_string(winapi::current_process_id()) + "-" + std::to_string(++counter);
}

}  // namespace

uint16_t update_server_port() { return shared_server().port(); }

std::filesystem::path update_folder() { return shared_server().folder(); }

void set_option(task_options& options, const std::string& name, const std::string& value) {
  const auto found =
      std::find_if(options.begin(), options.end(), [&](const auto& option) { return option.first == name; });
  if (found == options.end()) {
    options.emplace_back(name, value);
  } else {
    found->second = value;
  }
}

task_folder::task_folder() : stop_event_name_(unique_event_name()) {
  for (const auto& folder : {root() / "configs", logs(), destination()}) std::filesystem::create_directories(folder);
  test_support::write_logger_settings(root() / "configs", "logger.xml");
}

task_options task_folder::https_task(uint16_t port) const {
  task_options options = directory_task({});
  set_option(options, "source", "https");
  set_option(options, "host", "127.0.0.1");
  set_option(options, "port", std::to_string(port));
  return options;
}

task_options task_folder::directory_task(const std::filesystem::path& source) const {
  task_options options = {{"worker", windows_path(wine_programs::get().program("src/ferrowick/ferrowick.exe"))},
                          {"configs-dir", windows_path(root() / "configs")},
                          {"main-config", "logger.xml"},
                          {"logs-dir", windows_path(logs())},
                          {"dest-dir", windows_path(destination())},
                          {"pub", windows_path(FERROWICK_SOURCE_DIR "/demo/keys/parameter.public.b64")},
                          {"stop-event", stop_event_name_},
                          {"previous-release", "2016-01-01T00:00:00Z"},
                          {"retry-interval", "0"},
                          {"max-retries", "3"}};
  if (!source.empty()) set_option(options, "source-dir", windows_path(source));
  return options;
}

std::vector<std::string> task_folder::write_task(const task_options& options) const {
  std::string text;
  for (const auto& [name, value] : options) text += name + " = " + value + "\r\n";
  test_support::write_text(root() / "task.txt", text);
  return {"--task", windows_path(root() / "task.txt")};
}

windows_result task_folder::run_task(const task_options& options, const wine_programs::environment& variables) const {
  const wine_programs& programs = wine_programs::get();
  return programs.run_for_exit_code(programs.program("src/tools/ferrowick-run.exe"), write_task(options), root(),
                                    variables);
}

int task_folder::run_task_directly(const task_options& options) const {
  const wine_programs& programs = wine_programs::get();
  return programs.run_into_files(programs.program("src/tools/ferrowick-run.exe"), write_task(options),
                                 root() / "runner output.txt", root() / "runner errors.txt");
}

bool task_folder::set_stop_event() const {
  try {
    const wine_programs& programs = wine_programs::get();
    return programs.run(programs.program("src/tools/ferrowick-event.exe"), {"set", stop_event_name_}).exit_code == 0;
  } catch (const std::exception&) {
    return false;
  }
}

std::string task_folder::log_text() const {
  std::string text;
  for (const auto& entry : std::filesystem::directory_iterator(logs())) {
    if (entry.is_regular_file()) text += test_support::read_text(entry.path());
  }
  return text;
}

std::optional<std::chrono::duration<double, std::milli>> stop_a_stalled_transfer(
    const task_folder& folder, const std::function<void(const task_options&)>& run_runner,
    const std::function<void()>& while_stalled) {
  // Every file costs two connections, the probe of the root and the transfer: info2.txt,
  // info.txt (404), then the package, the only one past 300 kB.
  constexpr size_t stall_after = 300000;
  constexpr size_t connections_up_to_the_package = 6;
  std::mutex mutex;
  std::optional<std::chrono::steady_clock::time_point> event_set;
  std::once_flag first_stall;
  std::chrono::steady_clock::time_point exited;
  {
    const test_support::tcp_relay relay(
        update_server_port(), test_support::tcp_relay::stall_after(stall_after, connections_up_to_the_package, [&] {
          std::call_once(first_stall, [&] {
            if (while_stalled) while_stalled();
            const bool set = folder.set_stop_event();
            const std::lock_guard lock(mutex);
            if (set) event_set = std::chrono::steady_clock::now();
          });
        }));
    run_runner(folder.https_task(relay.port()));
    exited = std::chrono::steady_clock::now();
  }
  const std::lock_guard lock(mutex);
  if (!event_set) return std::nullopt;
  return exited - *event_set;
}

}  // namespace wine_e2e
