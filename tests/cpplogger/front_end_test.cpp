// The logging call, line layout, scope timer and stream record.
#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>

#include "common/path_helpers.h"
#include "common/text.h"
#include "cpplogger/details/fake_impl.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "cpplogger/logger.h"
#include "cpplogger/message.h"
#include "logger_test_support.h"
#include "support/log_capture.h"

namespace {

using namespace logger_tests;

std::string layout(const cpplogger::message& record, bool with_thread_id, bool align) {
  return common::utf16_to_utf8(cpplogger::format_message(record, with_thread_id, align));
}

TEST(line_layout_test, date_thread_level_and_indented_text) {
  EXPECT_EQ(layout(make_record(cpplogger::level_info, u"Lang_id_hex = 0x419", 1), true, true),
            "2016/05/04 13:07:21 4242 INFO     Lang_id_hex = 0x419");
  EXPECT_EQ(layout(make_record(cpplogger::level_info, u"text", 0), false, true), "2016/05/04 13:07:21 INFO text");
  EXPECT_EQ(layout(make_record(17, u"odd", 2), true, false), "2016/05/04 13:07:21 4242 UNKNOWN         odd");
}

TEST(line_layout_test, continuations_start_under_the_text_when_aligned) {
  const auto record = make_record(cpplogger::level_warn, u"one\ntwo\nthree", 1);
  const std::string prefix = "2016/05/04 13:07:21 4242 WARN     ";
  const std::string pad(prefix.size(), ' ');
  EXPECT_EQ(layout(record, true, true), prefix + "one\n" + pad + "two\n" + pad + "three");
  EXPECT_EQ(layout(record, true, false), prefix + "one\ntwo\nthree");
}

TEST(elapsed_text_test, picks_the_largest_unit_below_its_limit) {
  EXPECT_EQ(cpplogger::elapsed_text(0), u"0 microsec");
  EXPECT_EQ(cpplogger::elapsed_text(9'990), u"999 microsec");
  EXPECT_EQ(cpplogger::elapsed_text(10'000), u"1 ms");
  EXPECT_EQ(cpplogger::elapsed_text(599'990'000), u"59 sec");
  EXPECT_EQ(cpplogger::elapsed_text(600'000'000), u"1 min, 0 sec");
  EXPECT_EQ(cpplogger::elapsed_text(1'250'000'000), u"2 min, 5 sec");
}

}  // namespace

// Named, so that scope lines carry a predictable function name.
namespace scope_samples {

void inner() {
  FW_LOG_SCOPE();
  FW_LOG(cpplogger::level_trace) << "inside " << 2;
}

void outer() {
  FW_LOG_SCOPE();
  inner();
}

void throws_inside_scope() {
  FW_LOG_SCOPE();
  throw std::runtime_error("failed");
}

struct logs_while_unwinding {
  ~logs_while_unwinding() { FW_LOG_SCOPE(); }
};

struct callable {
  void operator()(int) const { FW_LOG_SCOPE(); }
};

template <typename T>
void templated(T) {
  FW_LOG_SCOPE();
}

}  // namespace scope_samples

namespace {

using namespace scope_samples;

TEST(log_scope_test, nested_scopes_indent_and_entry_and_exit_line_up) {
  test_support::log_capture capture;
  outer();
  const auto records = capture.records();
  ASSERT_EQ(records.size(), 5u);
  std::vector<std::string> lines;
  for (auto record : records) {
    record.time = fixed_ticks;
    record.thread_id = 1;
    lines.push_back(layout(record, true, true));
  }
  EXPECT_TRUE(lines[0].starts_with(
      "2016/05/04 13:07:21 1 DEBUG ---> scope_samples::outer, file: tests/cpplogger/front_end_test.cpp"));
  EXPECT_TRUE(lines[1].starts_with("2016/05/04 13:07:21 1 DEBUG     ---> scope_samples::inner, file: "));
  EXPECT_EQ(lines[2], "2016/05/04 13:07:21 1 TRACE         inside 2");
  EXPECT_TRUE(lines[3].starts_with("2016/05/04 13:07:21 1 DEBUG     <--- scope_samples::inner, elapsed: "));
  EXPECT_TRUE(lines[4].starts_with("2016/05/04 13:07:21 1 DEBUG <--- scope_samples::outer, elapsed: "));
  // A loaded machine may stretch the scope to seconds; the form of the text is what counts.
  EXPECT_TRUE(std::regex_search(lines[4], std::regex(R"(, elapsed: (\d+ (microsec|ms|sec)|\d+ min, \d+ sec)$)")))
      << lines[4];
  EXPECT_EQ(cpplogger::details::thread_scope_depth(), 0);
}

TEST(log_scope_test, exceptions_mark_the_exit_and_scopes_entered_during_unwinding) {
  test_support::log_capture capture;
  try {
    logs_while_unwinding guard;
    throws_inside_scope();
  } catch (const std::runtime_error&) {
  }
  const auto records = capture.records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_TRUE(records[0].text.starts_with(u"---> scope_samples::throws_inside_scope"));
  EXPECT_TRUE(records[1].text.starts_with(u"<exc scope_samples::throws_inside_scope, elapsed: "));
  EXPECT_TRUE(records[2].text.starts_with(u"exc> scope_samples::logs_while_unwinding::~logs_while_unwinding"));
  // Entered and left within the same unwinding, so its own exit is a normal one.
  EXPECT_TRUE(records[3].text.starts_with(u"<--- scope_samples::logs_while_unwinding::~logs_while_unwinding"));
  EXPECT_EQ(records[1].depth, 0);
  EXPECT_EQ(cpplogger::details::thread_scope_depth(), 0);
}

TEST(log_scope_test, names_call_operators_and_templates_by_their_qualified_names) {
  test_support::log_capture capture;
  callable{}(1);
  templated(2.5);
  const auto records = capture.records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_TRUE(records[0].text.starts_with(u"---> scope_samples::callable::operator(), file: "));
  EXPECT_TRUE(records[1].text.starts_with(u"<--- scope_samples::callable::operator(), elapsed: "));
  EXPECT_TRUE(records[2].text.starts_with(u"---> scope_samples::templated, file: "));
}

TEST(log_stream_test, an_empty_record_writes_nothing) {
  test_support::log_capture capture;
  { FW_LOG(cpplogger::level_info); }
  { FW_LOG(cpplogger::level_info) << ""; }
  EXPECT_TRUE(capture.records().empty());
  FW_LOG(cpplogger::level_error) << u"wide " << std::string("caf\xc3\xa9") << ' ' << -5;
  ASSERT_EQ(capture.records().size(), 1u);
  EXPECT_EQ(capture.records()[0].text, u"wide caf\u00e9 -5");
  EXPECT_EQ(capture.records()[0].level, cpplogger::level_error);
}

TEST(log_stream_test, narrow_text_that_is_not_utf8_is_kept_byte_for_byte) {
  test_support::log_capture capture;
  EXPECT_NO_THROW(FW_LOG(cpplogger::level_warn) << "reason: " << std::string("bad \xff byte") << ' ' << '\xe9');
  ASSERT_EQ(capture.records().size(), 1u);
  EXPECT_EQ(capture.records()[0].text, u"reason: bad \u00ff byte \u00e9");
}

TEST(stand_by_logger_test, logs_nothing_to_files_and_keeps_its_names) {
  auto stand_by = std::make_shared<cpplogger::details::fake_impl>();
  installed_logger installed(stand_by);
  stand_by->start(u"/configs", u"logger.xml", u"/logs", u"worker", true, {});
  cpplogger::log(cpplogger::level_fatal, u"goes nowhere");
  EXPECT_EQ(cpplogger::get_settings(), cpplogger::logger_settings{});
  EXPECT_EQ(cpplogger::get_logs_directory(), u"/logs");
  EXPECT_EQ(cpplogger::get_log_base_name(), u"worker");
  EXPECT_EQ(stand_by->get_config_file_path(), path_helpers::join_path(u"/configs", u"logger.xml"));

  const debug_output output;
  stand_by->write(make_record(cpplogger::level_info, u"a\nb"));
  EXPECT_EQ(output.text(), "2016/05/04 13:07:21 4242 INFO a\n                              b\n");
}

}  // namespace
