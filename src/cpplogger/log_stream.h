#pragma once
// A log record composed with <<; its text is logged at its level when the record is
// destroyed, unless it is empty.
//
//   FW_LOG(cpplogger::level_trace) << "Downloaded " << bytes << " bytes";
#include <cstdint>

#include "common/u16_stream.h"
#include "cpplogger/levels.h"
#include "cpplogger/logger.h"

namespace cpplogger {

class log_stream {
 public:
  explicit log_stream(int32_t level) : level_(level) {}
  ~log_stream();
  log_stream(const log_stream&) = delete;
  log_stream& operator=(const log_stream&) = delete;

  template <typename T>
  log_stream& operator<<(const T& value) {
    text_ << value;
    return *this;
  }

 private:
  int32_t level_;
  common::u16_stream text_;
};

}  // namespace cpplogger

#define FW_LOG(level) ::cpplogger::log_stream(level)
