#include "cpplogger/details/history_archiving.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/winapi/process/process_info.h"
#include "logger_test_support.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using namespace logger_tests;
using file_map = std::map<std::string, std::string>;

const std::string history_a = "base2016-05-04_13-07-21_4242_17_ERROR.log";
const std::string history_b = "base2016-05-04_13-07-21_4242_17_21.log";

int shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// A pseudo-random byte string that deflate cannot shrink.
std::string incompressible(size_t size, uint64_t seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    byte = static_cast<char>(seed >> 56);
  }
  return bytes;
}

// Public members: the table rows below reach them through the fixture.
class history_archiving_test : public ::testing::Test {
 public:
  ~history_archiving_test() override {
    if (mounted_) shell("umount '" + logs().string() + "'");
  }

  fs::path logs() const { return logs_; }
  void use_logs_directory(const std::string& name) {
    logs_ = directory.path() / name;
    fs::create_directories(logs_);
  }

  void archive(const std::u16string& base_name = u"base", int64_t max_file_size = 0x100000) const {
    cpplogger::logger_settings settings;
    settings.max_file_size = max_file_size;
    cpplogger::details::archive_history_files(base_name, u16(logs()), settings);
  }

  // Name -> content of every file in the logs directory ("-> target" for a link).
  file_map files() const {
    file_map found;
    for (const auto& entry : fs::directory_iterator(logs())) {
      const std::string name = entry.path().filename().string();
      if (entry.is_symlink()) {
        found[name] = "-> " + fs::read_symlink(entry.path()).string();
      } else if (entry.is_regular_file()) {
        found[name] = read_bytes(entry.path());
      }
    }
    return found;
  }

  std::set<std::string> archives() const {
    std::set<std::string> found;
    for (const auto& [name, content] : files()) {
      if (name.ends_with(".zip")) found.insert(name);
    }
    return found;
  }

  // Name -> content of every entry, as unzip extracts them.
  file_map archive_entries(const std::string& name) const {
    const fs::path into = directory.path() / "unpacked";
    fs::remove_all(into);
    test_support::child_options options;
    options.arguments = {"unzip", "-q", (logs() / name).string(), "-d", into.string()};
    const auto result = test_support::run_child("/usr/bin/env", options);
    EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
    file_map found;
    for (const auto& entry : fs::directory_iterator(into))
      found[entry.path().filename().string()] = read_bytes(entry.path());
    return found;
  }

  void mount_tmpfs(const std::string& options) {
    ASSERT_EQ(shell("mount -t tmpfs -o " + options + " tmpfs '" + logs().string() + "'"), 0)
        << "tests run as root and mount a small tmpfs";
    mounted_ = true;
  }
  void remount_read_only() const { ASSERT_EQ(shell("mount -o remount,ro '" + logs().string() + "'"), 0); }

  test_support::temp_directory directory;
  fs::path logs_;
  bool mounted_ = false;
};

// Only names this library gives its history files count, and only files: nothing else
// in the directory is packed and deleted, wherever the directory is.
TEST_F(history_archiving_test, history_files_are_packed_by_their_own_names_and_deleted) {
  const std::string pid = std::to_string(winapi::current_process_id());
  struct recognition {
    std::string logs_directory;
    std::string base_name;
    std::vector<std::string> packed;
    std::vector<std::string> kept;
    std::string archive_prefix;
  };
  const std::vector<std::string> unrelated = {
      "base.log",
      "base.log.1",
      "base2016-05-04.log",
      "base2016-05-04_13-07-21.log",
      "base2016-05-04_13-07-21_4242_17_WARN.log",
      "base2016-05-04_13-07-21_4242_17_ERROR.log.txt",
      "base2016-05-04_13-07-21_4242_17_.log",
      "base2016-05-04_13-07-21_4242__ERROR.log",
      "base2016-5-04_13-07-21_4242_17_ERROR.log",
      "notes-base2016-05-04_13-07-21_4242_17_ERROR.log",
      "other2016-05-04_13-07-21_4242_17_ERROR.log",
      "basement2016-05-04_13-07-21_4242_17_ERROR.log",
  };
  const std::vector<std::string> history = {history_a, history_b, "base2016-05-03_23-59-59_1111_3_FATAL.log"};
  const std::vector<recognition> cases = {
      {"logs", "base", history, unrelated, "base"},
      {"logs.zip", "base", history, unrelated, "base"},
      // A base name with this process's id: history files of earlier runs carry theirs.
      {"logs",
       "base_" + pid,
       {"base_" + pid + "2016-05-04_13-07-21_" + pid + "_17_ERROR.log", "base_1112016-05-04_13-07-21_111_17_9.log"},
       {history_a, "base_" + pid + "x2016-05-04_13-07-21_" + pid + "_17_ERROR.log"},
       "base"},
      {"logs",
       "run_" + pid + "_n",
       {"run_" + pid + "_n2016-05-04_13-07-21_" + pid + "_17_ERROR.log", "run_7_n2016-05-04_13-07-21_7_1_2.log"},
       {"run_n2016-05-04_13-07-21_7_1_2.log", "run__n2016-05-04_13-07-21_7_1_2.log"},
       "run"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.logs_directory + " " + row.base_name);
    use_logs_directory(row.logs_directory);
    for (const auto& name : row.packed) write_bytes(logs() / name, "history of " + name + "\r\n");
    for (const auto& name : row.kept) write_bytes(logs() / name, name);
    fs::create_directory(logs() / "base2016-05-04_13-07-21_4242_17_22.log");
    const file_map unchanged = [&] {
      file_map kept;
      for (const auto& name : row.kept) kept[name] = name;
      return kept;
    }();

    archive(common::utf8_to_utf16(row.base_name));

    const auto made = archives();
    ASSERT_EQ(made.size(), 1u);
    const std::string archive_name = *made.begin();
    EXPECT_TRUE(archive_name.starts_with(row.archive_prefix + "20")) << archive_name;
    file_map expected_entries;
    for (const auto& name : row.packed) expected_entries[name] = "history of " + name + "\r\n";
    EXPECT_EQ(archive_entries(archive_name), expected_entries);
    file_map left = files();
    left.erase(archive_name);
    EXPECT_EQ(left, unchanged);
    EXPECT_TRUE(fs::is_directory(logs() / "base2016-05-04_13-07-21_4242_17_22.log"));
    fs::remove_all(logs());
  }
}

std::string utc_stamp(sys_seconds time) {
  const std::time_t seconds = system_clock::to_time_t(time);
  std::tm fields{};
  gmtime_r(&seconds, &fields);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", &fields));
}

// The test process runs in UTC, so local creation times are UTC times here.
TEST_F(history_archiving_test, an_archive_name_already_taken_gets_the_next_free_number) {
  struct naming {
    std::vector<std::string> taken_suffixes;
    std::string expected_suffix;
  };
  const std::vector<naming> cases = {{{}, ""}, {{""}, "_(1)"}, {{"", "_(1)"}, "_(2)"}, {{"", "_(2)"}, "_(1)"}};
  for (const auto& row : cases) {
    SCOPED_TRACE(row.expected_suffix);
    use_logs_directory("logs");
    write_bytes(logs() / history_a, "history");
    const auto start = floor<seconds>(system_clock::now());
    // Every second the call may take is taken already; empty archives are never pruned.
    std::set<std::string> before;
    for (auto second = start; second < start + 10s; second += 1s) {
      for (const auto& suffix : row.taken_suffixes) {
        const std::string name = "base" + utc_stamp(second) + suffix + ".zip";
        write_bytes(logs() / name, "");
        before.insert(name);
      }
    }

    archive();
    const auto end = floor<seconds>(system_clock::now());

    std::set<std::string> added;
    for (const auto& name : archives()) {
      if (!before.contains(name)) added.insert(name);
    }
    ASSERT_EQ(added.size(), 1u);
    std::set<std::string> allowed;
    for (auto second = start; second <= end; second += 1s)
      allowed.insert("base" + utc_stamp(second) + row.expected_suffix + ".zip");
    EXPECT_TRUE(allowed.contains(*added.begin())) << *added.begin();
    fs::remove_all(logs());
  }
}

// Archives are deleted oldest first while together they exceed max_file_size; files that
// merely look like archives are neither counted nor deleted.
TEST_F(history_archiving_test, archives_are_pruned_oldest_first_down_to_the_limit) {
  struct archive_file {
    std::string name;
    size_t size;
  };
  struct pruning {
    std::string what;
    std::string logs_directory;
    int64_t max_file_size;
    std::vector<archive_file> oldest_first;
    std::vector<std::string> kept;
  };
  const std::string a = "base2016-05-04_13-07-21.zip";
  const std::string b = "base2016-05-04_13-07-21_(1).zip";
  const std::string c = "base2016-05-05_08-00-00.zip";
  const std::string d = "base2016-05-06_08-00-00_(12).zip";
  const std::vector<pruning> cases = {
      {"exactly at the limit", "logs", 100, {{b, 40}, {a, 30}, {c, 30}}, {a, b, c}},
      {"one byte over", "logs", 100, {{b, 40}, {a, 30}, {c, 31}}, {a, c}},
      {"down to the limit", "logs", 60, {{a, 50}, {b, 50}, {c, 50}, {d, 10}}, {c, d}},
      {"one archive over the limit", "logs", 100, {{a, 101}}, {}},
      {"look-alikes",
       "logs",
       100,
       {{"notes.zip.txt", 500},
        {"base.zip", 500},
        {"other2016-05-04_13-07-21.zip", 500},
        {"base2016-05-04_13-07-21.zip.part", 500},
        {"base2016-05-04_13-07-21_(x).zip", 500},
        {"base2016-05-04_13-07-21_1.zip", 500},
        {"base2016-05-04_13-07.zip", 500},
        {b, 40},
        {a, 30},
        {c, 30}},
       {"notes.zip.txt", "base.zip", "other2016-05-04_13-07-21.zip", "base2016-05-04_13-07-21.zip.part",
        "base2016-05-04_13-07-21_(x).zip", "base2016-05-04_13-07-21_1.zip", "base2016-05-04_13-07.zip", a, b, c}},
      {"a directory path with .zip",
       "logs.zip",
       100,
       {{"base.log", 500}, {b, 40}, {a, 30}, {c, 31}},
       {"base.log", a, c}},
  };
  const sys_seconds oldest = sys_days{2020y / 1 / 1};
  for (const auto& row : cases) {
    SCOPED_TRACE(row.what);
    use_logs_directory(row.logs_directory);
    file_map expected;
    for (size_t i = 0; i < row.oldest_first.size(); ++i) {
      const auto& file = row.oldest_first[i];
      const std::string content(file.size, 'z');
      write_bytes(logs() / file.name, content);
      fs::last_write_time(logs() / file.name, file_clock::from_sys(oldest + i * 1min));
      for (const auto& kept : row.kept) {
        if (kept == file.name) expected[kept] = content;
      }
    }

    archive(u"base", row.max_file_size);

    EXPECT_EQ(files(), expected);
    fs::remove_all(logs());
  }
}

// No archive (not even a partial one) stays after a failure, and every history file stays
// for the next run; the reason goes to the debugger output and nothing is written elsewhere.
TEST_F(history_archiving_test, failures_leave_history_files_and_no_archive) {
  struct failure {
    std::string what;
    std::function<void(history_archiving_test&)> prepare;
    std::function<std::vector<std::string>(const history_archiving_test&)> reported;
  };
  const std::vector<failure> cases = {
      {"missing logs directory", [](history_archiving_test& test) { fs::remove(test.logs()); },
       [](const history_archiving_test&) {
         return std::vector<std::string>{"FindFirstFile failed with error: 0x3\n"};
       }},
      {"read-only logs directory",
       [](history_archiving_test& test) {
         test.mount_tmpfs("size=1m");
         write_bytes(test.logs() / history_a, "history a");
         write_bytes(test.logs() / history_b, "history b");
         test.remount_read_only();
       },
       [](const history_archiving_test& test) {
         return std::vector<std::string>{"CreateFileW failed for file '" + (test.logs() / "base").string(),
                                         "The media is write protected."};
       }},
      {"full disk while writing",
       [](history_archiving_test& test) {
         test.mount_tmpfs("size=256k");
         write_bytes(test.logs() / history_a, incompressible(80 * 1024, 1));
         write_bytes(test.logs() / history_b, incompressible(80 * 1024, 2));
       },
       [](const history_archiving_test& test) {
         return std::vector<std::string>{"WriteFile failed for file '" + (test.logs() / "base").string(),
                                         "There is not enough space on the disk."};
       }},
      // A /proc file is listed with size 0 but reads non-empty, as a history file that
      // grew between the walk and its packing would.
      {"a history file that changed size",
       [](history_archiving_test& test) {
         write_bytes(test.logs() / history_a, "history a");
         fs::create_symlink("/proc/self/stat", test.logs() / history_b);
       },
       [](const history_archiving_test& test) {
         return std::vector<std::string>{
             "compression_exception: Entry file changed its size: " + (test.logs() / history_b).string() + ", 0\n"};
       }},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.what);
    use_logs_directory("logs");
    row.prepare(*this);
    if (testing::Test::HasFatalFailure()) return;
    const bool exists = fs::exists(logs());
    const file_map history_before = exists ? files() : file_map{};
    std::set<fs::path> elsewhere_before;
    for (const auto& entry : fs::recursive_directory_iterator(directory.path())) elsewhere_before.insert(entry.path());
    const debug_output output;

    archive();

    for (const auto& text : row.reported(*this)) EXPECT_TRUE(output.contains(text)) << text << " in " << output.text();
    EXPECT_EQ(fs::exists(logs()), exists);
    EXPECT_EQ(exists ? files() : file_map{}, history_before);
    std::set<fs::path> elsewhere_after;
    for (const auto& entry : fs::recursive_directory_iterator(directory.path())) elsewhere_after.insert(entry.path());
    EXPECT_EQ(elsewhere_after, elsewhere_before);

    if (mounted_) {
      ASSERT_EQ(shell("umount '" + logs().string() + "'"), 0);
      mounted_ = false;
    }
    fs::remove_all(logs());
  }
}

}  // namespace
