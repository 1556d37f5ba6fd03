#pragma once
// A blocked HTTPS read cannot look at the cancellation token, so while one proxy variant
// is downloaded a second thread waits for the stop event and aborts the session in use,
// which makes the blocked read fail at once. Stopping the watcher wakes it too; it then
// aborts a session that is no longer used.
#include <Poco/Net/HTTPSClientSession.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "common/handle_holder.h"
#include "updater_lib/details/parameters/updater_parameters.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace updater::details {

// The session of the running download: stored by the download thread, loaded by the
// watcher. Loading keeps the session alive while it is aborted.
using https_session_slot = std::atomic<std::shared_ptr<Poco::Net::HTTPSClientSession>>;

class cancellation_watcher_thread {
 public:
  using watcher_function = std::function<void(common::handle_holder& stop_event)>;

  // Creates the stop event, then starts the thread that runs the function with it.
  explicit cancellation_watcher_thread(watcher_function function);
  // Stops the watcher; a watcher that cannot be joined ends the process.
  ~cancellation_watcher_thread();
  cancellation_watcher_thread(const cancellation_watcher_thread&) = delete;
  cancellation_watcher_thread& operator=(const cancellation_watcher_thread&) = delete;

  // Signals the stop event and joins the thread; later calls do nothing.
  void stop();

 private:
  common::handle_holder stop_event_;
  std::thread thread_;
};

// Waits for the first of the token's event and the stop event, then aborts the session
// found in the slot, once.
cancellation_watcher_thread::watcher_function make_session_abort_watcher(const https_parameters& parameters,
                                                                         https_session_slot& session,
                                                                         const cancellation_token& token);

}  // namespace updater::details
