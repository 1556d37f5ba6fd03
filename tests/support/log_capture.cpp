#include "support/log_capture.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "cpplogger/details/instance_holder.h"
#include "support/writing_logger.h"

namespace test_support {

class log_capture::recorder final : public writing_logger {
 public:
  void write(const cpplogger::message& record) override {
    std::lock_guard lock(mutex);
    records.push_back(record);
  }

  mutable std::mutex mutex;
  std::vector<cpplogger::message> records;
};

log_capture::log_capture() : recorder_(std::make_shared<recorder>()) {
  auto& holder = cpplogger::details::holder;
  std::unique_lock lock(holder.holder_lock);
  previous_ = std::exchange(holder.instance, recorder_);
}

log_capture::~log_capture() {
  auto& holder = cpplogger::details::holder;
  std::unique_lock lock(holder.holder_lock);
  holder.instance = previous_;
}

std::vector<cpplogger::message> log_capture::records() const {
  std::lock_guard lock(recorder_->mutex);
  return recorder_->records;
}

namespace {
template <typename Predicate>
bool any_record(const std::vector<cpplogger::message>& records, Predicate predicate) {
  return std::any_of(records.begin(), records.end(), [&](const cpplogger::message& m) { return predicate(m.text); });
}
}  // namespace

bool log_capture::contains(std::u16string_view text) const {
  return any_record(records(), [&](const std::u16string& t) { return t == text; });
}

bool log_capture::contains_prefix(std::u16string_view prefix) const {
  return any_record(records(), [&](const std::u16string& t) { return t.starts_with(prefix); });
}

bool log_capture::contains_substring(std::u16string_view part) const {
  return any_record(records(), [&](const std::u16string& t) { return t.find(part) != std::u16string::npos; });
}

}  // namespace test_support
