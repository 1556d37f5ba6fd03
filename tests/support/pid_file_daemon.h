#pragma once
// A server that a test's commands started as a daemon (nginx -c FILE): it is no child of
// the test, so it is found through the pid file it writes and stopped with the object.
#include <filesystem>

namespace test_support {

class pid_file_daemon {
 public:
  explicit pid_file_daemon(std::filesystem::path pid_file) : pid_file_(std::move(pid_file)) {}
  // Sends SIGTERM to the pid in the file, when there is one, and waits up to 20 seconds
  // for that process to end.
  ~pid_file_daemon();
  pid_file_daemon(const pid_file_daemon&) = delete;
  pid_file_daemon& operator=(const pid_file_daemon&) = delete;

 private:
  std::filesystem::path pid_file_;
};

}  // namespace test_support
