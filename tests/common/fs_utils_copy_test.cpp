// Copies and moves: byte-exact content, replacement of the destination, and the failure
// paths, which must keep the old destination and the source and leave no temporary file.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/fs_utils.h"
#include "common/on_exit.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "support/error_of.h"
#include "support/temp_directory.h"

namespace {

using test_support::error_of;

namespace fs = std::filesystem;

std::string random_bytes(size_t size) {
  std::mt19937 engine(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i += 4) {
    const uint32_t word = engine();
    bytes.replace(i, std::min<size_t>(4, size - i), reinterpret_cast<const char*>(&word),
                  std::min<size_t>(4, size - i));
  }
  return bytes;
}

void write(const fs::path& file, const std::string& content) { std::ofstream(file, std::ios::binary) << content; }

std::string content_of(const fs::path& file) {
  std::string content(fs::file_size(file), '\0');
  std::ifstream(file, std::ios::binary).read(content.data(), static_cast<std::streamsize>(content.size()));
  return content;
}

size_t entries_in(const fs::path& directory) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

// A directory with a file system of its own, mounted for the test and unmounted after.
class mounted_directory {
 public:
  mounted_directory(const fs::path& where, const std::string& mount_command) : path_(where) {
    fs::create_directories(path_);
    mounted_ = std::system((mount_command + " " + path_.string() + " 2>/dev/null").c_str()) == 0;
  }
  ~mounted_directory() {
    if (mounted_) std::system(("umount " + path_.string()).c_str());
  }
  bool mounted() const { return mounted_; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  bool mounted_ = false;
};

class fs_utils_copy_test : public ::testing::Test {
 protected:
  fs::path at(const char* name) const { return dir_.path() / name; }
  test_support::temp_directory dir_;
};

TEST_F(fs_utils_copy_test, a_copy_is_byte_exact_and_keeps_the_source) {
  const std::string content = random_bytes(fs_utils::copy_block_size + 1);
  write(at("source"), content);
  fs_utils::copy_file(at("source").u16string(), at("copy").u16string(), false);
  EXPECT_EQ(content_of(at("copy")), content);
  EXPECT_EQ(content_of(at("source")), content);
  EXPECT_EQ(entries_in(dir_.path()), 2u);
}

TEST_F(fs_utils_copy_test, blocks_of_any_size_give_the_same_bytes) {
  const std::string content = random_bytes(1000);
  write(at("source"), content);
  for (const uint64_t block : {1ull, 7ull, 999ull, 1000ull, 4096ull}) {
    const auto destination = fs_utils::create_unique_temp_file_with_handle(dir_.path().u16string(), u"copy");
    fs_utils::details::copy_file_with_block_processing(at("source").u16string(), destination.handle.get(),
                                                       destination.path, fs_utils::details::create_handle_kernel,
                                                       block);
    EXPECT_EQ(content_of(destination.path), content) << "block " << block;
  }
}

TEST_F(fs_utils_copy_test, an_invalid_block_size_is_refused) {
  write(at("source"), "abc");
  const auto destination = fs_utils::create_unique_temp_file_with_handle(dir_.path().u16string(), u"copy");
  for (const uint64_t block : {0ull, 0xFFFFFFFFull, 0x100000000ull}) {
    EXPECT_EQ(error_of([&] {
                fs_utils::details::copy_file_with_block_processing(at("source").u16string(), destination.handle.get(),
                                                                   destination.path,
                                                                   fs_utils::details::create_handle_kernel, block);
              }),
              common::make_application_error(5163));
  }
}

TEST_F(fs_utils_copy_test, an_empty_source_gives_an_empty_destination) {
  write(at("empty"), "");
  fs_utils::copy_file(at("empty").u16string(), at("copy").u16string(), false);
  ASSERT_TRUE(fs::exists(at("copy")));
  EXPECT_EQ(fs::file_size(at("copy")), 0u);
}

TEST_F(fs_utils_copy_test, an_existing_destination_is_replaced) {
  write(at("source"), "new content");
  write(at("destination"), "old and longer content");
  fs_utils::copy_file(at("source").u16string(), at("destination").u16string(), false);
  EXPECT_EQ(content_of(at("destination")), "new content");
}

TEST_F(fs_utils_copy_test, a_move_removes_the_source_and_replaces_the_destination) {
  const std::string content = random_bytes(300'000);
  write(at("bases.part"), content);
  write(at("bases"), "old bases");
  fs_utils::copy_file(at("bases.part").u16string(), at("bases").u16string(), true);
  EXPECT_FALSE(fs::exists(at("bases.part")));
  EXPECT_EQ(content_of(at("bases")), content);
  EXPECT_EQ(entries_in(dir_.path()), 1u);
}

TEST_F(fs_utils_copy_test, a_move_across_file_systems_copies_then_removes_the_source) {
  const mounted_directory other(at("other"), "mount -t tmpfs -o size=4m tmpfs");
  if (!other.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string content = random_bytes(200'000);
  write(at("bases.part"), content);
  write(other.path() / "bases", "old bases");
  fs_utils::copy_file(at("bases.part").u16string(), (other.path() / "bases").u16string(), true);
  EXPECT_FALSE(fs::exists(at("bases.part")));
  EXPECT_EQ(content_of(other.path() / "bases"), content);
  EXPECT_EQ(entries_in(other.path()), 1u);
}

TEST_F(fs_utils_copy_test, every_name_whose_part_form_fits_is_copied_and_moved_into_place) {
  write(at("source"), "bases");
  const auto longest_name = static_cast<size_t>(::pathconf(dir_.path().c_str(), _PC_NAME_MAX));
  const size_t part_suffix = std::string(".part").size();
  for (size_t length = longest_name - part_suffix - 12; length <= longest_name - part_suffix; ++length) {
    const fs::path placed = dir_.path() / std::string(length, 'b');
    const fs::path part = placed.string() + ".part";
    fs_utils::copy_file(at("source").u16string(), part.u16string(), false);
    fs_utils::copy_file(part.u16string(), placed.u16string(), true);
    EXPECT_EQ(content_of(placed), "bases") << length;
    EXPECT_EQ(entries_in(dir_.path()), 2u) << length;
    fs::remove(placed);
  }
}

TEST_F(fs_utils_copy_test, a_copy_killed_half_way_leaves_only_what_the_next_copy_overwrites) {
  fs::create_directory(at("destination"));
  const fs::path destination = at("destination") / "bases.upd.part";
  // Opening a FIFO without a writer blocks: the copy stops after it has made its
  // temporary file, and is killed there.
  ASSERT_EQ(::mkfifo(at("blocking source").c_str(), 0600), 0);
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, at("destination").c_str(), IN_CREATE), 0);
  const pid_t copier = ::fork();
  ASSERT_GE(copier, 0);
  if (copier == 0) {
    try {
      fs_utils::copy_file(at("blocking source").u16string(), destination.u16string(), false);
    } catch (...) {
    }
    ::_exit(0);
  }
  pollfd created{watch, POLLIN, 0};
  const int ready = ::poll(&created, 1, 60'000);
  ::kill(copier, SIGKILL);
  int status = 0;
  ::waitpid(copier, &status, 0);
  ::close(watch);
  ASSERT_EQ(ready, 1) << "the copy made no file";
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(entries_in(at("destination")), 1u);

  // Another user may have replaced the leftover by a link to a file of theirs: the next
  // copy neither writes through it nor keeps it.
  const fs::path leftover = fs::directory_iterator(at("destination"))->path();
  fs::remove(leftover);
  write(at("victim"), "the user's own file");
  fs::create_symlink(at("victim"), leftover);
  write(at("source"), "bases");
  fs_utils::copy_file(at("source").u16string(), destination.u16string(), false);
  EXPECT_EQ(content_of(destination), "bases");
  EXPECT_EQ(entries_in(at("destination")), 1u);
  EXPECT_EQ(content_of(at("victim")), "the user's own file");
}

TEST_F(fs_utils_copy_test, a_private_temporary_replaces_a_link_and_is_for_its_owner_alone) {
  write(at("victim"), "the user's own file");
  fs::create_symlink(at("victim"), at("bases.part"));
  fs_utils::temp_file_with_handle file = fs_utils::create_private_temp_file(at("bases.part").u16string());
  fs_utils::write_file(file.handle.get(), "bases", 5);
  struct stat status {};
  ASSERT_EQ(::lstat(at("bases.part").c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(content_of(at("victim")), "the user's own file");
  // A name that no longer names the held file is not renamed into place.
  fs::rename(at("bases.part"), at("moved away"));
  write(at("bases.part"), "forged");
  EXPECT_EQ(error_of([&] { fs_utils::place_held_file(file, at("bases").u16string()); }), win32::make_win32_error(2));
  EXPECT_FALSE(fs::exists(at("bases")));
}

TEST_F(fs_utils_copy_test, a_held_file_is_placed_on_another_file_system_through_a_copy_beside_it) {
  const fs::path other = "/dev/shm/ferrowick-copy-test-" + std::to_string(::getpid());
  fs::create_directories(other);
  const common::on_exit remove_other([&] { fs::remove_all(other); });
  struct stat here {
  }, there{};
  ASSERT_EQ(::stat(dir_.path().c_str(), &here), 0);
  ASSERT_EQ(::stat(other.c_str(), &there), 0);
  if (here.st_dev == there.st_dev) GTEST_SKIP() << "/dev/shm is on the file system of the temporary folder";
  const std::string content = random_bytes(100'000);
  fs_utils::temp_file_with_handle file = fs_utils::create_private_temp_file(at("bases.part").u16string());
  fs_utils::write_file(file.handle.get(), content.data(), content.size());
  write(other / "bases", "old bases");
  fs_utils::place_held_file(file, (other / "bases").u16string());
  EXPECT_EQ(content_of(other / "bases"), content);
  EXPECT_EQ(entries_in(other), 1u);
  EXPECT_EQ(entries_in(dir_.path()), 0u);
}

TEST_F(fs_utils_copy_test, a_missing_source_fails_and_creates_nothing) {
  for (const bool move : {false, true}) {
    EXPECT_EQ(error_of([&] { fs_utils::copy_file(at("missing").u16string(), at("copy").u16string(), move); }),
              win32::make_win32_error(2));
    EXPECT_EQ(entries_in(dir_.path()), 0u);
  }
}

TEST_F(fs_utils_copy_test, a_name_with_a_nul_is_invalid_and_never_reaches_the_name_before_it) {
  write(at("source"), "new");
  write(at("installed"), "old");
  const std::u16string cut_name = at("installed").u16string() + std::u16string(1, u'\0') + u".part";
  EXPECT_EQ(error_of([&] { fs_utils::copy_file(at("source").u16string(), cut_name, true); }),
            win32::make_win32_error(123));
  EXPECT_EQ(content_of(at("installed")), "old");
  EXPECT_EQ(content_of(at("source")), "new");
  EXPECT_EQ(entries_in(dir_.path()), 2u);
}

TEST_F(fs_utils_copy_test, a_move_that_runs_out_of_space_keeps_the_old_destination_and_the_source) {
  const mounted_directory small(at("small"), "mount -t tmpfs -o size=64k tmpfs");
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string good = random_bytes(10'000);
  const std::string update = random_bytes(200'000);
  write(small.path() / "bases", good);
  write(at("bases.part"), update);

  EXPECT_EQ(
      error_of([&] { fs_utils::copy_file(at("bases.part").u16string(), (small.path() / "bases").u16string(), true); }),
      win32::make_win32_error(112));
  EXPECT_EQ(content_of(small.path() / "bases"), good);
  EXPECT_EQ(entries_in(small.path()), 1u);
  EXPECT_EQ(content_of(at("bases.part")), update);
}

TEST_F(fs_utils_copy_test, a_copy_into_a_read_only_directory_fails_and_leaves_everything_in_place) {
  fs::create_directories(at("target"));
  const std::string good = random_bytes(1000);
  write(at("target") / "bases", good);
  write(at("source"), "update");
  const mounted_directory read_only(at("target"), "mount --bind -o ro " + at("target").string());
  if (!read_only.mounted()) GTEST_SKIP() << "bind mounts are not permitted here";

  for (const bool move : {false, true}) {
    const auto error =
        error_of([&] { fs_utils::copy_file(at("source").u16string(), (at("target") / "bases").u16string(), move); });
    EXPECT_EQ(error.category(), win32::category());
    EXPECT_EQ(content_of(at("target") / "bases"), good);
    EXPECT_EQ(entries_in(at("target")), 1u);
    EXPECT_EQ(content_of(at("source")), "update");
  }
}

}  // namespace
