#pragma once
// A thread of another process: a child that does nothing until it is ended.
#include <cstdint>

namespace test_support {

class foreign_thread {
 public:
  // Raises std::runtime_error when the child cannot be started.
  foreign_thread();
  // Ends the child and waits for it.
  ~foreign_thread();
  foreign_thread(const foreign_thread&) = delete;
  foreign_thread& operator=(const foreign_thread&) = delete;

  // The child's main thread, as the system numbers threads (winapi::current_thread_id).
  uint32_t id() const { return id_; }

 private:
  uint32_t id_ = 0;
  uintptr_t process_ = 0;  // the child's pid (Linux) or process handle (Windows)
};

}  // namespace test_support
