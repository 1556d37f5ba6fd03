#include "support/server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/free_port.h"

extern char** environ;

namespace test_support {

namespace {

// Servers live in sbin folders, which a normal user's PATH often lacks.
std::filesystem::path find_program(const std::string& name) {
  std::string folders = std::getenv("PATH") ? std::getenv("PATH") : "";
  folders += ":/usr/local/sbin:/usr/sbin:/sbin";
  std::istringstream list(folders);
  for (std::string folder; std::getline(list, folder, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / name;
    if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  throw std::runtime_error(name + " is not installed (scripts/install-deps.sh installs it)");
}

std::string read_all(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class spawn_actions {
 public:
  explicit spawn_actions(const std::filesystem::path& output_file) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, output_file.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO);
    // Descriptors of the test process (sockets of other servers) stay out of the child.
    posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
  }
  ~spawn_actions() { posix_spawn_file_actions_destroy(&actions_); }
  spawn_actions(const spawn_actions&) = delete;
  spawn_actions& operator=(const spawn_actions&) = delete;
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

server_process::server_process(const std::string& program, const std::vector<std::string>& arguments,
                               const std::filesystem::path& output_file, uint16_t port)
    : name_(program), output_file_(output_file) {
  const std::filesystem::path path = find_program(program);
  std::vector<std::string> texts{path.string()};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  const spawn_actions actions(output_file);
  if (const int error = ::posix_spawn(&pid_, path.c_str(), actions.get(), nullptr, argv.data(), environ); error != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + path.string() + ": " + std::strerror(error));
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!accepts_connections(port)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      fail(WIFEXITED(status) ? "ended with exit code " + std::to_string(WEXITSTATUS(status))
                             : "ended by signal " + std::to_string(WTERMSIG(status)));
    }
    if (std::chrono::steady_clock::now() > deadline) fail("does not listen on port " + std::to_string(port));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

server_process::~server_process() { stop(); }

void server_process::stop() noexcept {
  if (pid_ < 0) return;
  ::kill(pid_, SIGTERM);
  while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

void server_process::fail(const std::string& reason) {
  stop();
  throw std::runtime_error(name_ + " " + reason + ":\n" + read_all(output_file_));
}

}  // namespace test_support
