#include "common/winapi/proxy/system_proxy_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

using ending = child_call_result::ending;

bool write_all(int descriptor, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    written += static_cast<size_t>(count);
  }
  return true;
}

// Standard output and error belong to the worker's caller, so the child never writes there.
bool silence_standard_handles() {
  const int null_device = ::open("/dev/null", O_RDWR);
  if (null_device < 0) return false;
  for (int handle = STDIN_FILENO; handle <= STDERR_FILENO; ++handle) {
    if (::dup2(null_device, handle) < 0) return false;
  }
  if (null_device > STDERR_FILENO) ::close(null_device);
  return true;
}

// _exit: the parent's atexit handlers and static objects are not the child's to run.
[[noreturn]] void run_child(const std::function<std::optional<std::string>()>& call, int write_end) {
  int status = 1;
  try {
    if (silence_standard_handles()) {
      const std::optional<std::string> answer = call();
      if (answer && write_all(write_end, *answer)) status = 0;
    }
  } catch (...) {
  }
  ::_exit(status);
}

enum class reading { complete, expired, broken };

reading read_until_end(int read_end, std::chrono::steady_clock::time_point deadline, std::string& answer) {
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd watched{read_end, POLLIN, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return reading::broken;
    if (ready == 0) return reading::expired;
    const ssize_t count = ::read(read_end, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return reading::broken;
    if (count == 0) return reading::complete;
    answer.append(buffer, static_cast<size_t>(count));
  }
}

void reap(pid_t child, int& status) {
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

child_call_result call_in_child(const std::function<std::optional<std::string>()>& call,
                                std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    set_last_error_from_errno();
    return {};
  }
  const pid_t child = ::fork();
  if (child < 0) {
    set_last_error_from_errno();
    ::close(ends[0]);
    ::close(ends[1]);
    return {};
  }
  if (child == 0) {
    ::close(ends[0]);
    run_child(call, ends[1]);
  }
  ::close(ends[1]);
  child_call_result result;
  const reading outcome = read_until_end(ends[0], deadline, result.answer);
  ::close(ends[0]);
  if (outcome != reading::complete) ::kill(child, SIGKILL);
  int status = 0;
  reap(child, status);
  if (outcome == reading::expired) {
    result.how = ending::timed_out;
  } else if (outcome == reading::complete && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    result.how = ending::answered;
  } else {
    result.how = ending::no_answer;
  }
  if (result.how != ending::answered) result.answer.clear();
  return result;
}

}  // namespace winapi
