// One thread's history buffer: the cost of a record, eviction within the budget, the
// substitute for a record too big to keep, and the idle test the purge relies on.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "cpplogger/details/thread_history_buffer.h"
#include "cpplogger/levels.h"
#include "logger_test_support.h"

namespace {

using cpplogger::details::thread_history_buffer;
using logger_tests::make_record;

constexpr uint32_t smallest_budget = 524'288;
constexpr uint32_t default_budget = 1'048'576;

// A record whose cost is exactly `cost` bytes (an even number of at least 50).
cpplogger::message record_costing(uint32_t cost, char16_t fill) {
  return make_record(cpplogger::level_info, std::u16string((cost - 48) / 2, fill));
}

std::vector<std::u16string> texts_of(thread_history_buffer& buffer) {
  std::vector<std::u16string> texts;
  for (const auto& record : buffer.take_records()) texts.push_back(record.text);
  return texts;
}

struct cost_case {
  size_t length;
  uint32_t cost;
};

class history_cost : public ::testing::TestWithParam<cost_case> {};

TEST_P(history_cost, is_two_bytes_per_code_unit_plus_48) {
  EXPECT_EQ(thread_history_buffer::cost_of(std::u16string(GetParam().length, u'x')), GetParam().cost);
}

INSTANTIATE_TEST_SUITE_P(lengths, history_cost,
                         ::testing::Values(cost_case{0, 48}, cost_case{1, 50}, cost_case{19, 86},
                                           cost_case{600'000, 1'200'048}));

struct eviction_case {
  const char* name;
  uint32_t budget;
  std::vector<uint32_t> costs;  // of the records added, oldest first; record i is filled with 'a' + i
  std::u16string kept;          // the fill characters of the records kept, oldest first
};
void PrintTo(const eviction_case& c, std::ostream* out) { *out << c.name; }

class history_eviction : public ::testing::TestWithParam<eviction_case> {};

TEST_P(history_eviction, drops_the_oldest_records_until_the_new_one_fits) {
  thread_history_buffer buffer;
  const eviction_case& c = GetParam();
  for (size_t i = 0; i < c.costs.size(); ++i)
    buffer.add(record_costing(c.costs[i], static_cast<char16_t>(u'a' + i)), c.budget);
  std::u16string kept;
  uint32_t total = 0;
  for (const auto& text : texts_of(buffer)) {
    EXPECT_EQ(text, std::u16string(text.size(), text.front())) << "a reused text storage kept old content";
    kept += text.front();
    total += thread_history_buffer::cost_of(text);
  }
  EXPECT_EQ(kept, c.kept);
  EXPECT_LE(total, c.budget);
}

INSTANTIATE_TEST_SUITE_P(
    budgets, history_eviction,
    ::testing::Values(eviction_case{"all_fit", smallest_budget, {100, 200, 300}, u"abc"},
                      eviction_case{"exactly_the_budget_is_kept", smallest_budget, {262'144, 262'144}, u"ab"},
                      eviction_case{"one_byte_over_evicts_the_oldest", smallest_budget, {262'144, 262'144, 50}, u"bc"},
                      eviction_case{
                          "a_big_record_evicts_several", smallest_budget, {100'000, 100'000, 100'000, 500'000}, u"d"},
                      eviction_case{"the_budget_as_one_record", smallest_budget, {100, smallest_budget}, u"b"},
                      eviction_case{"steady_stream", default_budget, std::vector<uint32_t>(8, 300'000), u"fgh"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(history_buffer, a_record_bigger_than_the_budget_is_kept_as_message_was_skipped) {
  thread_history_buffer buffer;
  buffer.add(make_record(cpplogger::level_warn, u"before"), default_budget);
  buffer.add(make_record(cpplogger::level_error, std::u16string(600'000, u'x'), 3, 77), default_budget);
  const auto records = buffer.take_records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].text, u"before");
  const cpplogger::message& skipped = records[1];
  EXPECT_EQ(skipped.text, u"Message was skipped");
  EXPECT_EQ(skipped.level, cpplogger::level_error);
  EXPECT_EQ(skipped.depth, 3);
  EXPECT_EQ(skipped.thread_id, 77u);
  EXPECT_EQ(skipped.time, logger_tests::fixed_ticks);
  EXPECT_EQ(thread_history_buffer::cost_of(skipped.text), 86u);
}

TEST(history_buffer, a_record_with_an_empty_text_is_not_kept) {
  thread_history_buffer buffer;
  buffer.add(make_record(cpplogger::level_info, u""), default_budget);
  EXPECT_TRUE(buffer.take_records().empty());
}

TEST(history_buffer, taking_the_records_empties_the_buffer_and_its_cost) {
  thread_history_buffer buffer;
  buffer.add(record_costing(smallest_budget, u'a'), smallest_budget);
  EXPECT_EQ(texts_of(buffer).size(), 1u);
  EXPECT_TRUE(buffer.take_records().empty());
  // Had the taken records still counted, the second record would evict the first.
  buffer.add(record_costing(smallest_budget - 50, u'b'), smallest_budget);
  buffer.add(record_costing(50, u'c'), smallest_budget);
  EXPECT_EQ(texts_of(buffer).size(), 2u);
}

TEST(history_buffer, clear_drops_every_record) {
  thread_history_buffer buffer;
  buffer.add(make_record(cpplogger::level_info, u"one"), default_budget);
  buffer.add(make_record(cpplogger::level_info, u"two"), default_budget);
  buffer.clear();
  EXPECT_TRUE(buffer.take_records().empty());
}

struct idle_case {
  const char* name;
  bool emptied;
  int64_t elapsed;
  bool idle;
};
void PrintTo(const idle_case& c, std::ostream* out) { *out << c.name; }

class history_idle : public ::testing::TestWithParam<idle_case> {};

TEST_P(history_idle, counts_from_the_time_of_the_last_record_added) {
  constexpr int64_t period = 600'000'000;
  constexpr int64_t appended = 5'000;
  thread_history_buffer buffer;
  cpplogger::message record = make_record(cpplogger::level_info, u"r");
  record.time = appended;
  buffer.add(record, default_budget);
  if (GetParam().emptied) buffer.clear();
  EXPECT_EQ(buffer.idle(appended + GetParam().elapsed, period), GetParam().idle);
}

INSTANTIATE_TEST_SUITE_P(times, history_idle,
                         ::testing::Values(idle_case{"emptied_just_before_the_period", true, 599'999'999, false},
                                           idle_case{"emptied_at_the_period", true, 600'000'000, true},
                                           idle_case{"just_before_the_period", false, 599'999'999, false},
                                           idle_case{"at_the_period", false, 600'000'000, true},
                                           idle_case{"long_after", false, 6'000'000'000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
