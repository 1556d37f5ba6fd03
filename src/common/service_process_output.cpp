#include <algorithm>

#include "common/service_process.h"

namespace service_process {

void worker_process::observe_standard_output(std::string_view chunk) {
  if (first_output_line_ended_) return;
  const size_t end = std::min(chunk.find_first_of("\r\n"), head_limit - first_output_line_.size());
  first_output_line_.append(chunk.substr(0, end));
  first_output_line_ended_ = end < chunk.size();
}

void worker_process::observe_standard_error(std::string_view chunk) {
  last_error_byte_ = chunk.back();
  error_head_.append(chunk.substr(0, head_limit - error_head_.size()));
}

}  // namespace service_process
