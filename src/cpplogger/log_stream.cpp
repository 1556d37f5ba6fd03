#include "cpplogger/log_stream.h"

#include "common/call_or_terminate.h"

namespace cpplogger {

log_stream::~log_stream() {
  if (text_.empty()) return;
  common::call_or_terminate([&] { log(level_, text_.str()); });
}

}  // namespace cpplogger
