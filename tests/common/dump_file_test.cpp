// The crash dump's file: made new in the folder prepared at installation, whatever the
// folder's length, and never a file that was there before. Who may open it is checked by
// the Linux crash tests (mode 600); wine keeps no access lists (docs/windows.md).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/winapi/crash/minidump.h"
#include "support/temp_directory.h"
#include "support/update_source.h"

namespace {

constexpr char name[] = "2026-12-11_17-00-41_4294967295.dmp";

// The file's handle, or the error of a failed creation.
struct created {
  bool made = false;
  uint32_t error = 0;
};

created create(std::string_view file_name) {
  created result;
  const winapi::handle_t file = winapi::create_dump_file(file_name, result.error);
  result.made = file != winapi::invalid_handle_value;
  if (result.made) winapi::close_dump_file(file);
  return result;
}

TEST(dump_file_test, is_made_new_in_a_short_or_long_folder_and_never_reused) {
  const test_support::temp_directory root;
  std::filesystem::path long_folder = root.path();
  while (long_folder.u16string().size() < 300) long_folder /= std::string(60, 'l');
  for (const std::filesystem::path& folder : {root.path(), long_folder}) {
    SCOPED_TRACE(folder.string().size());
    std::filesystem::create_directories(folder);
    winapi::prepare_dump_folder(folder.u16string());
    EXPECT_TRUE(create(name).made);
    EXPECT_TRUE(std::filesystem::exists(folder / name));
    // A file someone made under the name keeps its content and its own access list.
    test_support::write_text(folder / name, "planted");
    const created again = create(name);
    EXPECT_FALSE(again.made);
    EXPECT_EQ(again.error, 80u) << "ERROR_FILE_EXISTS";
    EXPECT_EQ(test_support::read_text(folder / name), "planted");
  }
  winapi::prepare_dump_folder(u"");
  EXPECT_EQ(create(name).error, 3u) << "no folder, no place for the dump";
}

}  // namespace
