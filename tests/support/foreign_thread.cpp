#include "support/foreign_thread.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace test_support {

foreign_thread::foreign_thread() {
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
  if (child == 0) {
    for (;;) ::pause();
  }
  // A process's main thread has the process id as its thread id.
  id_ = static_cast<uint32_t>(child);
  process_ = static_cast<uintptr_t>(child);
}

foreign_thread::~foreign_thread() {
  const auto child = static_cast<pid_t>(process_);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

}  // namespace test_support
