// The history log: what an ERROR or FATAL record dumps, where, and what stays behind;
// logs directories that are missing, read-only or not set; two threads failing at once;
// and the purge of buffers whose threads have ended.
#include "cpplogger/details/history_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/details/fake_impl.h"
#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using namespace logger_tests;
using cpplogger::logger_settings;
using cpplogger::details::history_log;

constexpr int64_t period = history_log::idle_period;

// One archiving call: the files the directory held then (name -> content), which the
// call then removes as the real archiving does.
struct dump {
  std::u16string base_name;
  std::u16string directory;
  logger_settings settings;
  std::map<std::string, std::string> files;
};

std::vector<std::string> lines_of(const std::string& content) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t end; (end = content.find("\r\n", begin)) != std::string::npos; begin = end + 2)
    lines.push_back(content.substr(begin, end - begin));
  EXPECT_EQ(begin, content.size()) << "the file ends inside a line";
  return lines;
}

// The texts of a history file's lines, without the date, level and indent.
std::vector<std::string> texts_of(const std::string& content) {
  std::vector<std::string> texts;
  for (const std::string& line : lines_of(content)) {
    const size_t level_end = line.find(' ', line.find(' ', 11) + 1);
    texts.push_back(line.substr(line.find_first_not_of(' ', level_end)));
  }
  return texts;
}

std::vector<std::string> directory_names(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(directory, missing))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class history_log_test : public ::testing::Test {
 protected:
  history_log_test() {
    std::filesystem::create_directory(logs());
    instance.start(u"", u"", u16(logs()), u"worker", false, {});
  }

  std::filesystem::path logs() const { return directory.path() / "logs"; }

  // The name a dump gives a buffer's file: erroring thread and label.
  std::string file_name(uint32_t erroring_thread_id, const std::string& label) const {
    return "worker2016-05-04_13-07-21_" + std::to_string(winapi::current_process_id()) + "_" +
           std::to_string(erroring_thread_id) + "_" + label + ".log";
  }

  void log(int32_t level, std::u16string text, uint32_t thread_id,
           const cpplogger::details::logger_interface* through = nullptr) {
    cpplogger::message record = make_record(level, std::move(text), 0, thread_id);
    record.time = now.load();
    if (history_log::dumps_on(level)) {
      history.keep_and_dump(record, settings, through ? *through : instance);
    } else {
      history.keep(record, settings);
    }
  }

  std::vector<dump> dumps() const {
    std::lock_guard lock(dumps_mutex);
    return dumps_;
  }

  void archive(const std::u16string& base_name, const std::u16string& archived_directory,
               const logger_settings& archived_settings) {
    if (archiving.fetch_add(1) != 0) overlapped = true;
    dump made{base_name, archived_directory, archived_settings, {}};
    const std::filesystem::path path(common::utf16_to_utf8(archived_directory));
    for (const std::string& name : directory_names(path)) {
      made.files[name] = read_bytes(path / name);
      std::filesystem::remove(path / name);
    }
    {
      std::lock_guard lock(dumps_mutex);
      dumps_.push_back(std::move(made));
    }
    archiving.fetch_sub(1);
  }

  test_support::temp_directory directory;
  cpplogger::details::fake_impl instance;
  logger_settings settings;
  std::atomic<int64_t> now{fixed_ticks};
  std::atomic<int> archiving{0};
  std::atomic<bool> overlapped{false};
  mutable std::mutex dumps_mutex;
  std::vector<dump> dumps_;
  history_log history{
      [this] { return now.load(); },
      [this](const std::u16string& base_name, const std::u16string& archived_directory,
             const logger_settings& archived_settings) { archive(base_name, archived_directory, archived_settings); }};
};

// The crash report of a fault inside the archiving is logged by the dumping thread itself.
TEST_F(history_log_test, a_fatal_record_made_inside_the_archiving_still_reaches_a_file) {
  std::optional<history_log> crashing;
  crashing.emplace([this] { return now.load(); },
                   [&](const std::u16string&, const std::u16string&, const logger_settings&) {
                     crashing->keep_and_dump(make_record(cpplogger::level_fatal, u"crash report", 0, 11), settings,
                                             instance);
                   });
  crashing->keep_and_dump(make_record(cpplogger::level_error, u"boom", 0, 11), settings, instance);
  EXPECT_EQ(texts_of(read_bytes(logs() / file_name(11, "FATAL"))), std::vector<std::string>{"crash report"});
  EXPECT_EQ(texts_of(read_bytes(logs() / file_name(11, "ERROR"))), std::vector<std::string>{"boom"});
}

TEST_F(history_log_test, records_below_error_write_nothing) {
  for (const int32_t level : {cpplogger::level_unknown, cpplogger::level_trace, cpplogger::level_debug,
                              cpplogger::level_info, cpplogger::level_warn, 17}) {
    log(level, u"quiet", 11);
    log(level, u"quiet", 21);
  }
  EXPECT_TRUE(dumps().empty());
  EXPECT_TRUE(std::filesystem::is_empty(logs()));
}

class history_dump_level : public history_log_test, public ::testing::WithParamInterface<int32_t> {};

TEST_P(history_dump_level, writes_one_file_per_thread_that_logged_then_archives_them) {
  const int32_t level = GetParam();
  const std::string level_name = common::utf16_to_utf8(cpplogger::level_to_text(level));
  settings.max_file_size = 777'777;
  log(cpplogger::level_trace, u"a1", 21);
  log(cpplogger::level_info, u"c1", 11);
  log(cpplogger::level_debug, u"a2", 21);
  log(cpplogger::level_warn, u"b1", 5);
  log(cpplogger::level_info, u"", 9);  // an empty text is not kept: no file for thread 9
  log(level, u"boom", 11);

  const auto made = dumps();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].base_name, u"worker");
  EXPECT_EQ(made[0].directory, u16(logs()));
  EXPECT_EQ(made[0].settings, settings);
  const std::map<std::string, std::string> expected{
      {file_name(11, "5"), "2016/05/04 13:07:21 WARN b1\r\n"},
      {file_name(11, level_name), "2016/05/04 13:07:21 INFO c1\r\n2016/05/04 13:07:21 " + level_name + " boom\r\n"},
      {file_name(11, "21"), "2016/05/04 13:07:21 TRACE a1\r\n2016/05/04 13:07:21 DEBUG a2\r\n"},
  };
  EXPECT_EQ(made[0].files, expected);
}

INSTANTIATE_TEST_SUITE_P(levels, history_dump_level, ::testing::Values(cpplogger::level_error, cpplogger::level_fatal),
                         [](const auto& info) { return common::utf16_to_utf8(cpplogger::level_to_text(info.param)); });

TEST_F(history_log_test, a_dump_empties_every_buffer) {
  log(cpplogger::level_info, u"first run", 11);
  log(cpplogger::level_info, u"other thread", 21);
  log(cpplogger::level_error, u"first error", 11);
  log(cpplogger::level_error, u"second error", 11);
  log(cpplogger::level_info, u"later", 21);
  log(cpplogger::level_fatal, u"third error", 11);

  const auto made = dumps();
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(made[0].files.size(), 2u);
  ASSERT_EQ(made[1].files.size(), 1u);
  EXPECT_EQ(texts_of(made[1].files.at(file_name(11, "ERROR"))), std::vector<std::string>{"second error"});
  ASSERT_EQ(made[2].files.size(), 2u);
  EXPECT_EQ(texts_of(made[2].files.at(file_name(11, "FATAL"))), std::vector<std::string>{"third error"});
  EXPECT_EQ(texts_of(made[2].files.at(file_name(11, "21"))), std::vector<std::string>{"later"});
}

TEST_F(history_log_test, clear_all_drops_what_every_thread_kept) {
  log(cpplogger::level_info, u"before", 11);
  log(cpplogger::level_info, u"before", 21);
  history.clear_all();
  log(cpplogger::level_info, u"after", 11);
  log(cpplogger::level_error, u"error", 11);

  const auto made = dumps();
  ASSERT_EQ(made.size(), 1u);
  ASSERT_EQ(made[0].files.size(), 1u);
  EXPECT_EQ(texts_of(made[0].files.at(file_name(11, "ERROR"))), (std::vector<std::string>{"after", "error"}));
}

TEST_F(history_log_test, a_record_too_big_for_the_buffer_is_dumped_as_message_was_skipped) {
  log(cpplogger::level_info, std::u16string(600'000, u'x'), 11);
  log(cpplogger::level_error, u"error", 11);
  ASSERT_EQ(dumps().size(), 1u);
  EXPECT_EQ(texts_of(dumps()[0].files.at(file_name(11, "ERROR"))),
            (std::vector<std::string>{"Message was skipped", "error"}));
}

TEST_F(history_log_test, the_budget_is_the_low_32_bits_of_the_buffer_size) {
  settings.max_buffer_size = (int64_t{1} << 32) + 524'288;
  for (const char16_t fill : {u'a', u'b', u'c'}) log(cpplogger::level_info, std::u16string(100'000, fill), 11);
  // 200,048 bytes each: only the two newest fit, with the 86 bytes of the error beside them.
  log(cpplogger::level_error, u"e", 11);
  const auto texts = texts_of(dumps().at(0).files.at(file_name(11, "ERROR")));
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].front(), 'b');
  EXPECT_EQ(texts[1].front(), 'c');
}

TEST_F(history_log_test, without_a_logs_directory_nothing_is_written_and_the_records_wait) {
  cpplogger::details::fake_impl stand_by;
  const auto working_directory = directory_names(std::filesystem::current_path());
  log(cpplogger::level_info, u"early", 11, &stand_by);
  log(cpplogger::level_error, u"early error", 11, &stand_by);
  EXPECT_TRUE(dumps().empty());
  EXPECT_EQ(directory_names(std::filesystem::current_path()), working_directory);

  log(cpplogger::level_error, u"error", 11);
  ASSERT_EQ(dumps().size(), 1u);
  EXPECT_EQ(texts_of(dumps()[0].files.at(file_name(11, "ERROR"))),
            (std::vector<std::string>{"early", "early error", "error"}));
}

TEST_F(history_log_test, a_missing_logs_directory_writes_nothing_anywhere_and_logging_goes_on) {
  cpplogger::details::fake_impl elsewhere;
  elsewhere.start(u"", u"", u16(directory.path() / "missing"), u"worker", false, {});
  log(cpplogger::level_info, u"lost", 11, &elsewhere);
  log(cpplogger::level_error, u"lost error", 11, &elsewhere);
  EXPECT_EQ(directory_names(directory.path()), std::vector<std::string>{"logs"});
  ASSERT_EQ(dumps().size(), 1u);
  EXPECT_TRUE(dumps()[0].files.empty());

  log(cpplogger::level_info, u"goes on", 11);
  log(cpplogger::level_error, u"error", 11);
  ASSERT_EQ(dumps().size(), 2u);
  EXPECT_EQ(texts_of(dumps()[1].files.at(file_name(11, "ERROR"))), (std::vector<std::string>{"goes on", "error"}));
}

// A read-only tmpfs over the logs directory (root ignores permission bits) for the
// object's lifetime.
class read_only_mount {
 public:
  explicit read_only_mount(const std::filesystem::path& directory) : directory_(directory) {
    mounted_ =
        std::system(("mount -t tmpfs -o ro,size=64k tmpfs '" + directory.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~read_only_mount() {
    if (mounted_) std::system(("umount '" + directory_.string() + "'").c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  std::filesystem::path directory_;
  bool mounted_ = false;
};

TEST_F(history_log_test, a_read_only_logs_directory_writes_nothing_and_logging_goes_on) {
  const read_only_mount read_only(logs());
  if (!read_only.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  log(cpplogger::level_info, u"lost", 11);
  log(cpplogger::level_error, u"lost error", 11);
  ASSERT_EQ(dumps().size(), 1u);
  EXPECT_TRUE(dumps()[0].files.empty());
  EXPECT_EQ(directory_names(directory.path()), std::vector<std::string>{"logs"});

  log(cpplogger::level_info, u"goes on", 11);
  log(cpplogger::level_fatal, u"again", 11);
  EXPECT_EQ(dumps().size(), 2u);
}

TEST_F(history_log_test, two_threads_failing_at_once_make_two_dumps_that_never_mix) {
  constexpr int records = 200;
  // Each thread waits for the other before it fails. Not std::latch: the MinGW runtime,
  // which has no futex, can miss its wake-up and leave a thread waiting for ever.
  std::promise<void> first_ready;
  std::promise<void> second_ready;
  const auto fail = [&](const std::string& name, std::promise<void>& ready, std::future<void> other_ready) {
    const uint32_t id = winapi::current_thread_id();
    for (int i = 0; i < records; ++i) log(cpplogger::level_info, common::utf8_to_utf16(name + std::to_string(i)), id);
    ready.set_value();
    other_ready.wait();
    log(cpplogger::level_error, common::utf8_to_utf16(name + " failed"), id);
  };
  std::thread first(fail, "first", std::ref(first_ready), second_ready.get_future());
  std::thread second(fail, "second", std::ref(second_ready), first_ready.get_future());
  first.join();
  second.join();

  EXPECT_FALSE(overlapped.load());
  const auto made = dumps();
  ASSERT_EQ(made.size(), 2u);
  // The earlier dump holds both threads' records and its own error; the later one only its error.
  ASSERT_EQ(made[0].files.size(), 2u);
  ASSERT_EQ(made[1].files.size(), 1u);
  std::string erroring_file;
  std::string other_file;
  for (const auto& [name, content] : made[0].files) (name.ends_with("_ERROR.log") ? erroring_file : other_file) = name;
  ASSERT_FALSE(erroring_file.empty());
  ASSERT_FALSE(other_file.empty());
  const auto erroring = texts_of(made[0].files.at(erroring_file));
  const auto other = texts_of(made[0].files.at(other_file));
  ASSERT_EQ(erroring.size(), records + 1u);
  ASSERT_EQ(other.size(), size_t{records});
  const std::string erroring_name = erroring.back().substr(0, erroring.back().find(' '));
  const std::string other_name = erroring_name == "first" ? "second" : "first";
  EXPECT_EQ(erroring.back(), erroring_name + " failed");
  for (int i = 0; i < records; ++i) {
    EXPECT_EQ(erroring[i], erroring_name + std::to_string(i));
    EXPECT_EQ(other[i], other_name + std::to_string(i));
  }
  const auto& [later_file, later_content] = *made[1].files.begin();
  EXPECT_TRUE(later_file.ends_with("_ERROR.log")) << later_file;
  EXPECT_EQ(texts_of(later_content), std::vector<std::string>{other_name + " failed"});
}

// A thread that logs one record, then stays alive until the object goes.
class living_thread {
 public:
  explicit living_thread(const std::function<void(uint32_t)>& log_once) {
    std::promise<uint32_t> started;
    std::future<uint32_t> id = started.get_future();
    thread_ = std::thread([&log_once, started = std::move(started), finished = release_.get_future()]() mutable {
      log_once(winapi::current_thread_id());
      started.set_value(winapi::current_thread_id());
      finished.wait();
    });
    id_ = id.get();
  }
  ~living_thread() {
    release_.set_value();
    thread_.join();
  }
  uint32_t id() const { return id_; }

 private:
  std::promise<void> release_;
  std::thread thread_;
  uint32_t id_ = 0;
};

struct purge_case {
  const char* name;
  bool thread_alive;
  int64_t thread_logs_at;             // after the history was made
  std::vector<int64_t> main_logs_at;  // normal records of the main thread, each may run the purge
  bool kept;
};
void PrintTo(const purge_case& c, std::ostream* out) { *out << c.name; }

class history_purge : public history_log_test, public ::testing::WithParamInterface<purge_case> {};

TEST_P(history_purge, drops_idle_buffers_of_ended_threads_at_most_once_a_period) {
  const purge_case& c = GetParam();
  const int64_t start = now.load();
  const auto log_once = [&](uint32_t id) {
    now = start + c.thread_logs_at;
    log(cpplogger::level_info, u"thread record", id);
  };
  std::optional<living_thread> alive;
  uint32_t thread_id = 0;
  if (c.thread_alive) {
    alive.emplace(log_once);
    thread_id = alive->id();
  } else {
    std::thread([&] {
      thread_id = winapi::current_thread_id();
      log_once(thread_id);
    }).join();
  }
  const uint32_t main_id = winapi::current_thread_id();
  for (const int64_t at : c.main_logs_at) {
    now = start + at;
    log(cpplogger::level_info, u"main record", main_id);
  }
  log(cpplogger::level_error, u"error", main_id);

  const auto made = dumps();
  ASSERT_EQ(made.size(), 1u);
  // The files are named after the current second, which the clock has moved on from.
  bool found = false;
  for (const auto& [name, content] : made[0].files)
    found = found || name.ends_with("_" + std::to_string(main_id) + "_" + std::to_string(thread_id) + ".log");
  EXPECT_EQ(found, c.kept);
}

// A dump empties the buffer of a thread that has ended; the purge still drops it.
TEST_F(history_log_test, the_purge_drops_the_emptied_buffer_of_an_ended_thread) {
  const uint32_t main_id = winapi::current_thread_id();
  const int64_t start = now.load();
  std::thread([&] { log(cpplogger::level_info, u"thread record", winapi::current_thread_id()); }).join();
  log(cpplogger::level_error, u"error", main_id);
  ASSERT_EQ(history.thread_count(), 2u);
  now = start + period;
  log(cpplogger::level_info, u"main record", main_id);
  EXPECT_EQ(history.thread_count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    cases, history_purge,
    ::testing::Values(purge_case{"ended_and_idle_for_a_period", false, 0, {period}, false},
                      purge_case{"alive_and_idle", true, 0, {period}, true},
                      purge_case{"ended_but_idle_for_less", false, 1, {period}, true},
                      purge_case{"no_second_purge_within_the_period", false, 1, {period, period + 1}, true},
                      purge_case{"the_next_period_purges", false, 1, {period, 2 * period}, false},
                      purge_case{"no_purge_before_a_period", false, 0, {period - 1}, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
