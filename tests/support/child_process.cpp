#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace test_support {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

class descriptor {
 public:
  explicit descriptor(int value = -1) : value_(value) {}
  ~descriptor() { reset(); }
  descriptor(const descriptor&) = delete;
  descriptor& operator=(const descriptor&) = delete;
  int get() const { return value_; }
  void reset(int value = -1) {
    if (value_ >= 0) ::close(value_);
    value_ = value;
  }

 private:
  int value_;
};

struct pipe_pair {
  descriptor read_end;
  descriptor write_end;
};

void make_pipe(pipe_pair& pipe) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) fail("pipe2");
  pipe.read_end.reset(ends[0]);
  pipe.write_end.reset(ends[1]);
}

// The whole input sits in the pipe before the child starts, as the service does it.
void preload(pipe_pair& pipe, const std::string& bytes) {
  if (bytes.size() > 65536 && ::fcntl(pipe.write_end.get(), F_SETPIPE_SZ, static_cast<int>(bytes.size())) < 0) {
    fail("the input does not fit into a pipe");
  }
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(pipe.write_end.get(), bytes.data() + written, bytes.size() - written);
    if (count < 0) fail("write to the input pipe");
    written += static_cast<size_t>(count);
  }
  pipe.write_end.reset();
}

std::vector<std::string> make_environment(const std::map<std::string, std::optional<std::string>>& overrides) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!overrides.contains(text.substr(0, text.find('=')))) entries.push_back(text);
  }
  for (const auto& [name, value] : overrides) {
    if (value) entries.push_back(name + "=" + *value);
  }
  return entries;
}

std::vector<char*> pointers_to(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void exec_child(int input, int output, int error, int exec_report, char** argv, char** envp) {
  // The service starts its workers with default signal handling, whatever this process
  // ignores.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &default_action, nullptr);
  if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 || ::dup2(error, STDERR_FILENO) < 0) {
    const int failure = errno;
    (void)!::write(exec_report, &failure, sizeof failure);
    ::_exit(127);
  }
  ::execve(argv[0], argv, envp);
  const int failure = errno;
  (void)!::write(exec_report, &failure, sizeof failure);
  ::_exit(127);
}

void drain(int output, int error, std::string& output_text, std::string& error_text, pid_t child,
           std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd fds[2] = {{output, POLLIN, 0}, {error, POLLIN, 0}};
  std::string* texts[2] = {&output_text, &error_text};
  int open_count = (output >= 0) + (error >= 0);
  while (open_count > 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(child, SIGKILL);
      break;
    }
    const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) fail("poll");
    for (int i = 0; i < 2 && ready > 0; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t count = ::read(fds[i].fd, buffer, sizeof buffer);
      if (count > 0) {
        texts[i]->append(buffer, static_cast<size_t>(count));
      } else if (count == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

}  // namespace

child_result run_child(const std::filesystem::path& program, const child_options& options) {
  pipe_pair input, output, error, exec_report;
  descriptor input_file;
  if (options.stdin_file) {
    input_file.reset(::open(options.stdin_file->c_str(), O_RDONLY | O_CLOEXEC));
    if (input_file.get() < 0) fail("open " + options.stdin_file->string());
  } else {
    make_pipe(input);
    preload(input, options.stdin_bytes);
  }
  make_pipe(output);
  if (options.stdout_reader_gone) output.read_end.reset();
  make_pipe(error);
  make_pipe(exec_report);

  std::vector<std::string> argument_texts{program.string()};
  argument_texts.insert(argument_texts.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> environment_texts = make_environment(options.environment);
  std::vector<char*> argv = pointers_to(argument_texts);
  std::vector<char*> envp = pointers_to(environment_texts);

  const pid_t child = ::fork();
  if (child < 0) fail("fork");
  if (child == 0) {
    exec_child(options.stdin_file ? input_file.get() : input.read_end.get(), output.write_end.get(),
               error.write_end.get(), exec_report.write_end.get(), argv.data(), envp.data());
  }
  input.read_end.reset();
  output.write_end.reset();
  error.write_end.reset();
  exec_report.write_end.reset();

  child_result result;
  drain(output.read_end.get(), error.read_end.get(), result.stdout_text, result.stderr_text, child, options.timeout);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) fail("waitpid");
  }
  int exec_failure = 0;
  if (::read(exec_report.read_end.get(), &exec_failure, sizeof exec_failure) == sizeof exec_failure) {
    errno = exec_failure;
    fail("exec " + program.string());
  }
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace test_support
