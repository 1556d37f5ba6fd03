#include "support/log_capture.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "cpplogger/details/instance_holder.h"

namespace test_support {

class log_capture::recorder final : public cpplogger::details::logger_interface {
 public:
  void start(const std::u16string&, const std::u16string&, const std::u16string&, const std::u16string&, bool,
             cpplogger::details::on_change_callback) override {}
  void stop_watching() override {}
  void reload_settings() override {}
  cpplogger::logger_settings get_settings() const override {
    cpplogger::logger_settings settings;
    settings.use_developer_log = true;
    return settings;
  }
  std::u16string get_config_file_path() const override { return {}; }
  std::u16string get_logs_directory() const override { return {}; }
  std::u16string get_log_base_name() const override { return {}; }
  bool is_watching() const override { return false; }
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
