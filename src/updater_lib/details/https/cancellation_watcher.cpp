#include "updater_lib/details/https/cancellation_watcher.h"

#include <chrono>
#include <exception>

#include "common/sync_helpers.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"

namespace updater::details {

cancellation_watcher_thread::cancellation_watcher_thread(watcher_function function)
    : stop_event_(sync_helpers::create_basic_manual_reset_event()) {
  thread_ = std::thread([this, function = std::move(function)] {
    try {
      if (!function) throw std::bad_function_call();
      function(stop_event_);
    } catch (const std::exception& e) {
      FW_LOG(cpplogger::level_debug) << "An exception was caught inside cancellation_watcher_thread: " << e.what();
    }
  });
}

cancellation_watcher_thread::~cancellation_watcher_thread() { stop(); }

void cancellation_watcher_thread::stop() {
  if (!thread_.joinable()) return;
  FW_LOG(cpplogger::level_debug) << "Waiting stopping work thread...";
  sync_helpers::set_event(stop_event_);
  thread_.join();
}

cancellation_watcher_thread::watcher_function make_session_abort_watcher(const https_parameters& parameters,
                                                                         https_session_slot& session,
                                                                         const cancellation_token& token) {
  return [&parameters, &session, &token](common::handle_holder& stop_event) {
    FW_LOG_SCOPE();
    try {
      token.wait(stop_event, std::chrono::seconds(parameters.file_download_timeout_sec));
    } catch (const std::exception& e) {
      FW_LOG(cpplogger::level_debug) << "Waiting was finished. Error: " << e.what();
    }
    const std::shared_ptr<Poco::Net::HTTPSClientSession> current = session.load();
    if (!current) {
      FW_LOG(cpplogger::level_trace) << "No session was found";
      return;
    }
    FW_LOG(cpplogger::level_trace) << "Aborting HTTPS session...";
    // Shuts the connection down without touching the TLS state that the download
    // thread may be reading through at this moment.
    current->abort();
  };
}

}  // namespace updater::details
