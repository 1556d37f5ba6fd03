#include "updater_lib/details/https/cancellation_watcher.h"

#include <Poco/Exception.h>

#include <algorithm>
#include <chrono>
#include <exception>

#include "common/sync_helpers.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"

namespace updater::details {

namespace {

// 0xFFFFFFFF milliseconds wait without a limit.
constexpr std::chrono::milliseconds max_wait(0xFFFFFFFF);
constexpr uint32_t reabort_period_ms = 50;

}  // namespace

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

bool https_session_slot::publish(std::shared_ptr<Poco::Net::HTTPSession> session) {
  std::lock_guard lock(mutex_);
  if (aborted_) return false;
  session_ = std::move(session);
  return true;
}

void https_session_slot::abort() {
  std::lock_guard lock(mutex_);
  aborted_ = true;
  if (!session_) {
    FW_LOG(cpplogger::level_trace) << "No session was found";
    return;
  }
  FW_LOG(cpplogger::level_trace) << "Aborting HTTPS session...";
  abort_again_locked();
}

void https_session_slot::abort_again() {
  std::lock_guard lock(mutex_);
  if (session_) abort_again_locked();
}

void https_session_slot::abort_again_locked() {
  // Shuts the connection down without touching the TLS state that the download thread
  // may be reading through at this moment. A session not connected (or already closed)
  // has nothing to shut down.
  try {
    session_->abort();
  } catch (const Poco::Exception&) {
  }
}

cancellation_watcher_thread::watcher_function make_session_abort_watcher(const download_deadline& deadline,
                                                                         https_session_slot& session,
                                                                         const cancellation_token& token) {
  return [&deadline, &session, &token](common::handle_holder& stop_event) {
    FW_LOG_SCOPE();
    bool stopped = false;
    try {
      stopped = token.wait(stop_event, std::min(deadline.remaining(), max_wait));
      if (!stopped) FW_LOG(cpplogger::level_trace) << "The download's time is up";
    } catch (const std::exception& e) {
      FW_LOG(cpplogger::level_debug) << "Waiting was finished. Error: " << e.what();
    }
    session.abort();
    // A session published just before the abort may have been connecting; its blocking
    // handshake or read is cut when the next round finds it connected.
    while (!stopped && !sync_helpers::wait(stop_event.get(), reabort_period_ms)) session.abort_again();
  };
}

}  // namespace updater::details
