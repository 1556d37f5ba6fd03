#include "support/standard_input_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/handle_holder.h"

namespace test_support {

standard_input_replacement::standard_input_replacement(winapi::handle_t replacement)
    : saved_(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3)) {
  if (common::is_no_handle(replacement)) {
    ::close(STDIN_FILENO);
  } else {
    ::dup2(static_cast<int>(replacement), STDIN_FILENO);
  }
}

standard_input_replacement::~standard_input_replacement() {
  if (saved_ >= 0) {
    ::dup2(static_cast<int>(saved_), STDIN_FILENO);
    ::close(static_cast<int>(saved_));
  } else {
    ::close(STDIN_FILENO);
  }
}

}  // namespace test_support
