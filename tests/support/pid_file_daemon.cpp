#include "support/pid_file_daemon.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

namespace test_support {

pid_file_daemon::~pid_file_daemon() {
  std::ifstream file(pid_file_);
  pid_t pid = 0;
  if (!(file >> pid) || pid <= 0) return;
  // A pidfd becomes readable when the process ends: waiting without polling for a
  // process that is not our child.
  // (Through syscall: the C library's sys/pidfd.h of Debian 12 lacks C linkage.)
  const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (process < 0) return;
  if (syscall(SYS_pidfd_send_signal, process, SIGTERM, nullptr, 0) == 0) {
    pollfd ended{process, POLLIN, 0};
    poll(&ended, 1, 20000);
  }
  close(process);
}

}  // namespace test_support
