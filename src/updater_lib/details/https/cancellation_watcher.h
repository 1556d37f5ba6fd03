#pragma once
// A blocked HTTPS read cannot look at the cancellation token, so while one proxy variant
// is downloaded a second thread waits for the stop event or the end of the download's
// time and aborts the connection in use (probe, proxy tunnel, handshake, request or
// body), which makes the blocked call fail at once. Stopping the watcher wakes it too;
// it then aborts a connection that is no longer used.
#include <Poco/Net/HTTPSession.h>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "common/handle_holder.h"
#include "updater_lib/details/https/body_transfer.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace updater::details {

// The connection of the running download, published by the download thread before each
// blocking use and aborted by the watcher. Once aborted the slot stays so: every later
// connection is refused, so nothing started after the stop or the deadline can block.
class https_session_slot {
 public:
  // False when the slot has been aborted: the caller must not use the session.
  bool publish(std::shared_ptr<Poco::Net::HTTPSession> session);
  // Aborts the published session and refuses later ones; logs what it found.
  void abort();
  // Aborts the published session again, without logging: one the watcher met before it
  // had connected is connected now.
  void abort_again();

 private:
  void abort_again_locked();

  std::mutex mutex_;
  std::shared_ptr<Poco::Net::HTTPSession> session_;  // guarded by mutex_
  bool aborted_ = false;                             // guarded by mutex_
};

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

// Waits for the first of the token's event, the stop event and the deadline, then aborts
// the slot, and keeps aborting what it holds until the stop event is set.
cancellation_watcher_thread::watcher_function make_session_abort_watcher(const download_deadline& deadline,
                                                                         https_session_slot& session,
                                                                         const cancellation_token& token);

}  // namespace updater::details
