#include "support/anonymous_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

anonymous_pipe make_anonymous_pipe(uint32_t capacity) {
  int ends[2] = {-1, -1};
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  anonymous_pipe made{common::handle_holder(ends[0]), common::handle_holder(ends[1])};
  if (capacity > 0 && ::fcntl(ends[0], F_SETPIPE_SZ, static_cast<int>(capacity)) < static_cast<int>(capacity)) {
    throw std::runtime_error("F_SETPIPE_SZ failed");
  }
  return made;
}

}  // namespace test_support
