#pragma once
// An anonymous pipe, as the service hands the worker its parameter text.
#include <cstdint>

#include "common/handle_holder.h"

namespace test_support {

struct anonymous_pipe {
  common::handle_holder reader;
  common::handle_holder writer;
};

// A new pipe that takes at least capacity bytes (0: the system's default) before a write
// waits; throws when the system cannot make one that large.
anonymous_pipe make_anonymous_pipe(uint32_t capacity = 0);

}  // namespace test_support
