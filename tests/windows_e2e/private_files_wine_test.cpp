// The files the worker under wine makes where others can write: the package's ".part"
// is held without sharing until it is placed, a file made beforehand under that name is
// replaced rather than written through, temporaries stay beside their destination on
// another volume, and names outside the ANSI code page (1252 under wine) or beyond
// MAX_PATH are opened by their wide names. The access lists of these files are not
// checked here: wine keeps none (see docs/windows.md).
#include <unistd.h>

#include <mutex>
#include <optional>
#include <string>

#include "support/tcp_relay.h"
#include "wine_e2e_fixture.h"

namespace {

using private_files_under_wine = wine_e2e_fixture;

// A drive letter of the wine prefix for a folder on /dev/shm, a tmpfs: a volume of its
// own, as Windows sees volumes. Removed with the folder at the end.
class tmpfs_drive {
 public:
  tmpfs_drive() : folder_("/dev/shm/ferrowick-wine-drive-" + std::to_string(::getpid())) {
    std::filesystem::create_directories(folder_);
    const std::filesystem::path devices =
        std::filesystem::path(FERROWICK_WINDOWS_BUILD_DIR) / "wine-e2e-prefix/dosdevices";
    for (char letter = 'y'; letter > 'm'; --letter) {
      const std::filesystem::path link = devices / (std::string(1, letter) + ":");
      if (std::filesystem::exists(std::filesystem::symlink_status(link))) continue;
      std::filesystem::create_directory_symlink(folder_, link);
      link_ = link;
      letter_ = static_cast<char>(letter - 'a' + 'A');
      return;
    }
    throw std::runtime_error("no free drive letter in " + devices.string());
  }
  ~tmpfs_drive() {
    std::filesystem::remove(link_);
    std::filesystem::remove_all(folder_);
  }
  const std::filesystem::path& folder() const { return folder_; }
  std::string windows_path(const std::string& relative) const { return std::string(1, letter_) + ":\\" + relative; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path link_;
  char letter_ = 0;
};

// The current folder of this program, which the Windows programs it starts inherit.
class current_folder {
 public:
  explicit current_folder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
  }
  ~current_folder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

std::filesystem::path source_folder(const std::filesystem::path& root) {
  const std::filesystem::path source = root / "source";
  std::filesystem::create_directories(source);
  for (const char* name : {"info2.txt", wine_e2e::package}) {
    std::filesystem::copy_file(wine_e2e::update_folder() / name, source / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
  return source;
}

TEST_F(private_files_under_wine, another_process_cannot_write_the_part_while_the_worker_holds_it) {
  const std::filesystem::path part = destination() / (std::string(wine_e2e::package) + ".part");
  std::mutex mutex;
  std::optional<test_support::child_result> writer;
  std::once_flag first_stall;
  // The package's connection stalls after 300 kB: the worker holds its ".part" then.
  const test_support::tcp_relay relay(
      wine_e2e::update_server_port(), test_support::tcp_relay::stall_after(300000, 6, [&] {
        std::call_once(first_stall, [&] {
          // A batch file: wine would quote the quotes of a command given on the line.
          const std::filesystem::path batch = root() / "write.cmd";
          test_support::write_text(batch, "@echo forged>>\"" + wine_e2e::windows_path(part) + "\"\r\n");
          test_support::child_result result =
              wine_e2e::wine_programs::get().run("cmd", {"/c", wine_e2e::windows_path(batch)});
          {
            const std::lock_guard lock(mutex);
            writer = std::move(result);
          }
          set_stop_event();
        });
      }));
  const wine_e2e::windows_result result = run_task(https_task(relay.port()));
  EXPECT_EQ(result.exit_code, -3) << result.stderr_text;
  const std::lock_guard lock(mutex);
  ASSERT_TRUE(writer) << "no transfer stalled";
  EXPECT_NE(writer->stderr_text.find("Sharing violation"), std::string::npos) << writer->stderr_text;
  EXPECT_TRUE(test_support::list_names(destination()).empty());
}

// A ".part" made beforehand as a hard link to a file of the user's, who could otherwise
// rewrite the package through it after its verification: the worker neither writes into
// that file nor places it. (A symbolic link is no test under wine, whose DeleteFileW
// removes the link's target; Windows removes the link.)
TEST_F(private_files_under_wine, a_part_made_beforehand_is_replaced_not_written_through) {
  const std::filesystem::path source = source_folder(root());
  const std::filesystem::path victim = root() / "victim.txt";
  for (const bool from_the_server : {false, true}) {
    SCOPED_TRACE(from_the_server ? "from the server" : "from a folder");
    test_support::write_text(victim, "the user's own file");
    std::filesystem::create_hard_link(victim, destination() / (std::string(wine_e2e::package) + ".part"));
    expect_placed(run_task(from_the_server ? https_task(wine_e2e::update_server_port()) : directory_task(source)));
    EXPECT_EQ(test_support::read_text(victim), "the user's own file");
    std::filesystem::remove(destination() / wine_e2e::package);
  }
}

TEST_F(private_files_under_wine, a_folder_source_places_on_another_volume_and_leaves_the_current_folder_alone) {
  const tmpfs_drive drive;
  const std::filesystem::path placed = drive.folder() / "destination";
  std::filesystem::create_directories(placed);
  task_options options = directory_task(source_folder(root()));
  wine_e2e::set_option(options, "dest-dir", drive.windows_path("destination"));
  const current_folder current(root() / "current");
  const wine_e2e::windows_result result = run_task(options);
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(result.stdout_text, std::string(wine_e2e::release) + "\r\n" + drive.windows_path("destination\\") +
                                    wine_e2e::package + "\r\n\r\n17\r\n");
  EXPECT_TRUE(test_support::read_text(placed / wine_e2e::package) ==
              test_support::read_text(wine_e2e::update_folder() / wine_e2e::package));
  EXPECT_EQ(test_support::list_names(placed), std::vector<std::string>{wine_e2e::package});
  EXPECT_TRUE(test_support::list_names(root() / "current").empty());
}

// Cyrillic is outside code page 1252; the long row's folder is also beyond MAX_PATH (260).
TEST_F(private_files_under_wine, a_destination_and_a_key_file_named_outside_the_code_page_are_used) {
  const std::filesystem::path keys = root() / u8"ключи";
  std::filesystem::create_directories(keys);
  std::filesystem::copy_file(FERROWICK_SOURCE_DIR "/demo/keys/parameter.public.b64", keys / u8"открытый.b64");
  for (const bool long_destination : {false, true}) {
    SCOPED_TRACE(long_destination ? "long" : "short");
    std::filesystem::path folder = root() / (long_destination ? u8"длинное" : u8"короткое");
    while (long_destination && wine_e2e::windows_path(folder).size() <= 280) folder /= u8"назначение-обновления";
    std::filesystem::create_directories(folder);
    task_options options = https_task(wine_e2e::update_server_port());
    wine_e2e::set_option(options, "dest-dir", wine_e2e::windows_path(folder));
    wine_e2e::set_option(options, "pub", wine_e2e::windows_path(keys / u8"открытый.b64"));
    expect_placed(run_task(options), folder);
  }
}

}  // namespace
