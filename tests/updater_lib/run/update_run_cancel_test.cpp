// Cancellation reaching the run at each of its pulls: the stop event is set from the
// run's own thread at the moment a given record is logged, so each case hits exactly
// one checkpoint.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/handle_holder.h"
#include "common/u16_stream.h"
#include "common/winapi/sync/events.h"
#include "cpplogger/details/instance_holder.h"
#include "support/writing_logger.h"
#include "updater_lib/run/update_run_fixture.h"

namespace {

using test_support::has_part_file;
using test_support::list_names;
using test_support::write_text;
using names = std::vector<std::string>;

constexpr char release[] = "2016-05-17T09:30:00Z";

// Sets the stop event when the first record starting with trigger is logged.
class stop_on_record final : public test_support::writing_logger {
 public:
  stop_on_record(std::u16string trigger, winapi::handle_t stop_event)
      : trigger_(std::move(trigger)), stop_event_(stop_event) {}

  void write(const cpplogger::message& record) override {
    if (fired_ || !record.text.starts_with(trigger_)) return;
    fired_ = true;
    EXPECT_TRUE(winapi::set_event(stop_event_));
  }

  bool fired() const { return fired_; }

 private:
  std::u16string trigger_;
  winapi::handle_t stop_event_;
  bool fired_ = false;
};

// Puts a logger in place of the process-wide instance for its lifetime.
class installed_logger {
 public:
  explicit installed_logger(std::shared_ptr<cpplogger::details::logger_interface> logger) {
    std::unique_lock lock(cpplogger::details::holder.holder_lock);
    previous_ = std::exchange(cpplogger::details::holder.instance, std::move(logger));
  }
  ~installed_logger() {
    std::unique_lock lock(cpplogger::details::holder.holder_lock);
    cpplogger::details::holder.instance = previous_;
  }

 private:
  std::shared_ptr<cpplogger::details::logger_interface> previous_;
};

class UpdateRunCancel : public test_support::update_run_fixture {
 protected:
  UpdateRunCancel() {
    write_info2("antivirus", release, "base.upd", "utils.upd");
    write_text(source() / "info.txt", "old description");
    write_source_package("base.upd");
    write_text(utils_source() / "utils.upd", "utility bytes");
    write_text(destination() / "base.upd", "previous bases");
    switch_to_server_mode();
  }

  // Runs the update with the stop event set at the first record starting with trigger.
  updater::update_result run_stopping_at(const std::u16string& trigger) {
    const common::handle_holder event(
        winapi::open_event(winapi::event_modify_state | winapi::synchronize, parameters_.stop_event_name));
    EXPECT_TRUE(event.valid());
    const auto hook = std::make_shared<stop_on_record>(trigger, event.get());
    const installed_logger installed(hook);
    const updater::update_result result = run();
    EXPECT_TRUE(hook->fired()) << "no record starts with the trigger";
    return result;
  }

  void expect_canceled_and_untouched(const updater::update_result& result) const {
    EXPECT_EQ(result.code, -3);
    EXPECT_TRUE(result.lines.empty());
    EXPECT_EQ(list_names(destination()), names{"base.upd"});
    EXPECT_EQ(test_support::read_text(destination() / "base.upd"), "previous bases");
    EXPECT_TRUE(list_names(utils_destination()).empty());
  }
};

TEST_F(UpdateRunCancel, AtTheInfoTxtPull) {
  const auto result = run_stopping_at(u"<--- updater::is_up_to_date");
  expect_canceled_and_untouched(result);
}

TEST_F(UpdateRunCancel, AtThePackagePullAfterBothDescriptionsArrived) {
  const auto result = run_stopping_at(common::concat(u"Copying file: ", (source() / "info.txt").u16string()));
  expect_canceled_and_untouched(result);
}

TEST_F(UpdateRunCancel, AtTheUtilityPullAfterThePackageWasVerified) {
  const auto result = run_stopping_at(common::concat(u"Update files source directory: ", utils_source().u16string()));
  expect_canceled_and_untouched(result);
}

TEST_F(UpdateRunCancel, NotConsultedAfterTheLastPull) {
  const auto result = run_stopping_at(common::concat(u"Copying file: ", (utils_source() / "utils.upd").u16string()));
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(list_names(destination()), names{"base.upd"});
  EXPECT_EQ(test_support::read_text(destination() / "base.upd"), test_support::read_text(source() / "base.upd"));
  EXPECT_EQ(list_names(utils_destination()), names{"utils.upd"});
  EXPECT_FALSE(has_part_file(destination()));
}

}  // namespace
