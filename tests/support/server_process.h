#pragma once
// A server program run as a child process for the length of a test: started, waited for
// until it accepts connections on its loopback port, and stopped with the object.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

class server_process {
 public:
  // Starts program (a name is looked up in PATH and the sbin folders) with its standard
  // output and error appended to output_file, and returns once 127.0.0.1:port accepts a
  // connection. Raises std::runtime_error with the contents of output_file when the
  // program ends first or does not listen within 20 seconds.
  server_process(const std::string& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& output_file, uint16_t port);
  // Ends the program (SIGTERM) and waits for it.
  ~server_process();
  server_process(const server_process&) = delete;
  server_process& operator=(const server_process&) = delete;

 private:
  void stop() noexcept;
  [[noreturn]] void fail(const std::string& reason);

  std::string name_;
  std::filesystem::path output_file_;
  pid_t pid_ = -1;
};

}  // namespace test_support
